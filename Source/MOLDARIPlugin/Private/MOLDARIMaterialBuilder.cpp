#include "MOLDARIImport.h"
#include "MOLDARIImportJobs.h"
#include "MOLDARIJsonDepth.h"
#include "MOLDARIMaterialMetadata.h"

#include "AssetRegistry/AssetData.h"
#include "AssetRegistry/AssetRegistryModule.h"
#include "AssetRegistry/IAssetRegistry.h"
#include "AssetToolsModule.h"
#include "AutomatedAssetImportData.h"
#include "Dom/JsonObject.h"
#include "Dom/JsonValue.h"
#include "Engine/EngineTypes.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/SkinnedAssetCommon.h"
#include "Engine/StaticMesh.h"
#include "Engine/Texture.h"
#include "Engine/Texture2D.h"
#include "Engine/TextureDefines.h"
#include "Factories/MaterialFactoryNew.h"
#include "HAL/FileManager.h"
#include "IAssetTools.h"
#include "MaterialEditingLibrary.h"
#include "Materials/Material.h"
#include "Materials/MaterialInstance.h"
#include "Materials/MaterialExpressionTextureSample.h"
#include "Misc/FileHelper.h"
#include "Misc/OutputDevice.h"
#include "Misc/Paths.h"
#include "Modules/ModuleManager.h"
#include "ObjectTools.h"
#include "SceneTypes.h"
#include "Serialization/JsonReader.h"
#include "Serialization/JsonSerializer.h"
#include "Templates/Casts.h"
#include "UObject/Package.h"
#include "UObject/UObjectGlobals.h"

namespace
{
	FString JoinPath(const FString& Base, const FString& Leaf)
	{
		FString Joined = Base;
		Joined.PathAppend(*Leaf, Leaf.Len());
		return Joined;
	}

	// One imported mesh's material slots, static or skeletal: how they are read and written.
	struct FMeshSlots
	{
		UStaticMesh* Static = nullptr;
		USkeletalMesh* Skeletal = nullptr;

		int32 Num() const { return Static ? Static->GetStaticMaterials().Num() : Skeletal->GetMaterials().Num(); }
		FString SlotName(int32 Index) const
		{
			return (Static ? Static->GetStaticMaterials()[Index].MaterialSlotName : Skeletal->GetMaterials()[Index].MaterialSlotName).ToString();
		}
		UMaterialInterface* Get(int32 Index) const
		{
			return Static ? Static->GetStaticMaterials()[Index].MaterialInterface : Skeletal->GetMaterials()[Index].MaterialInterface;
		}
		void Assign(int32 Index, UMaterialInterface* Material) const
		{
			if (Static)
			{
				Static->SetMaterial(Index, Material);
			}
			else
			{
				// Set directly, as the skeletal mesh has no per-slot setter worth a PostEditChange here.
				Skeletal->GetMaterials()[Index].MaterialInterface = Material;
			}
		}
		void LogMatched(const FString& EntryName) const
		{
			if (Static) { UE_LOG(LogTemp, Log, TEXT("[MOLDARI] PBR material assigned to slot '%s'"), *EntryName); }
			else { UE_LOG(LogTemp, Log, TEXT("[MOLDARI] PBR material assigned to SK slot '%s'"), *EntryName); }
		}
		void LogFallback() const
		{
			if (Static) { UE_LOG(LogTemp, Log, TEXT("[MOLDARI] PBR material assigned to slot 0 (fallback)")); }
			else { UE_LOG(LogTemp, Log, TEXT("[MOLDARI] PBR material assigned to SK slot 0 (fallback)")); }
		}
		void MarkPackageDirty() const
		{
			if (Static) { Static->MarkPackageDirty(); }
			else { Skeletal->MarkPackageDirty(); }
		}
	};

	TArray<FMeshSlots> MeshSlotsOf(const TArray<UStaticMesh*>& StaticMeshes, const TArray<USkeletalMesh*>& SkeletalMeshes)
	{
		TArray<FMeshSlots> Meshes;
		for (USkeletalMesh* Mesh : SkeletalMeshes) { if (Mesh) { Meshes.Add({ nullptr, Mesh }); } }
		for (UStaticMesh* Mesh : StaticMeshes) { if (Mesh) { Meshes.Add({ Mesh, nullptr }); } }
		return Meshes;
	}

