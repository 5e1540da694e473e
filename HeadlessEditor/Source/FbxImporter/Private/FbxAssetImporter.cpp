// The FBX importer of ImportAssetsAutomated: Assimp reads the file, then the assets are made as the
// editor's FBX importer makes them, directly in the destination folder:
// - a skinned file gives a USkeletalMesh and its USkeleton ("<Mesh>_Skeleton"), any other a
//   UStaticMesh; the mesh is named after the file and holds every mesh of the file, combined;
// - one material slot per FBX material, the slot named exactly as the material (dots and spaces
//   kept); one UMaterial per FBX material, its asset name made valid ("Material.001" ->
//   "Material_001");
// - one UTexture2D per texture file the materials reference that exists, imported by the image
//   importer; embedded textures are first written to "<file>.fbm/" beside the FBX.
// Animations are not made into assets; that is logged.
#include "CoreMinimal.h"
#include "AssetImporterRegistry.h"
#include "Animation/Skeleton.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "Engine/Texture2D.h"
#include "Materials/Material.h"
#include "Misc/Paths.h"

#include "FbxSceneReader.h"
#include "ModelImportHelpers.h"
#include "HeadlessString.h"
#include "EngineHost.h"

#include <map>

DEFINE_LOG_CATEGORY_STATIC(LogFbx, Log, All);

