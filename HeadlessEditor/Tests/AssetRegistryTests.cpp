// The asset registry: its documented order, paths recursive or not, in-memory and on-disk assets,
// assets saved by an earlier run found after a scan and loaded on demand.
#include "EditingTestSupport.h"

#include "Engine/StaticMesh.h"
#include "Engine/Texture2D.h"
#include "Materials/Material.h"
#include "Misc/PackageName.h"
#include "UObject/Package.h"
#include "UObject/SavePackage.h"
#include "HeadlessString.h"

using namespace AssetTest;
using EditingTest::Save;

namespace
{
	// As an editor factory leaves a new asset: announced to the registry, its package dirty.
	template <class T>
	T* MakeAsset(const TCHAR* PackageName)
	{
		T* Asset = TestAssets::MakeAsset<T>(PackageName);
		FAssetRegistryModule::AssetCreated(Asset);
		Asset->MarkPackageDirty();
		return Asset;
	}
}

class AssetRegistryTest : public FProjectTest {};

TEST_F(AssetRegistryTest, ListsAreOrderedByPackageThenAssetIgnoringCase)
{
	// Made in a scrambled order, some saved, some only in memory.
	MakeAsset<UMaterial>(TEXT("/Game/Order/b_mat"));
	UStaticMesh* Saved = MakeAsset<UStaticMesh>(TEXT("/Game/Order/Sub/Zed"));
	MakeAsset<UTexture2D>(TEXT("/Game/Order/A_Tex"));
	UMaterial* Second = NewObject<UMaterial>(CreatePackage(TEXT("/Game/Order/C")), FName(TEXT("Beta")), RF_Public);
	NewObject<UMaterial>(Second->GetOutermost(), FName(TEXT("alpha")), RF_Public);
	MakeAsset<UMaterial>(TEXT("/Game/Order/Sub/a"));
	MakeAsset<UMaterial>(TEXT("/Game/Orderly/Elsewhere"));
	ASSERT_TRUE(Save(Saved));

	EXPECT_EQ(Listed(TEXT("/Game/Order"), false), std::vector<std::string>({
		"/Game/Order/A_Tex.A_Tex Texture2D",
		"/Game/Order/b_mat.b_mat Material",
		"/Game/Order/C.alpha Material",
		"/Game/Order/C.Beta Material",
	}));
	EXPECT_EQ(Listed(TEXT("/Game/Order/"), true), std::vector<std::string>({
		"/Game/Order/A_Tex.A_Tex Texture2D",
		"/Game/Order/b_mat.b_mat Material",
		"/Game/Order/C.alpha Material",
		"/Game/Order/C.Beta Material",
		"/Game/Order/Sub/a.a Material",
		"/Game/Order/Sub/Zed.Zed StaticMesh",
	})) << "a trailing '/' is the same path; /Game/Orderly is not under /Game/Order";
	EXPECT_EQ(Listed(TEXT("/Game/Order"), true, true), std::vector<std::string>({ "/Game/Order/Sub/Zed.Zed StaticMesh" }))
		<< "only on disk: the one saved package";
	EXPECT_TRUE(Listed(TEXT("/Game/Nothing"), true).empty());
	EXPECT_TRUE(Listed(TEXT("/Game/Order/A_Tex"), false).empty()) << "a package name is not a folder";
}