	// The name an importer gives a slot for a material: the engine's importer (Interchange) turns
	// each character an object name may not hold into '_' ("Material.001" becomes
	// "Material_001").
	FString AsImportedSlotName(const FString& MaterialName)
	{
		FString Name = MaterialName;
		for (const TCHAR* Invalid = INVALID_OBJECTNAME_CHARACTERS; *Invalid; ++Invalid)
		{
			Name.ReplaceCharInline(*Invalid, TEXT('_'), ESearchCase::CaseSensitive);
		}
		return Name;
	}

	// The first slot of the mesh whose name is the entry's, as written or as an importer writes
	// it (FString equality ignores case, as slot names from DCC tools often differ in case).
	int32 FindMatchingSlot(const FMeshSlots& Mesh, const FString& EntryName)
	{
		const FString ImportedName = AsImportedSlotName(EntryName);
		for (int32 Index = 0; Index < Mesh.Num(); ++Index)
		{
			const FString SlotName = Mesh.SlotName(Index);
			if (SlotName == EntryName || SlotName == ImportedName)
			{
				return Index;
			}
		}
		return INDEX_NONE;
	}

	// The first entry of metadata.json's "materials" array; false (after any log line) when
	// there is none to build from.
	bool ReadMaterialEntry(const FString& ExtractDir, MOLDARIImport::FMaterialMetadataEntry& OutEntry)
	{
		FString Text;
		// A metadata.json is a few KiB. One of many MiB compresses to almost nothing in an
		// archive, yet would hold the main thread for tens of seconds while it is parsed.
		const FString MetadataPath = JoinPath(ExtractDir, TEXT("metadata.json"));
		const int64 MetadataBytes = IFileManager::Get().FileSize(*MetadataPath);
		if (MetadataBytes > MOLDARIImport::MaxMetadataBytes)
		{
			UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] metadata.json too large (%lld bytes, limit %lld) — skipping PBR materials"), MetadataBytes, MOLDARIImport::MaxMetadataBytes);
			return false;
		}
		if (!FFileHelper::LoadFileToString(Text, *MetadataPath))
		{
			UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] No metadata.json — skipping PBR materials"));
			return false;
		}
		switch (MOLDARIImport::ParseMaterialMetadata(Text, OutEntry))
		{
		case MOLDARIImport::EMaterialMetadataResult::ParseFailed:
			UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] metadata.json parse failed"));
			return false;
		case MOLDARIImport::EMaterialMetadataResult::NoEntry:
			return false;
		case MOLDARIImport::EMaterialMetadataResult::Entry:
			break;
		}
		return true;
	}

	UTexture2D* ImportTexture(IAssetTools& AssetTools, const FString& ExtractDir, const FString& RelativePath, const FString& TexturesPath)
	{
		if (RelativePath.IsEmpty())
		{
			return nullptr;
		}
		if (!MOLDARIImport::IsSafeTexturePath(ExtractDir, RelativePath))
		{
			UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Unsafe texture path skipped: %s"), *RelativePath);
			return nullptr;
		}
		const FString FilePath = JoinPath(ExtractDir, RelativePath);
		if (!IFileManager::Get().FileExists(*FilePath))
		{
			return nullptr;
		}
		UAutomatedAssetImportData* Request = NewObject<UAutomatedAssetImportData>(GetTransientPackage());
		Request->Filenames.Add(FilePath);
		Request->DestinationPath = TexturesPath;
		// A second import of the same name replaces its maps instead of adding numbered copies.
		Request->bReplaceExisting = true;
		for (UObject* Imported : AssetTools.ImportAssetsAutomated(Request))
		{
			if (UTexture2D* Texture = Cast<UTexture2D>(Imported))
			{
				return Texture;
			}
		}
		return nullptr;
	}

	void AddSampleNode(UMaterial* Material, UTexture2D* Texture, int32 X, int32 Y, bool bSetSampler, EMaterialSamplerType SamplerType,
		std::initializer_list<TPair<const TCHAR*, EMaterialProperty>> Links)
	{
		if (!Texture)
		{
			return;
		}
		UMaterialExpressionTextureSample* Node = Cast<UMaterialExpressionTextureSample>(
			UMaterialEditingLibrary::CreateMaterialExpression(Material, UMaterialExpressionTextureSample::StaticClass(), X, Y));
		// A node the editor refuses leaves that map out rather than ending the build.
		if (!Node)
		{
			return;
		}
		Node->Texture = Texture;
		if (bSetSampler)
		{
			Node->SamplerType = SamplerType;
		}
		for (const TPair<const TCHAR*, EMaterialProperty>& Link : Links)
		{
			UMaterialEditingLibrary::ConnectMaterialProperty(Node, Link.Key, Link.Value);
		}
	}

	// True when the material's graph samples the texture, or the instance gives it to a parameter.
	bool UsesTexture(UMaterialInterface* Material, const UObject* Texture)
	{
		if (const UMaterialInstance* Instance = Cast<UMaterialInstance>(Material))
		{
			for (const FTextureParameterValue& Value : Instance->TextureParameterValues)
			{
				if (Value.ParameterValue == Texture)
				{
					return true;
				}
			}
			return false;
		}
		const UMaterial* Graph = Cast<UMaterial>(Material);
		if (!Graph)
		{
			return false;
		}
		for (const TObjectPtr<UMaterialExpression>& Expression : Graph->GetExpressions())
		{
			const UMaterialExpressionTextureBase* Sample = Cast<UMaterialExpressionTextureBase>(Expression.Get());
			if (Sample && Sample->Texture.Get() == Texture)
			{
				return true;
			}
		}
		return false;
	}

	// Deletes what the FBX import generated directly in DestPath (materials or material instances
	// other than the new one, textures), except materials a slot of one of the meshes still uses
	// and textures a kept material still samples, so no mesh ever points at a deleted asset.
	void DeleteGeneratedAssets(const TArray<FMeshSlots>& Meshes, const FString& DestPath, const FString& MaterialName)
	{
		IAssetRegistry& AssetRegistry = FModuleManager::LoadModuleChecked<FAssetRegistryModule>(TEXT("AssetRegistry")).Get();
		TArray<FAssetData> Assets;
		AssetRegistry.GetAssetsByPath(FName(*DestPath), Assets, false, false);

		TArray<UMaterialInterface*> UsedBySlots;
		for (const FMeshSlots& Mesh : Meshes)
		{
			for (int32 Index = 0; Index < Mesh.Num(); ++Index)
			{
				if (UMaterialInterface* Material = Mesh.Get(Index)) { UsedBySlots.AddUnique(Material); }
			}
		}

		struct FCandidate
		{
			FString AssetName;
			UObject* Object = nullptr;
			bool bMaterial = false;
		};
		TArray<FCandidate> Candidates;
		for (const FAssetData& AssetData : Assets)
		{
			const FString AssetName = AssetData.AssetName.ToString();
			UObject* Object = AssetData.GetAsset();
			if (!Object || AssetName == MaterialName)
			{
				continue;
			}
			const bool bMaterial = Object->IsA(UMaterialInterface::StaticClass());
			if (bMaterial || Object->IsA(UTexture::StaticClass()))
			{
				Candidates.Add({ AssetName, Object, bMaterial });
			}
		}

		for (const FCandidate& Candidate : Candidates)
		{
			bool bInUse = false;
			if (Candidate.bMaterial)
			{
				bInUse = UsedBySlots.Contains(Candidate.Object);
			}
			else
			{
				for (UMaterialInterface* Material : UsedBySlots)
				{
					bInUse = bInUse || UsesTexture(Material, Candidate.Object);
				}
			}
			if (bInUse)
			{
				continue;
			}
			ObjectTools::DeleteSingleObject(Candidate.Object, false);
			UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Deleted FBX-generated asset: %s"), *Candidate.AssetName);
		}
	}

	void BuildPBRMaterial(const TArray<FMeshSlots>& Meshes, const FString& ExtractDir, const FString& DestPath, const FString& Name)
	{
		MOLDARIImport::FMaterialMetadataEntry Entry;
		if (!ReadMaterialEntry(ExtractDir, Entry))
		{
			return;
		}
		const FString& EntryName = Entry.Name;
		const FString& BaseColorPath = Entry.BaseColorTexture;
		const FString& NormalPath = Entry.NormalTexture;
		const FString& MetallicRoughnessPath = Entry.MetallicRoughnessTexture;

		const FString TexturesPath = JoinPath(DestPath, TEXT("Textures"));
		IAssetTools& AssetTools = FModuleManager::GetModuleChecked<FAssetToolsModule>(TEXT("AssetTools")).Get();

		UTexture2D* BaseColor = ImportTexture(AssetTools, ExtractDir, BaseColorPath, TexturesPath);
		UTexture2D* Normal = ImportTexture(AssetTools, ExtractDir, NormalPath, TexturesPath);
		UTexture2D* MetallicRoughness = ImportTexture(AssetTools, ExtractDir, MetallicRoughnessPath, TexturesPath);

		if (Normal)
		{
			Normal->CompressionSettings = TC_Normalmap;
			Normal->PostEditChange();
			Normal->MarkPackageDirty();
		}
		if (MetallicRoughness)
		{
			// Packed linear data (roughness in G, metalness in B), not colour.
			MetallicRoughness->CompressionSettings = TC_Masks;
			MetallicRoughness->SRGB = false;
			MetallicRoughness->PostEditChange();
			MetallicRoughness->MarkPackageDirty();
		}

		const FString MaterialName = FString(TEXT("M_")) + Name + TEXT("_PBR");
		UPackage* Package = CreatePackage(*JoinPath(DestPath, MaterialName));
		Package->FullyLoad();

		UMaterialFactoryNew* Factory = NewObject<UMaterialFactoryNew>(GetTransientPackage());
		UMaterial* Material = Cast<UMaterial>(Factory->FactoryCreateNew(UMaterial::StaticClass(), Package, FName(*MaterialName),
			RF_Public | RF_Standalone | RF_Transactional, nullptr, GWarn));
		if (!Material)
		{
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Failed to create material %s"), *MaterialName);
			return;
		}

		AddSampleNode(Material, BaseColor, -400, -200, false, SAMPLERTYPE_Color, { { TEXT("RGB"), MP_BaseColor } });
		AddSampleNode(Material, Normal, -400, 100, true, SAMPLERTYPE_Normal, { { TEXT("RGB"), MP_Normal } });
		AddSampleNode(Material, MetallicRoughness, -400, 300, true, SAMPLERTYPE_Masks, { { TEXT("G"), MP_Roughness }, { TEXT("B"), MP_Metallic } });

		UMaterialEditingLibrary::RecompileMaterial(Material);
		Material->MarkPackageDirty();
		FAssetRegistryModule::AssetCreated(Material);
		UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Created PBR material: %s"), *MaterialName);
		MOLDARIJobs::ReportMaterial(Material->GetPathName());

		// The slot named like the entry gets the material, in every mesh that has one; when no mesh
		// has such a slot, slot 0 of each mesh does. (One mesh: its matching slot, else slot 0.)
		TArray<int32> Matches;
		bool bAnyMatch = false;
		for (const FMeshSlots& Mesh : Meshes)
		{
			Matches.Add(FindMatchingSlot(Mesh, EntryName));
			bAnyMatch = bAnyMatch || Matches.Last() != INDEX_NONE;
		}
		for (int32 MeshIndex = 0; MeshIndex < Meshes.Num(); ++MeshIndex)
		{
			const FMeshSlots& Mesh = Meshes[MeshIndex];
			if (Matches[MeshIndex] != INDEX_NONE)
			{
				Mesh.Assign(Matches[MeshIndex], Material);
				Mesh.LogMatched(EntryName);
			}
			else if (!bAnyMatch && Mesh.Num() > 0)
			{
				Mesh.Assign(0, Material);
				Mesh.LogFallback();
			}
			Mesh.MarkPackageDirty();
		}

		DeleteGeneratedAssets(Meshes, DestPath, MaterialName);
	}
}

