// The USD importer of ImportAssetsAutomated (usdz, usd, usda, usdc). Its assets go into a folder
// named after the file under the destination, sorted into the per-type sub-folders UE 5.5.1's USD
// Stage importer uses with its default options (no prim-path folders): Textures/, Materials/,
// StaticMeshes/. Existing assets are replaced, whatever bReplaceExisting says, as the importer's
// default existing-asset policy (Replace) does.
// - every image of a USDZ package (and, for a loose text layer, every image its materials name)
//   becomes a UTexture2D named after the image file;
// - the Mesh prims of a text layer become one UStaticMesh named after the file, with a slot per
//   bound material named after the material prim, and a UMaterial per such material.
// Binary (usdc) layers are recognised but not read: their meshes, materials and animation are
// named in the log as not imported. Nothing here is silent about what it leaves out.
#include "CoreMinimal.h"
#include "AssetImporterRegistry.h"
#include "Engine/StaticMesh.h"
#include "Engine/Texture2D.h"
#include "HAL/FileManager.h"
#include "Materials/Material.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"

#include "ModelImportHelpers.h"
#include "UsdSceneReader.h"
#include "HeadlessString.h"
#include "EngineHost.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <unistd.h>

DEFINE_LOG_CATEGORY_STATIC(LogUsd, Log, All);

namespace UE::HeadlessEditor
{
	namespace
	{
		namespace fs = std::filesystem;

		struct FImageFile
		{
			FString File;        // on disk
			FString AssetName;   // from the image's own name
		};

		struct FUsdContent
		{
			bool bHasTextLayer = false;
			Usd::FTextLayerDescription Layer;
			TArray<FImageFile> Images;
		};

