// The FBX importer of ImportAssetsAutomated. Assimp reads the file; the assets are then made as
// UE 5.5.1's Interchange FBX import makes them with the generic pipelines' defaults, all directly in
// the destination folder and without prefixes:
// - one UStaticMesh per mesh-bearing scene node, named after the node (collision nodes such as
//   "UCX_<Node>" folded into their owner); one USkeletalMesh per skeleton root, the skinned meshes
//   bound to it combined, with its USkeleton; a file that yields exactly one mesh names it after
//   itself;
// - one UMaterial per FBX material, named after it; slots named after the material, with
//   "_Section<N>" when one node uses it again;
// - one UTexture2D per texture file the materials reference that exists, through the image
//   importer; embedded textures are first written to "<file>.fbm/" beside the FBX.
// Every asset is decided on its own, as Interchange's import task decides per factory node
// (InterchangeTaskImportObject.cpp:469-557): an existing one is left as it is (not returned) unless
// bReplaceExisting, one of another class fails that asset alone, and nothing is ever given a
// numbered name.
// Its findings are logged at Display: the engine's Interchange import keeps its warnings and errors
// in the "Interchange" message log, not the output log (so they count in no automation test).
#include "CoreMinimal.h"
#include "AssetImporterRegistry.h"
#include "AssetRegistry/AssetRegistryModule.h"
#include "Animation/Skeleton.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "Engine/Texture2D.h"
#include "Materials/Material.h"
#include "Misc/Paths.h"

#include "FbxSceneReader.h"
#include "ModelImportHelpers.h"
#include "EngineHost.h"
#include "HeadlessString.h"

DEFINE_LOG_CATEGORY_STATIC(LogFbx, Log, All);

namespace UE::HeadlessEditor
{
	namespace
	{
		class FFbxImport
		{
		public:
			FFbxImport(FAssetImportContext& InContext, const Fbx::FSceneDescription& InScene)
				: Context(InContext), Scene(InScene), Filename(InContext.GetFilename()), DestPath(InContext.GetDestinationPath())
			{
			}

			void Run()
			{
				ImportTextures();
				ImportMaterials();
				ImportMeshes();
			}

			int32 NumMade() const { return MadeHere.Num(); }

		private:
			// One asset of the import, decided as Interchange's import task decides a factory node.
			struct FPlaced
			{
				UObject* Object = nullptr;   // null: the asset failed (logged)
				bool bFill = false;          // made or replaced in place by this import; else left as it was
			};

			// Why an asset named Name cannot be Class, or empty when it can: another class holds the
			// name in the destination (Interchange's class check of an existing asset), whether it
			// was there before or an earlier asset of this import took it.
			bool ClassClash(UObject* Holder, UClass* Class, const FString& Name)
			{
				if (!Holder || Holder->IsA(Class))
				{
					return false;
				}
				UE_LOG(LogFbx, Display, TEXT("%s: no %s named %s is made in %s: the %s %s already holds that name"),
					*Filename, *Class->GetName(), *Name, *DestPath, *Holder->GetClass()->GetName(), *Holder->GetPathName());
				return true;
			}

			// Existing assets (and names an earlier asset of this import took) are kept as they are
			// unless replacing is on; pointers to a replaced asset stay valid.
			FPlaced Place(UClass* Class, const FString& Name)
			{
				if (UObject** Earlier = MadeHere.Find(Name.ToLower()))
				{
					if (!ClassClash(*Earlier, Class, Name))
					{
						// Interchange makes an asset once; a later node of the same name is skipped.
						UE_LOG(LogFbx, Display, TEXT("%s: a second %s named %s is not made: this import made %s already"),
							*Filename, *Class->GetName(), *Name, *(*Earlier)->GetPathName());
					}
					return {};
				}
				UObject* Existing = Context.FindExistingAsset(DestPath, Name);
				if (ClassClash(Existing, Class, Name))
				{
					return {};
				}
				if (Existing && !Context.ShouldReplaceExisting())
				{
					UE_LOG(LogFbx, Display, TEXT("%s: %s is left as it is: it already exists and bReplaceExisting is false"),
						*Filename, *Existing->GetPathName());
					return { Existing, false };
				}
				UObject* Made = Context.CreateAsset(Class, DestPath, Name);
				if (Made)
				{
					MadeHere.Add(Name.ToLower(), Made);
				}
				return { Made, Made != nullptr };
			}