MOLDARIImport::EMaterialMetadataResult MOLDARIImport::ParseMaterialMetadata(const FString& Text, FMaterialMetadataEntry& OutEntry)
{
	OutEntry = FMaterialMetadataEntry();
	// Nested deeper than any metadata needs: refused unread, like text that is no JSON.
	TSharedPtr<FJsonObject> Root;
	if (!MOLDARIJson::IsWithinDepth(Text) || !FJsonSerializer::Deserialize(TJsonReaderFactory<>::Create(Text), Root) || !Root.IsValid())
	{
		return EMaterialMetadataResult::ParseFailed;
	}
	const TArray<TSharedPtr<FJsonValue>>* Materials = nullptr;
	if (!Root->TryGetArrayField(TEXT("materials"), Materials) || !Materials || Materials->Num() == 0)
	{
		return EMaterialMetadataResult::NoEntry;
	}
	// AsObject on anything but an object logs an error, so the type is checked first.
	const TSharedPtr<FJsonValue>& First = (*Materials)[0];
	if (!First.IsValid() || First->Type != EJson::Object)
	{
		return EMaterialMetadataResult::NoEntry;
	}
	const TSharedPtr<FJsonObject> Entry = First->AsObject();
	if (!Entry.IsValid())
	{
		return EMaterialMetadataResult::NoEntry;
	}
	Entry->TryGetStringField(TEXT("name"), OutEntry.Name);
	Entry->TryGetStringField(TEXT("baseColorTexture"), OutEntry.BaseColorTexture);
	Entry->TryGetStringField(TEXT("normalTexture"), OutEntry.NormalTexture);
	Entry->TryGetStringField(TEXT("metallicRoughnessTexture"), OutEntry.MetallicRoughnessTexture);
	return EMaterialMetadataResult::Entry;
}