namespace UE::HeadlessEditor
{
	namespace
	{
		bool ImportFbx(FAssetImportContext& Context)
		{
			const FString& Filename = Context.GetFilename();
			const FString& DestPath = Context.GetDestinationPath();
			const FString MeshName = FAssetImportContext::MakeAssetName(Filename);

			// An existing mesh that is not to be replaced skips the whole file, before anything (the
			// .fbm folder included) is written.
			if (!Context.ShouldReplaceExisting() && Context.FindExistingAsset(DestPath, MeshName))
			{
				Context.CreateAsset(UStaticMesh::StaticClass(), DestPath, MeshName); // logs the skip
				return true;
			}

			Fbx::FSceneDescription Scene;
			std::string Error;
			if (!Fbx::ReadFbxScene(ToUtf8(Filename), Scene, Error))
			{
				UE_LOG(LogFbx, Error, TEXT("Cannot import %s: Assimp cannot read it: %s"), *Filename, *Utf8ToFString(Error));
				return false;
			}
			for (const std::string& Warning : Scene.Warnings)
			{
				UE_LOG(LogFbx, Warning, TEXT("%s: %s"), *Filename, *Utf8ToFString(Warning));
			}
			if (Scene.NumAnimations > 0)
			{
				UE_LOG(LogFbx, Warning, TEXT("%s: %d animation(s) not imported: HeadlessEditor's FBX importer makes no animation assets"),
					*Filename, int32(Scene.NumAnimations));
			}

			// Names first: the mesh (and skeleton) keep theirs, textures are named after their files,
			// materials after themselves; a clash inside this import gets a numbered suffix.
			FImportNames Names;
			Names.Add(MeshName);
			const FString SkeletonName = MeshName + TEXT("_Skeleton");
			if (Scene.bSkinned)
			{
				Names.Add(SkeletonName);
			}
			std::map<std::string, FString> TextureNameOfFile;
			for (const Fbx::FMaterialDescription& Material : Scene.Materials)
			{
				for (const Fbx::FTextureReference& Texture : Material.Textures)
				{
					if (!Texture.File.empty() && !TextureNameOfFile.count(Texture.File))
					{
						TextureNameOfFile[Texture.File] = Names.TakeUnique(FAssetImportContext::MakeAssetName(Utf8ToFString(Texture.File)));
					}
				}
			}
			TArray<FString> MaterialNames;
			for (const Fbx::FMaterialDescription& Material : Scene.Materials)
			{
				MaterialNames.Add(Material.bPlaceholder ? FString() : Names.TakeUnique(MakeAssetNameFromName(Utf8ToFString(Material.Name))));
			}

			// Textures, then the materials that use them, then the mesh.
			int32 NumTextures = 0;
			for (const Fbx::FMaterialDescription& Material : Scene.Materials)
			{
				for (const Fbx::FTextureReference& Texture : Material.Textures)
				{
					auto Pending = TextureNameOfFile.find(Texture.File);
					if (Pending == TextureNameOfFile.end())
					{
						continue; // missing, or imported already
					}
					NumTextures += ImportTextureNamed(Context, Utf8ToFString(Texture.File), DestPath, Pending->second) ? 1 : 0;
					TextureNameOfFile.erase(Pending);
				}
			}

			TArray<UMaterialInterface*> SlotMaterials;
			for (int32 Index = 0; Index < MaterialNames.Num(); ++Index)
			{
				UMaterialInterface* Material = nullptr;
				if (!MaterialNames[Index].IsEmpty())
				{
					Material = Context.CreateAsset<UMaterial>(DestPath, MaterialNames[Index]);
					if (!Material)
					{
						Material = Cast<UMaterialInterface>(Context.FindExistingAsset(DestPath, MaterialNames[Index]));
					}
				}
				SlotMaterials.Add(Material);
			}

			if (Scene.bSkinned)
			{
				USkeleton* Skeleton = Context.CreateAsset<USkeleton>(DestPath, SkeletonName);
				if (!Skeleton)
				{
					Skeleton = Cast<USkeleton>(Context.FindExistingAsset(DestPath, SkeletonName));
				}
				else
				{
					for (const Fbx::FBone& Bone : Scene.Bones)
					{
						FHeadlessBone& Out = FHeadlessAssets::Bones(*Skeleton).Emplace_GetRef();
						Out.Name = FName(Utf8ToFString(Bone.Name));
						Out.ParentIndex = Bone.ParentIndex;
						std::copy(std::begin(Bone.LocalTransform), std::end(Bone.LocalTransform), Out.LocalTransform);
					}
				}
				USkeletalMesh* Mesh = Context.CreateAsset<USkeletalMesh>(DestPath, MeshName);
				if (!Mesh)
				{
					return false;
				}
				FillMeshData(Scene.Mesh, FHeadlessAssets::MeshData(*Mesh));
				FHeadlessAssets::SourceFilePath(*Mesh) = Filename;
				Mesh->SetSkeleton(Skeleton);
				TArray<FSkeletalMaterial> Slots;
				for (int32 Index = 0; Index < SlotMaterials.Num(); ++Index)
				{
					const FName SlotName(Utf8ToFString(Scene.Materials[Index].Name));
					Slots.Emplace(SlotMaterials[Index], SlotName, SlotName);
				}
				Mesh->SetMaterials(Slots);
				Mesh->PostEditChange();
			}
			else
			{
				UStaticMesh* Mesh = Context.CreateAsset<UStaticMesh>(DestPath, MeshName);
				if (!Mesh)
				{
					return false;
				}
				FillMeshData(Scene.Mesh, FHeadlessAssets::MeshData(*Mesh));
				FHeadlessAssets::SourceFilePath(*Mesh) = Filename;
				TArray<FStaticMaterial> Slots;
				for (int32 Index = 0; Index < SlotMaterials.Num(); ++Index)
				{
					const FName SlotName(Utf8ToFString(Scene.Materials[Index].Name));
					Slots.Emplace(SlotMaterials[Index], SlotName, SlotName);
				}
				Mesh->SetStaticMaterials(Slots);
				Mesh->PostEditChange();
			}
			UE_LOG(LogFbx, Log, TEXT("Imported %s: %s %s with %d material slot(s), %d texture(s)%s"), *Filename,
				Scene.bSkinned ? TEXT("skeletal mesh") : TEXT("static mesh"), *MeshName, SlotMaterials.Num(), NumTextures,
				Scene.EmbeddedFilesWritten.empty() ? TEXT("") : *FString::Printf(TEXT(", embedded media written to %s"), *Utf8ToFString(Scene.FbmFolder)));
			return true;
		}

		const bool GRegistered = (RegisterAssetImporter(TEXT("FBX"), { TEXT("fbx") }, [](FAssetImportContext& Context) { return ImportFbx(Context); }), true);
	}
}
