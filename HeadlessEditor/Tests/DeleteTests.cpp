// ObjectTools::DeleteSingleObject: the reference check refuses an asset in use; a forced delete
// clears (and says) what referred to it; a deleted asset leaves the registry and, with the last
// object of its package, its file leaves the disk.
#include "EditingTestSupport.h"

#include "ObjectTools.h"
#include "Editor.h"
#include "Selection.h"
#include "Engine/StaticMesh.h"
#include "Engine/StaticMeshActor.h"
#include "Engine/World.h"
#include "Components/StaticMeshComponent.h"
#include "MaterialEditingLibrary.h"
#include "Materials/Material.h"
#include "Materials/MaterialExpressionTextureSample.h"

#include "EditorHost.h"

using namespace AssetTest;
using namespace EditingTest;

namespace
{
	class DeleteTest : public FProjectTest
	{
	protected:
		void SetUp() override
		{
			FProjectTest::SetUp();
			UE::HeadlessEditor::ResetEditorWorld();
		}

		// A mesh whose one slot holds a material, both saved.
		static std::pair<UStaticMesh*, UMaterial*> MakeMeshWithMaterial()
		{
			UMaterial* Material = MakeAsset<UMaterial>(TEXT("/Game/Del/M_Used"));
			UStaticMesh* Mesh = MakeAsset<UStaticMesh>(TEXT("/Game/Del/SM_User"));
			Mesh->SetStaticMaterials({ FStaticMaterial(Material, FName(TEXT("Body"))) });
			EXPECT_TRUE(Save(Material));
			EXPECT_TRUE(Save(Mesh));
			return { Mesh, Material };
		}
	};
}

TEST_F(DeleteTest, TheReferenceCheckRefusesAnAssetInUse)
{
	const auto [Mesh, Material] = MakeMeshWithMaterial();
	const fs::path MaterialFile = Project / "Content/Del/M_Used.uasset";
	ASSERT_TRUE(fs::exists(MaterialFile));

	ClearLog();
	EXPECT_FALSE(ObjectTools::DeleteSingleObject(Material, true));
	EXPECT_TRUE(IsValid(Material));
	EXPECT_EQ(Mesh->GetMaterial(0), Material);
	EXPECT_TRUE(fs::exists(MaterialFile));
	EXPECT_TRUE(Logged("Could not delete /Game/Del/M_Used.M_Used: it is still referenced by /Game/Del/SM_User.SM_User"));
	EXPECT_EQ(Listed(TEXT("/Game/Del"), false), (std::vector<std::string>{ "/Game/Del/M_Used.M_Used Material", "/Game/Del/SM_User.SM_User StaticMesh" }));

	// Once nothing uses it, the same call deletes it: registry and disk.
	Mesh->SetMaterial(0, nullptr);
	EXPECT_TRUE(ObjectTools::DeleteSingleObject(Material, true));
	EXPECT_FALSE(fs::exists(MaterialFile));
	EXPECT_EQ(Listed(TEXT("/Game/Del"), false), std::vector<std::string>{ "/Game/Del/SM_User.SM_User StaticMesh" });
	Restart();
	Registry().ScanPathsSynchronous({ TEXT("/Game/Del") }, true);
	EXPECT_EQ(Listed(TEXT("/Game/Del"), false), std::vector<std::string>{ "/Game/Del/SM_User.SM_User StaticMesh" });
}