			// Textures are named after their files' base names (the first file of a name wins, as
			// the translator keys texture nodes by it: FbxMaterial.cpp:38-65) and made by the image
			// importer. They come first: materials depend on them, meshes on materials.
			void ImportTextures()
			{
				TArray<FString> Seen;   // lower-case base names
				for (const Fbx::FMaterialDescription& Material : Scene.Materials)
				{
					for (const Fbx::FTextureReference& Texture : Material.Textures)
					{
						if (Texture.File.empty())
						{
							continue;
						}
						const FString File = Utf8ToFString(Texture.File);
						const FString Name = FAssetImportContext::MakeAssetName(File);
						if (Seen.Contains(FPaths::GetBaseFilename(File).ToLower()))
						{
							continue;
						}
						Seen.Add(FPaths::GetBaseFilename(File).ToLower());
						if (UObject** Earlier = MadeHere.Find(Name.ToLower()))
						{
							ClassClash(*Earlier, UTexture2D::StaticClass(), Name);
							continue;
						}
						UObject* Existing = Context.FindExistingAsset(DestPath, Name);
						if (ClassClash(Existing, UTexture2D::StaticClass(), Name))
						{
							continue;
						}
						if (Existing && !Context.ShouldReplaceExisting())
						{
							UE_LOG(LogFbx, Display, TEXT("%s: %s is left as it is: it already exists and bReplaceExisting is false"),
								*Filename, *Existing->GetPathName());
							continue;
						}
						if (UTexture2D* Made = ImportTextureNamed(Context, File, DestPath, Name))
						{
							MadeHere.Add(Name.ToLower(), Made);
						}
					}
				}
			}

			// One UMaterial per material label. A material of that name already in the destination
			// is used as it is, replacing or not: the generic material pipeline looks for existing
			// materials in the destination folder first (SearchLocation=Local) and does not import
			// over a UMaterial (InterchangeGenericMaterialPipeline.cpp:257-329, 844-870).
			void ImportMaterials()
			{
				for (const Fbx::FMaterialDescription& Material : Scene.Materials)
				{
					const FString Label = Utf8ToFString(Material.Label);
					if (Material.bPlaceholder || MaterialOfLabel.Contains(Label.ToLower()))
					{
						continue;
					}
					const FString Name = MakeAssetNameFromName(Label);
					UMaterialInterface* Result = nullptr;
					UObject* Existing = MadeHere.FindRef(Name.ToLower());
					if (!Existing)
					{
						Existing = Context.FindExistingAsset(DestPath, Name);
						UE_CLOG(Cast<UMaterialInterface>(Existing), LogFbx, Log, TEXT("%s: material %s uses the existing %s"), *Filename, *Label, *Existing->GetPathName());
					}
					if (UMaterialInterface* Reused = Cast<UMaterialInterface>(Existing))
					{
						MaterialOfLabel.Add(Label.ToLower(), Reused);
						continue;
					}
					if (!ClassClash(Existing, UMaterial::StaticClass(), Name))
					{
						if ((Result = Context.CreateAsset<UMaterial>(DestPath, Name)) != nullptr)
						{
							MadeHere.Add(Name.ToLower(), Result);
						}
					}
					MaterialOfLabel.Add(Label.ToLower(), Result);
				}
			}

			UMaterialInterface* SlotMaterial(const Fbx::FMaterialSlot& Slot) const
			{
				if (Slot.MaterialIndex < 0 || size_t(Slot.MaterialIndex) >= Scene.Materials.size())
				{
					return nullptr;
				}
				return MaterialOfLabel.FindRef(Utf8ToFString(Scene.Materials[Slot.MaterialIndex].Label).ToLower());
			}

			// A skeleton already in the destination is used by every skeletal mesh it fits (the
			// generic assets pipeline picks the destination's skeleton for an import:
			// InterchangeGenericAssetsPipeline.cpp:142-163).
			USkeleton* FindDestinationSkeleton() const
			{
				IAssetRegistry& Registry = FAssetRegistryModule::GetRegistry();
				Registry.ScanPathsSynchronous({ DestPath });
				TArray<FAssetData> Assets;
				Registry.GetAssetsByPath(FName(DestPath), Assets);
				for (const FAssetData& Asset : Assets)
				{
					if (Asset.AssetClassPath == USkeleton::StaticClass()->GetClassPathName())
					{
						return Cast<USkeleton>(Asset.GetAsset());
					}
				}
				return nullptr;
			}