		bool ReadFileBytes(const FString& File, std::vector<uint8_t>& Out)
		{
			std::ifstream In(fs::path(ToUtf8(File)), std::ios::binary);
			if (!In)
			{
				return false;
			}
			Out.assign(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
			return !In.bad();
		}

		// Reads one layer's bytes; a text layer fills Content, anything else is logged as not read.
		void ReadLayer(const FString& Filename, const FString& LayerName, const std::vector<uint8_t>& Bytes, FUsdContent& Content)
		{
			switch (Usd::DetectLayerFormat(Bytes.data(), Bytes.size()))
			{
			case Usd::ELayerFormat::Text:
			{
				std::string Error;
				if (Usd::ParseTextLayer(std::string(Bytes.begin(), Bytes.end()), Content.Layer, Error))
				{
					Content.bHasTextLayer = true;
					for (const std::string& Warning : Content.Layer.Warnings)
					{
						UE_LOG(LogUsd, Warning, TEXT("%s: layer %s: %s"), *Filename, *LayerName, *Utf8ToFString(Warning));
					}
				}
				else
				{
					UE_LOG(LogUsd, Error, TEXT("%s: text layer %s cannot be read: %s"), *Filename, *LayerName, *Utf8ToFString(Error));
				}
				break;
			}
			case Usd::ELayerFormat::Binary:
			{
				Usd::FBinaryLayerInfo Info;
				std::string Error;
				if (Usd::ReadBinaryLayerHeader(Bytes, Info, Error))
				{
					UE_LOG(LogUsd, Warning, TEXT("%s: binary USD layer %s (crate %d.%d.%d) is not read by HeadlessEditor: its meshes, materials and animation are not imported, only the package's images"),
						*Filename, *LayerName, Info.Major, Info.Minor, Info.Patch);
				}
				else
				{
					UE_LOG(LogUsd, Error, TEXT("%s: binary USD layer %s is damaged: %s"), *Filename, *LayerName, *Utf8ToFString(Error));
				}
				break;
			}
			default:
				UE_LOG(LogUsd, Error, TEXT("%s: %s is neither a text nor a binary USD layer"), *Filename, *LayerName);
				break;
			}
		}

		bool ReadPackage(const FString& Filename, const FString& TempFolder, FUsdContent& Content)
		{
			Usd::FUsdzPackage Package;
			std::string Error;
			if (!Package.Open(ToUtf8(Filename), Error))
			{
				UE_LOG(LogUsd, Error, TEXT("Cannot import %s: not a readable USDZ package: %s"), *Filename, *Utf8ToFString(Error));
				return false;
			}
			for (const std::string& Name : Package.GetRefusedNames())
			{
				UE_LOG(LogUsd, Warning, TEXT("%s: entry '%s' skipped: its name leaves the package"), *Filename, *Utf8ToFString(Name));
			}
			bool bRootSeen = false;
			for (const Usd::FPackageEntry& Entry : Package.GetEntries())
			{
				const FString EntryName = Utf8ToFString(Entry.Name);
				const bool bLayer = Usd::IsLayerFile(Entry.Name);
				if (bLayer && bRootSeen)
				{
					UE_LOG(LogUsd, Warning, TEXT("%s: layer %s not read: HeadlessEditor reads only the package's root layer"), *Filename, *EntryName);
					continue;
				}
				if (!bLayer && !Usd::IsImageFile(Entry.Name))
				{
					continue;
				}
				std::vector<uint8_t> Bytes;
				if (!Package.ReadEntry(Entry, Bytes, Error))
				{
					UE_LOG(LogUsd, Error, TEXT("%s: entry %s cannot be read: %s"), *Filename, *EntryName, *Utf8ToFString(Error));
					continue;
				}
				if (bLayer)
				{
					bRootSeen = true;
					ReadLayer(Filename, EntryName, Bytes, Content);
					continue;
				}
				const FString Target = TempFolder / EntryName;
				IFileManager::Get().MakeDirectory(*FPaths::GetPath(Target), true);
				if (!FFileHelper::SaveArrayToFile(TArrayView64<const uint8>(Bytes.data(), int64(Bytes.size())), *Target))
				{
					UE_LOG(LogUsd, Error, TEXT("%s: image %s cannot be written to %s"), *Filename, *EntryName, *Target);
					continue;
				}
				Content.Images.Add({ Target, FAssetImportContext::MakeAssetName(EntryName) });
			}
			if (!bRootSeen)
			{
				UE_LOG(LogUsd, Warning, TEXT("%s: the package holds no USD layer"), *Filename);
			}
			return true;
		}

		bool ReadLooseLayer(const FString& Filename, FUsdContent& Content)
		{
			std::vector<uint8_t> Bytes;
			if (!ReadFileBytes(Filename, Bytes))
			{
				UE_LOG(LogUsd, Error, TEXT("Cannot import %s: the file cannot be read"), *Filename);
				return false;
			}
			ReadLayer(Filename, FPaths::GetCleanFilename(Filename), Bytes, Content);
			// A loose layer's textures are files beside it, named by its materials.
			const FString Folder = FPaths::GetPath(Filename);
			for (const Usd::FMaterialDescription& Material : Content.Layer.Materials)
			{
				for (std::string Asset : Material.TextureAssets)
				{
					while (Asset.rfind("./", 0) == 0) { Asset.erase(0, 2); }
					const FString File = Folder / Utf8ToFString(Asset);
					if (!Usd::IsSafeRelativePath(Asset) || !Usd::IsImageFile(Asset) || !FPaths::FileExists(File))
					{
						UE_LOG(LogUsd, Warning, TEXT("%s: texture '%s' of %s not imported: not an image file beside the layer"), *Filename,
							*Utf8ToFString(Asset), *Utf8ToFString(Material.PrimPath));
						continue;
					}
					if (!Content.Images.ContainsByPredicate([&File](const FImageFile& Image) { return Image.File == File; }))
					{
						Content.Images.Add({ File, FAssetImportContext::MakeAssetName(File) });
					}
				}
			}
			return true;
		}

		bool ImportUsd(FAssetImportContext& Context)
		{
			const FString& Filename = Context.GetFilename();
			const FString FolderName = FAssetImportContext::MakeAssetName(Filename);
			const FString PackagePath = Context.GetDestinationPath() / FolderName;
			// The stage importer's type folders (USDStageImporter.cpp, the bPrimPathFolderStructure=false branch).
			const FString TexturesPath = PackagePath / TEXT("Textures");
			const FString MaterialsPath = PackagePath / TEXT("Materials");
			const FString StaticMeshesPath = PackagePath / TEXT("StaticMeshes");
			// ExistingAssetPolicy=Replace is the stage importer's default: existing assets are
			// replaced in place, whatever the caller's bReplaceExisting.
			Context.SetReplaceExisting(true);

			static std::atomic<int32> Counter{ 0 };
			const FString TempFolder = FPaths::ProjectSavedDir() / FString::Printf(TEXT("Temp/HeadlessImport/usd_%d_%d"), int32(getpid()), int32(++Counter));
			FUsdContent Content;
			const bool bPackage = FPaths::GetExtension(Filename).Equals(TEXT("usdz"), ESearchCase::IgnoreCase);
			const bool bRead = bPackage ? ReadPackage(Filename, TempFolder, Content) : ReadLooseLayer(Filename, Content);
			if (!bRead)
			{
				IFileManager::Get().DeleteDirectory(*TempFolder, false, true);
				return false;
			}

			const Usd::FStaticMeshDescription& MeshDesc = Content.Layer.StaticMesh;
			const bool bMesh = Content.bHasTextLayer && !MeshDesc.Mesh.Indices.empty();
			// Names are unique within each type folder only.
			FImportNames TextureNames;
			FImportNames MaterialNames;
			int32 NumTextures = 0;
			for (const FImageFile& Image : Content.Images)
			{
				NumTextures += ImportTextureNamed(Context, Image.File, TexturesPath, TextureNames.TakeUnique(Image.AssetName)) ? 1 : 0;
			}
			IFileManager::Get().DeleteDirectory(*TempFolder, false, true);

			if (bMesh)
			{
				TArray<FStaticMaterial> Slots;
				for (size_t Slot = 0; Slot < MeshDesc.SlotNames.size(); ++Slot)
				{
					const FString SlotName = Utf8ToFString(MeshDesc.SlotNames[Slot]);
					UMaterialInterface* Material = nullptr;
					if (!MeshDesc.SlotMaterialPaths[Slot].empty())
					{
						Material = Context.CreateAsset<UMaterial>(MaterialsPath, MaterialNames.TakeUnique(MakeAssetNameFromName(SlotName)));
					}
					Slots.Emplace(Material, FName(SlotName), FName(SlotName));
				}
				if (UStaticMesh* Mesh = Context.CreateAsset<UStaticMesh>(StaticMeshesPath, FolderName))
				{
					FillMeshData(MeshDesc.Mesh, FHeadlessAssets::MeshData(*Mesh));
					FHeadlessAssets::SourceFilePath(*Mesh) = Filename;
					Mesh->SetStaticMaterials(Slots);
					Mesh->PostEditChange();
				}
			}
			else if (Content.bHasTextLayer)
			{
				UE_LOG(LogUsd, Warning, TEXT("%s: the text layer holds no mesh with triangles"), *Filename);
			}

			if (Context.GetImportedObjects().IsEmpty())
			{
				UE_LOG(LogUsd, Warning, TEXT("Nothing imported from %s"), *Filename);
				return false;
			}
			UE_LOG(LogUsd, Log, TEXT("Imported %s into %s: %d texture(s)%s"), *Filename, *PackagePath, NumTextures,
				bMesh ? *FString::Printf(TEXT(", static mesh %s with %d material slot(s)"), *FolderName, int32(MeshDesc.SlotNames.size())) : TEXT(""));
			return true;
		}

	}
}

namespace UE::HeadlessEditor
{
	void RegisterUsdImporter()
	{
		RegisterAssetImporter(TEXT("USD"), { TEXT("usdz"), TEXT("usd"), TEXT("usda"), TEXT("usdc") },
			[](FAssetImportContext& Context) { return ImportUsd(Context); });
	}
}