bool MOLDARIImport::IsSafeTexturePath(const FString& ExtractDir, const FString& RelativePath)
{
	if (RelativePath.Contains(TEXT("..")) || RelativePath.StartsWith(TEXT("/")) || RelativePath.StartsWith(TEXT("\\"))
		|| RelativePath.Contains(TEXT(":")))
	{
		return false;
	}
	// Full paths: the engine's collapse refuses any path that begins with "..", which a project
	// folder relative to the binaries folder does.
	FString Joined = FPaths::ConvertRelativePathToFull(JoinPath(ExtractDir, RelativePath));
	FString Root = FPaths::ConvertRelativePathToFull(ExtractDir);
	FPaths::NormalizeFilename(Joined);
	FPaths::NormalizeFilename(Root);
	if (!FPaths::CollapseRelativeDirectories(Joined) || !FPaths::CollapseRelativeDirectories(Root))
	{
		return false;
	}
	if (!Root.EndsWith(TEXT("/")))
	{
		Root += TEXT("/");
	}
	if (!Joined.StartsWith(Root, ESearchCase::CaseSensitive) || Joined.Len() == Root.Len())
	{
		return false;
	}
	// A final "." or "/" (the collapse keeps both) names a folder, never a texture file.
	const FString Inside = Joined.RightChop(Root.Len());
	return Inside != TEXT(".") && !Inside.EndsWith(TEXT("/.")) && !Inside.EndsWith(TEXT("/"));
}

void CreatePBRMaterialForStaticMesh(UStaticMesh* Mesh, const FString& ExtractDir, const FString& DestPath, const FString& Name)
{
	BuildPBRMaterial(MeshSlotsOf({ Mesh }, {}), ExtractDir, DestPath, Name);
}

void CreatePBRMaterialForSkeletalMesh(USkeletalMesh* Mesh, const FString& ExtractDir, const FString& DestPath, const FString& Name)
{
	BuildPBRMaterial(MeshSlotsOf({}, { Mesh }), ExtractDir, DestPath, Name);
}

void CreatePBRMaterialForMeshes(const TArray<UStaticMesh*>& StaticMeshes, const TArray<USkeletalMesh*>& SkeletalMeshes, const FString& ExtractDir,
	const FString& DestPath, const FString& Name)
{
	BuildPBRMaterial(MeshSlotsOf(StaticMeshes, SkeletalMeshes), ExtractDir, DestPath, Name);
}