			// Every bone of the mesh is in the skeleton with the same parent.
			static bool Fits(const USkeleton& Skeleton, const Fbx::FMeshDescription& Mesh)
			{
				for (const Fbx::FBone& Bone : Mesh.Bones)
				{
					const int32 Index = FHeadlessAssets::FindBoneIndex(Skeleton, FName(Utf8ToFString(Bone.Name)));
					if (Index == INDEX_NONE)
					{
						return false;
					}
					const int32 Parent = FHeadlessAssets::Bones(Skeleton)[Index].ParentIndex;
					const FName ParentName = Parent == INDEX_NONE ? NAME_None : FHeadlessAssets::Bones(Skeleton)[Parent].Name;
					const FName Expected = Bone.ParentIndex < 0 ? NAME_None : FName(Utf8ToFString(Mesh.Bones[Bone.ParentIndex].Name));
					if (ParentName != Expected)
					{
						return false;
					}
				}
				return true;
			}

			void ImportMeshes()
			{
				// Names as the generic pipelines give them: the node's (or first mesh's) label; the
				// file's base name when the file yields exactly one mesh, static and skeletal counted
				// together (InterchangeGenericAssetsPipeline.cpp:1595-1644). The first skeletal mesh's
				// skeleton is "<Mesh>_Skeleton", any other keeps "<RootJoint>_Skeleton"
				// (InterchangeGenericSkeletalMeshPipeline.cpp:679-729; the first label:
				// InterchangeGenericCommonSkeletalMeshesAndAnimationsProperties.cpp:24).
				TArray<FString> MeshNames;
				TArray<FString> SkeletonNames;
				bool bFirstSkeletal = true;
				for (const Fbx::FMeshDescription& Mesh : Scene.Meshes)
				{
					MeshNames.Add(Scene.Meshes.size() == 1 ? FAssetImportContext::MakeAssetName(Filename) : MakeAssetNameFromName(Utf8ToFString(Mesh.Label)));
					SkeletonNames.Add(!Mesh.bSkeletal ? FString()
						: MakeAssetNameFromName((bFirstSkeletal ? MeshNames.Last() : Utf8ToFString(Mesh.RootJoint)) + TEXT("_Skeleton")));
					bFirstSkeletal = bFirstSkeletal && !Mesh.bSkeletal;
				}

				// Skeletons before the meshes that depend on them.
				USkeleton* DestinationSkeleton = FindDestinationSkeleton();
				TArray<USkeleton*> Skeletons;
				for (int32 Index = 0; Index < MeshNames.Num(); ++Index)
				{
					const Fbx::FMeshDescription& Mesh = Scene.Meshes[Index];
					USkeleton* Skeleton = nullptr;
					if (Mesh.bSkeletal && DestinationSkeleton && Fits(*DestinationSkeleton, Mesh))
					{
						UE_LOG(LogFbx, Log, TEXT("%s: skeletal mesh %s uses the skeleton %s of the destination"),
							*Filename, *MeshNames[Index], *DestinationSkeleton->GetPathName());
						Skeleton = DestinationSkeleton;
					}
					else if (Mesh.bSkeletal)
					{
						const FPlaced Placed = Place(USkeleton::StaticClass(), SkeletonNames[Index]);
						Skeleton = Cast<USkeleton>(Placed.Object);
						if (Placed.bFill)
						{
							FHeadlessAssets::Bones(*Skeleton).Reset();
							for (const Fbx::FBone& Bone : Mesh.Bones)
							{
								FHeadlessBone& Out = FHeadlessAssets::Bones(*Skeleton).Emplace_GetRef();
								Out.Name = FName(Utf8ToFString(Bone.Name));
								Out.ParentIndex = Bone.ParentIndex;
								std::copy(std::begin(Bone.LocalTransform), std::end(Bone.LocalTransform), Out.LocalTransform);
							}
						}
					}
					Skeletons.Add(Skeleton);
				}

				for (int32 Index = 0; Index < MeshNames.Num(); ++Index)
				{
					const Fbx::FMeshDescription& Mesh = Scene.Meshes[Index];
					if (Mesh.bSkeletal)
					{
						if (!Skeletons[Index])
						{
							UE_LOG(LogFbx, Display, TEXT("%s: skeletal mesh %s is not made: it has no skeleton"), *Filename, *MeshNames[Index]);
							continue;
						}
						const FPlaced Placed = Place(USkeletalMesh::StaticClass(), MeshNames[Index]);
						if (!Placed.bFill)
						{
							continue;
						}
						USkeletalMesh* Asset = CastChecked<USkeletalMesh>(Placed.Object);
						FillMeshData(Mesh.Mesh, FHeadlessAssets::MeshData(*Asset));
						FHeadlessAssets::SourceFilePath(*Asset) = Filename;
						Asset->SetSkeleton(Skeletons[Index]);
						TArray<FSkeletalMaterial> Slots;
						for (const Fbx::FMaterialSlot& Slot : Mesh.Slots)
						{
							const FName SlotName(Utf8ToFString(Slot.Name));
							Slots.Emplace(SlotMaterial(Slot), SlotName, SlotName);
						}
						Asset->SetMaterials(Slots);
						Asset->PostEditChange();
					}
					else
					{
						const FPlaced Placed = Place(UStaticMesh::StaticClass(), MeshNames[Index]);
						if (!Placed.bFill)
						{
							continue;
						}
						UStaticMesh* Asset = CastChecked<UStaticMesh>(Placed.Object);
						FillMeshData(Mesh.Mesh, FHeadlessAssets::MeshData(*Asset));
						FHeadlessAssets::SourceFilePath(*Asset) = Filename;
						TArray<FStaticMaterial> Slots;
						for (const Fbx::FMaterialSlot& Slot : Mesh.Slots)
						{
							const FName SlotName(Utf8ToFString(Slot.Name));
							Slots.Emplace(SlotMaterial(Slot), SlotName, SlotName);
						}
						Asset->SetStaticMaterials(Slots);
						Asset->PostEditChange();
						if (!Mesh.CollisionNodes.empty())
						{
							UE_LOG(LogFbx, Log, TEXT("%s: %d collision node(s) of %s folded into it (HeadlessEditor keeps no collision geometry)"),
								*Filename, int32(Mesh.CollisionNodes.size()), *MeshNames[Index]);
						}
					}
				}
			}