TEST_F(DeleteTest, AForcedDeleteLeavesNullReferencesThatAreSavedAsNull)
{
	const auto [Mesh, Material] = MakeMeshWithMaterial();
	// A material node and a placed actor use assets too.
	UTexture2D* Texture = MakeTexture(TEXT("/Game/Del/T_Used"), TC_Default, true);
	auto* Node = Cast<UMaterialExpressionTextureSample>(UMaterialEditingLibrary::CreateMaterialExpression(Material, UMaterialExpressionTextureSample::StaticClass()));
	Node->Texture = Texture;
	ASSERT_TRUE(Save(Texture));
	ASSERT_TRUE(Save(Material));
	UWorld* World = GEditor->GetEditorWorldContext().World();
	auto* Actor = Cast<AStaticMeshActor>(World->SpawnActor(AStaticMeshActor::StaticClass(), &FTransform::Identity, FActorSpawnParameters()));
	ASSERT_NE(Actor, nullptr);
	Actor->GetStaticMeshComponent()->SetStaticMesh(Mesh);

	ClearLog();
	EXPECT_TRUE(ObjectTools::DeleteSingleObject(Material, false));
	EXPECT_EQ(Mesh->GetStaticMaterials().Num(), 1);
	EXPECT_EQ(Mesh->GetMaterial(0), nullptr);
	EXPECT_EQ(Mesh->GetStaticMaterials()[0].MaterialSlotName, FName(TEXT("Body")));
	EXPECT_TRUE(Mesh->GetOutermost()->IsDirty());
	EXPECT_TRUE(Logged("Warning: /Game/Del/SM_User.SM_User still referred to /Game/Del/M_Used.M_Used; that reference is now null and will be saved as null"));
	EXPECT_FALSE(fs::exists(Project / "Content/Del/M_Used.uasset"));
	// The material's own node went with it; the texture it used stays.
	EXPECT_TRUE(IsValid(Texture));

	ASSERT_TRUE(Save(Mesh));
	EXPECT_TRUE(ObjectTools::DeleteSingleObject(Mesh, false));
	EXPECT_TRUE(Logged("StaticMeshComponent0 still referred to /Game/Del/SM_User.SM_User"));
	EXPECT_EQ(Actor->GetStaticMeshComponent()->GetStaticMesh(), nullptr);
	EXPECT_FALSE(fs::exists(Project / "Content/Del/SM_User.uasset"));
	EXPECT_EQ(Listed(TEXT("/Game/Del"), false), std::vector<std::string>{ "/Game/Del/T_Used.T_Used Texture2D" });
}

TEST_F(DeleteTest, ANullReferenceLoadsBackAsNull)
{
	const auto [Mesh, Material] = MakeMeshWithMaterial();
	ASSERT_TRUE(ObjectTools::DeleteSingleObject(Material, false));
	ASSERT_TRUE(Save(Mesh));
	Restart();
	UStaticMesh* Loaded = LoadObject<UStaticMesh>(nullptr, TEXT("/Game/Del/SM_User.SM_User"));
	ASSERT_NE(Loaded, nullptr);
	ASSERT_EQ(Loaded->GetStaticMaterials().Num(), 1);
	EXPECT_EQ(Loaded->GetMaterial(0), nullptr);
	EXPECT_EQ(Loaded->GetStaticMaterials()[0].MaterialSlotName, FName(TEXT("Body")));
}

TEST_F(DeleteTest, APackageThatStillHoldsAnotherAssetKeepsItsFile)
{
	UPackage* Package = CreatePackage(TEXT("/Game/Two/Both"));
	UMaterial* First = NewObject<UMaterial>(Package, FName(TEXT("Both")), RF_Public | RF_Standalone);
	UMaterial* Second = NewObject<UMaterial>(Package, FName(TEXT("Extra")), RF_Public | RF_Standalone);
	ASSERT_TRUE(Save(First));
	ASSERT_TRUE(IsValid(Second));
	EXPECT_TRUE(ObjectTools::DeleteSingleObject(Second, true));
	EXPECT_TRUE(fs::exists(Project / "Content/Two/Both.uasset"));
	EXPECT_TRUE(Package->IsDirty());
	EXPECT_EQ(Listed(TEXT("/Game/Two"), false), std::vector<std::string>{ "/Game/Two/Both.Both Material" });
	ASSERT_TRUE(Save(First));
	Restart();
	Registry().ScanPathsSynchronous({ TEXT("/Game/Two") });
	EXPECT_EQ(Listed(TEXT("/Game/Two"), false), std::vector<std::string>{ "/Game/Two/Both.Both Material" });
}

TEST_F(DeleteTest, DeletingASelectedActorTakesItOutOfTheLevelAndTheSelection)
{
	UWorld* World = GEditor->GetEditorWorldContext().World();
	AActor* Actor = World->SpawnActor(AStaticMeshActor::StaticClass(), &FTransform::Identity, FActorSpawnParameters());
	ASSERT_NE(Actor, nullptr);
	GEditor->SelectActor(Actor, true, true, false, false);
	ASSERT_EQ(GEditor->GetSelectedActorCount(), 1);
	// The level holding its actor is not a use of it.
	EXPECT_TRUE(ObjectTools::DeleteSingleObject(Actor, true));
	EXPECT_EQ(GEditor->GetSelectedActorCount(), 0);
	EXPECT_TRUE(LiveActors(World).IsEmpty());

	EXPECT_FALSE(ObjectTools::DeleteSingleObject(nullptr, false));
	EXPECT_FALSE(ObjectTools::DeleteSingleObject(GetTransientPackage(), false));
}