TEST_F(AssetRegistryTest, AssetsSavedByAnEarlierRunAreFoundAfterAScanAndLoadOnDemand)
{
	UStaticMesh* Mesh = MakeAsset<UStaticMesh>(TEXT("/Game/Imports/Chair/SM_Chair"));
	UMaterial* Material = MakeAsset<UMaterial>(TEXT("/Game/Imports/Chair/M_Chair"));
	Mesh->GetStaticMaterials().Add(FStaticMaterial(Material, FName(TEXT("Seat"))));
	ASSERT_TRUE(Save(Mesh));
	ASSERT_TRUE(Save(Material));
	Restart();

	EXPECT_TRUE(Listed(TEXT("/Game/Imports"), true).empty()) << "a new run knows nothing before it scans";
	Registry().ScanPathsSynchronous({ TEXT("/Game/Imports/Chair") }, true);
	TArray<FAssetData> Assets;
	ASSERT_TRUE(Registry().GetAssetsByPath(FName(TEXT("/Game/Imports/Chair")), Assets, true, false));
	ASSERT_EQ(Assets.Num(), 2);
	EXPECT_EQ(Assets[0].AssetName, FName(TEXT("M_Chair")));
	EXPECT_EQ(Assets[1].AssetName, FName(TEXT("SM_Chair")));
	EXPECT_EQ(Assets[1].PackageName, FName(TEXT("/Game/Imports/Chair/SM_Chair")));
	EXPECT_EQ(Assets[1].PackagePath, FName(TEXT("/Game/Imports/Chair")));
	EXPECT_EQ(Assets[1].AssetClassPath, UStaticMesh::StaticClass()->GetClassPathName());
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Assets[1].GetObjectPathString()), "/Game/Imports/Chair/SM_Chair.SM_Chair");
	EXPECT_FALSE(Assets[1].IsAssetLoaded());

	UObject* Loaded = Assets[1].GetAsset();
	ASSERT_NE(Loaded, nullptr);
	EXPECT_TRUE(Loaded->IsA<UStaticMesh>());
	EXPECT_TRUE(Assets[1].IsAssetLoaded());
	EXPECT_EQ(Assets[1].GetAsset(), Loaded) << "a second call finds the loaded object";
	UStaticMesh* LoadedMesh = Cast<UStaticMesh>(Loaded);
	EXPECT_EQ(LoadedMesh->GetStaticMaterials()[0].MaterialInterface, Assets[0].GetAsset());
	EXPECT_FALSE(LoadedMesh->GetOutermost()->IsDirty());

	// Listing after loading gives the same entries, once each.
	EXPECT_EQ(Listed(TEXT("/Game/Imports/Chair"), false).size(), 2u);
}

TEST_F(AssetRegistryTest, ScansFollowTheDiskAndSavesAreKnownAtOnce)
{
	UMaterial* Material = MakeAsset<UMaterial>(TEXT("/Game/Scan/M_One"));
	ASSERT_TRUE(Save(Material));
	EXPECT_EQ(Listed(TEXT("/Game/Scan"), false, true).size(), 1u) << "a save updates the registry without a scan";
	Restart();
	Registry().ScanPathsSynchronous({ TEXT("/Game") });
	EXPECT_EQ(Listed(TEXT("/Game/Scan"), false).size(), 1u);

	// A file removed behind the registry's back is forgotten on a forced rescan, not on a plain one.
	fs::remove(Project / "Content/Scan/M_One.uasset");
	Registry().ScanPathsSynchronous({ TEXT("/Game/Scan") }, false);
	EXPECT_EQ(Listed(TEXT("/Game/Scan"), false).size(), 1u);
	Registry().ScanPathsSynchronous({ TEXT("/Game/Scan") }, true);
	EXPECT_TRUE(Listed(TEXT("/Game/Scan"), false).empty());

	// An asset that cannot be loaded any more gives null, not a crash.
	FAssetData Gone(FName(TEXT("/Game/Scan/M_One")), FName(TEXT("/Game/Scan")), FName(TEXT("M_One")), UMaterial::StaticClass()->GetClassPathName());
	EXPECT_EQ(Gone.GetAsset(), nullptr);
	EXPECT_EQ(FAssetData().GetAsset(), nullptr);

	// Scanning a path outside every mounted root is a warning and nothing else.
	Registry().ScanPathsSynchronous({ TEXT("/Elsewhere/Thing") }, true);
	EXPECT_TRUE(Logged("not under a mounted content path"));
}

TEST_F(AssetRegistryTest, TransientAndInnerObjectsAreNotAssets)
{
	UMaterial* Asset = MakeAsset<UMaterial>(TEXT("/Game/Kinds/M_Asset"));
	NewObject<UMaterial>(Asset, FName(TEXT("Inner")), RF_Public);
	NewObject<UMaterial>(GetTransientPackage(), FName(TEXT("M_Scratch")), RF_Public);
	NewObject<UMaterial>(Asset->GetOutermost(), FName(TEXT("M_Temp")), RF_Transient);
	TArray<FAssetData> All;
	Registry().GetAllAssets(All);
	std::vector<std::string> Names;
	for (const FAssetData& Data : All) { Names.push_back(UE::HeadlessEditor::ToUtf8(Data.AssetName.ToString())); }
	EXPECT_EQ(Names, std::vector<std::string>({ "M_Asset" }));
}