			FAssetImportContext& Context;
			const Fbx::FSceneDescription& Scene;
			const FString Filename;
			const FString DestPath;
			TMap<FString, UObject*> MadeHere;                     // lower-case asset name -> asset this import made
			TMap<FString, UMaterialInterface*> MaterialOfLabel;  // lower-case material label -> its material, or null
		};

		bool ImportFbx(FAssetImportContext& Context)
		{
			const FString& Filename = Context.GetFilename();
			Fbx::FSceneDescription Scene;
			std::string Error;
			if (!Fbx::ReadFbxScene(ToUtf8(Filename), Scene, Error))
			{
				UE_LOG(LogFbx, Display, TEXT("Cannot import %s: Assimp cannot read it: %s"), *Filename, *Utf8ToFString(Error));
				return false;
			}
			for (const std::string& Warning : Scene.Warnings)
			{
				UE_LOG(LogFbx, Display, TEXT("%s: %s"), *Filename, *Utf8ToFString(Warning));
			}
			if (Scene.NumAnimations > 0)
			{
				UE_LOG(LogFbx, Display, TEXT("%s: %d animation(s) not imported: HeadlessEditor's FBX importer makes no animation assets"),
					*Filename, int32(Scene.NumAnimations));
			}
			if (Scene.bSkinned)
			{
				UE_LOG(LogFbx, Log, TEXT("%s: no physics asset is made for its skeletal mesh(es): HeadlessEditor has no physics assets"), *Filename);
			}
			FFbxImport Import(Context, Scene);
			Import.Run();
			UE_LOG(LogFbx, Log, TEXT("Imported %s: %d mesh(es) in the file, %d asset(s) made or replaced%s"), *Filename,
				int32(Scene.Meshes.size()), Import.NumMade(),
				Scene.EmbeddedFilesWritten.empty() ? TEXT("") : *FString::Printf(TEXT(", embedded media written to %s"), *Utf8ToFString(Scene.FbmFolder)));
			return true;
		}

		const bool GRegistered = (RegisterAssetImporter(TEXT("FBX"), { TEXT("fbx") }, [](FAssetImportContext& Context) { return ImportFbx(Context); },
			EExistingAssetCheck::PerAsset), true);
	}
}
