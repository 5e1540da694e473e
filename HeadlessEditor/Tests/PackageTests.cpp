// Package files: what is saved loads back equal after a restart, references across packages
// resolve, the summary is readable alone, and damaged or foreign files are refused.
#include "EditingTestSupport.h"

#include "Animation/Skeleton.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "Engine/Texture2D.h"
#include "Materials/Material.h"
#include "Misc/PackageName.h"
#include "UObject/Package.h"
#include "UObject/SavePackage.h"
#include "HeadlessString.h"
#include "EngineHost.h"

using namespace AssetTest;
using EditingTest::MakeAsset;
using EditingTest::Save;

namespace
{
	FSavePackageArgs PublicStandalone()
	{
		FSavePackageArgs Args;
		Args.TopLevelFlags = RF_Public | RF_Standalone;
		return Args;
	}
}

class PackageTest : public FProjectTest {};

TEST_F(PackageTest, SavedAssetsLoadBackEqualAfterARestart)
{
	UMaterial* Material = MakeAsset<UMaterial>(TEXT("/Game/Kit/M_Kit"));
	UTexture2D* Texture = MakeAsset<UTexture2D>(TEXT("/Game/Kit/Textures/T_Kit"));
	const uint8 Pixels[] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24 };
	Texture->Source.Init(3, 2, 1, 1, TSF_BGRA8, Pixels);
	Texture->CompressionSettings = TC_Masks;
	Texture->SRGB = false;
	FHeadlessAssets::SourceFilePath(*Texture) = TEXT("/tmp/kit.png");

	UStaticMesh* Mesh = TestAssets::MakeTwoSlotStaticMesh(TEXT("/Game/Kit/SM_Kit"), Material);
	FHeadlessAssets::SourceFilePath(*Mesh) = Str(std::string("/tmp/kit \xCE\xB2.fbx"));

	USkeletalMesh* Skinned = TestAssets::MakeSkinnedQuad(TEXT("/Game/Kit/SK_Kit"), Material);
	FHeadlessAssets::Bones(*Skinned->GetSkeleton())[1].LocalTransform[3] = 2.5f;   // a bone transform that is not the identity
	const FHeadlessBone Child = FHeadlessAssets::Bones(*Skinned->GetSkeleton())[1];

	for (UObject* Asset : std::initializer_list<UObject*>{ Material, Texture, Mesh, Skinned }) { Asset->MarkPackageDirty(); }
	for (UObject* Asset : std::initializer_list<UObject*>{ Material, Texture, Mesh, Skinned })
	{
		ASSERT_TRUE(Save(Asset)) << UE::HeadlessEditor::ToUtf8(Asset->GetPathName());
		EXPECT_FALSE(Asset->GetOutermost()->IsDirty());
	}
	ASSERT_TRUE(fs::exists(Project / "Content/Kit/Textures/T_Kit.uasset"));

	const FHeadlessMeshData MeshData = FHeadlessAssets::MeshData(*Mesh);
	const FHeadlessMeshData SkinnedData = FHeadlessAssets::MeshData(*Skinned);
	const TArray<uint8> SourcePixels = FHeadlessAssets::SourceData(Texture->Source);
	Restart();
	EXPECT_EQ(FindObject<UStaticMesh>(nullptr, TEXT("/Game/Kit/SM_Kit.SM_Kit")), nullptr);

	UStaticMesh* LoadedMesh = LoadObject<UStaticMesh>(nullptr, TEXT("/Game/Kit/SM_Kit.SM_Kit"));
	ASSERT_NE(LoadedMesh, nullptr);
	EXPECT_TRUE(FHeadlessAssets::MeshData(*LoadedMesh) == MeshData);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FHeadlessAssets::SourceFilePath(*LoadedMesh)), "/tmp/kit \xCE\xB2.fbx");
	ASSERT_EQ(LoadedMesh->GetStaticMaterials().Num(), 2);
	EXPECT_EQ(LoadedMesh->GetStaticMaterials()[0].MaterialSlotName, FName(TEXT("Body")));
	EXPECT_EQ(LoadedMesh->GetStaticMaterials()[0].ImportedMaterialSlotName, FName(TEXT("Body_Imported")));
	EXPECT_EQ(LoadedMesh->GetStaticMaterials()[1].MaterialInterface, nullptr);
	// The reference to the material's package loaded that package too.
	UMaterialInterface* LoadedMaterial = LoadedMesh->GetStaticMaterials()[0].MaterialInterface;
	ASSERT_NE(LoadedMaterial, nullptr);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(LoadedMaterial->GetPathName()), "/Game/Kit/M_Kit.M_Kit");
	EXPECT_TRUE(LoadedMaterial->IsA<UMaterial>());
	EXPECT_FALSE(LoadedMesh->GetOutermost()->IsDirty());

	UTexture2D* LoadedTexture = LoadObject<UTexture2D>(nullptr, TEXT("/Game/Kit/Textures/T_Kit.T_Kit"));
	ASSERT_NE(LoadedTexture, nullptr);
	EXPECT_TRUE(FHeadlessAssets::SourceData(LoadedTexture->Source) == SourcePixels);
	EXPECT_EQ(LoadedTexture->GetSizeX(), 3);
	EXPECT_EQ(LoadedTexture->GetSizeY(), 2);
	EXPECT_EQ(LoadedTexture->Source.GetFormat(), TSF_BGRA8);
	EXPECT_EQ(LoadedTexture->CompressionSettings, TC_Masks);
	EXPECT_FALSE(LoadedTexture->SRGB);

	USkeletalMesh* LoadedSkinned = LoadObject<USkeletalMesh>(nullptr, TEXT("/Game/Kit/SK_Kit.SK_Kit"));
	ASSERT_NE(LoadedSkinned, nullptr);
	EXPECT_TRUE(FHeadlessAssets::MeshData(*LoadedSkinned) == SkinnedData);
	ASSERT_NE(LoadedSkinned->GetSkeleton(), nullptr);
	EXPECT_EQ(LoadedSkinned->GetSkeleton()->GetOutermost(), LoadedSkinned->GetOutermost());
	ASSERT_EQ(FHeadlessAssets::Bones(*LoadedSkinned->GetSkeleton()).Num(), 2);
	EXPECT_TRUE(FHeadlessAssets::Bones(*LoadedSkinned->GetSkeleton())[1] == Child);
	EXPECT_EQ(LoadedSkinned->GetMaterials()[0].MaterialInterface, LoadedMaterial) << "one material object, shared";
}

TEST_F(PackageTest, SubobjectsAndReferencesInsideAPackageSurvive)
{
	UStaticMesh* Mesh = MakeAsset<UStaticMesh>(TEXT("/Game/SM_Inner"));
	UMaterial* Inner = NewObject<UMaterial>(Mesh, FName(TEXT("InnerMaterial")), RF_Public);
	Mesh->GetStaticMaterials().Add(FStaticMaterial(Inner, FName(TEXT("Slot"))));
	UMaterial* Scratch = NewObject<UMaterial>(GetTransientPackage(), FName(TEXT("Scratch")));
	Mesh->GetStaticMaterials().Add(FStaticMaterial(Scratch, FName(TEXT("Transient"))));
	ASSERT_TRUE(Save(Mesh));
	EXPECT_TRUE(Logged("which is not saved; it is saved as null"));
	Restart();

	UStaticMesh* Loaded = LoadObject<UStaticMesh>(nullptr, TEXT("/Game/SM_Inner.SM_Inner"));
	ASSERT_NE(Loaded, nullptr);
	UMaterialInterface* LoadedInner = Loaded->GetStaticMaterials()[0].MaterialInterface;
	ASSERT_NE(LoadedInner, nullptr);
	EXPECT_EQ(LoadedInner->GetOuter(), Loaded);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(LoadedInner->GetPathName()), "/Game/SM_Inner.SM_Inner:InnerMaterial");
	EXPECT_EQ(Loaded->GetStaticMaterials()[1].MaterialInterface, nullptr);
}

TEST_F(PackageTest, SummaryIsReadableWithoutLoading)
{
	UTexture2D* Texture = MakeAsset<UTexture2D>(TEXT("/Game/Sum/T_Big"));
	std::vector<uint8> Pixels(256 * 256 * 4, 7);
	Texture->Source.Init(256, 256, 1, 1, TSF_BGRA8, Pixels.data());
	NewObject<UMaterial>(Texture->GetOutermost(), FName(TEXT("M_Second")), RF_Public);
	ASSERT_TRUE(Save(Texture));
	Restart();

	UE::HeadlessEditor::FPackageFileSummary Summary;
	FString Error;
	ASSERT_TRUE(UE::HeadlessEditor::ReadPackageFileSummary(Str(Project / "Content/Sum/T_Big.uasset"), Summary, Error)) << UE::HeadlessEditor::ToUtf8(Error);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Summary.PackageName), "/Game/Sum/T_Big");
	EXPECT_EQ(Summary.FormatVersion, 1u);
	ASSERT_EQ(Summary.Assets.Num(), 2);
	EXPECT_EQ(Summary.Assets[0].AssetName, FName(TEXT("T_Big")));
	EXPECT_EQ(Summary.Assets[0].ClassPath, UTexture2D::StaticClass()->GetClassPathName());
	EXPECT_EQ(Summary.Assets[1].ClassPath, UMaterial::StaticClass()->GetClassPathName());
	EXPECT_EQ(UE::HeadlessEditor::FindPackage(TEXT("/Game/Sum/T_Big")), nullptr) << "reading the summary loads nothing";
}

TEST_F(PackageTest, DamagedTruncatedAndForeignFilesAreRefusedWithALogLine)
{
	UStaticMesh* Mesh = MakeAsset<UStaticMesh>(TEXT("/Game/Bad/SM_Good"));
	FHeadlessAssets::MeshData(*Mesh) = TestAssets::MakeTwoSectionQuad(false);
	Mesh->GetStaticMaterials().Add(FStaticMaterial(nullptr, FName(TEXT("Slot"))));
	ASSERT_TRUE(Save(Mesh));
	Restart();
	const fs::path Good = Project / "Content/Bad/SM_Good.uasset";
	const std::vector<uint8> Bytes = ReadBytes(Good);
	ASSERT_GT(Bytes.size(), 64u);

	auto ExpectRefused = [this](const std::vector<uint8>& Content, const std::string& What) {
		const fs::path File = Project / "Content/Bad/SM_Broken.uasset";
		WriteBytes(File, Content);
		ClearLog();
		EXPECT_EQ(LoadPackage(nullptr, TEXT("/Game/Bad/SM_Broken"), LOAD_None), nullptr) << What;
		EXPECT_TRUE(Logged("Failed to load package /Game/Bad/SM_Broken")) << What;
		EXPECT_EQ(UE::HeadlessEditor::FindPackage(TEXT("/Game/Bad/SM_Broken")), nullptr) << What << ": nothing half-made stays";
		EXPECT_EQ(FindObject<UStaticMesh>(nullptr, TEXT("/Game/Bad/SM_Broken.SM_Good")), nullptr) << What;
	};

	// Every cut of the file, at a spread of lengths, including inside the summary.
	for (size_t Cut : { size_t(0), size_t(1), size_t(7), size_t(12), size_t(20), Bytes.size() / 3, Bytes.size() / 2, Bytes.size() - 9, Bytes.size() - 1 })
	{
		ExpectRefused(std::vector<uint8>(Bytes.begin(), Bytes.begin() + static_cast<std::ptrdiff_t>(Cut)), "cut at " + std::to_string(Cut));
	}
	for (size_t At : { size_t(40), Bytes.size() / 2, Bytes.size() - 20 })
	{
		std::vector<uint8> Flipped = Bytes;
		Flipped[At] ^= 0x5A;
		ExpectRefused(Flipped, "byte flipped at " + std::to_string(At));
	}
	ExpectRefused(MakePng(1, 1, 6, 8, { 1, 2, 3, 4 }), "a PNG named .uasset");
	std::vector<uint8> Newer = Bytes;
	Newer[8] = 99;
	ExpectRefused(Newer, "a newer format version");
	EXPECT_TRUE(Logged("version 99 is not supported"));

	// The registry skips such files with a warning and still lists the good one.
	ClearLog();
	Registry().ScanPathsSynchronous({ TEXT("/Game/Bad") }, true);
	EXPECT_EQ(Listed(TEXT("/Game/Bad"), true), std::vector<std::string>({ "/Game/Bad/SM_Good.SM_Good StaticMesh" }));
	EXPECT_TRUE(Logged("Skipping"));
	UE::HeadlessEditor::FPackageFileSummary Summary;
	FString Error;
	EXPECT_FALSE(UE::HeadlessEditor::ReadPackageFileSummary(Str(Project / "Content/Bad/Missing.uasset"), Summary, Error));
	EXPECT_NE(LoadPackage(nullptr, TEXT("/Game/Bad/SM_Good"), LOAD_None), nullptr);
}

TEST_F(PackageTest, SaveRefusesWhatCannotBeSaved)
{
	UMaterial* Scratch = NewObject<UMaterial>(GetTransientPackage(), FName(TEXT("M_Scratch")));
	const FString Target = Str(Project / "Content/M_Scratch.uasset");
	EXPECT_FALSE(UPackage::SavePackage(GetTransientPackage(), Scratch, *Target, PublicStandalone()));
	UMaterial* Material = MakeAsset<UMaterial>(TEXT("/Game/M_Real"));
	EXPECT_FALSE(UPackage::SavePackage(Material->GetOutermost(), Scratch, *Target, PublicStandalone())) << "the asset must be in the package";
	EXPECT_FALSE(UPackage::SavePackage(nullptr, Material, *Target, PublicStandalone()));
	EXPECT_FALSE(UPackage::SavePackage(Material->GetOutermost(), Material, TEXT(""), PublicStandalone()));
	EXPECT_FALSE(fs::exists(Project / "Content/M_Scratch.uasset"));

	// A file that cannot be written (its folder is a file) is a failure, and the package stays dirty.
	Material->MarkPackageDirty();
	WriteBytes(Project / "Content/Blocked", { 1 });
	EXPECT_FALSE(UPackage::SavePackage(Material->GetOutermost(), Material, *Str(Project / "Content/Blocked/M_Real.uasset"), PublicStandalone()));
	EXPECT_TRUE(Material->GetOutermost()->IsDirty());
}

TEST_F(PackageTest, FullyLoadReadsTheFileIntoAnEmptyPackageOnly)
{
	UMaterial* Material = MakeAsset<UMaterial>(TEXT("/Game/M_Disk"));
	ASSERT_TRUE(Save(Material));
	Restart();

	UPackage* Package = CreatePackage(TEXT("/Game/M_Disk"));
	EXPECT_EQ(StaticFindObject(nullptr, Package, TEXT("M_Disk")), nullptr) << "CreatePackage does not load";
	Package->FullyLoad();
	EXPECT_NE(FindObject<UMaterial>(Package, TEXT("M_Disk")), nullptr);
	EXPECT_TRUE(Package->IsFullyLoaded());
	EXPECT_FALSE(Package->IsDirty());

	// Objects made in memory are not read over.
	Restart();
	UPackage* Fresh = CreatePackage(TEXT("/Game/M_Disk"));
	UTexture2D* Made = NewObject<UTexture2D>(Fresh, FName(TEXT("T_New")), RF_Public);
	Fresh->FullyLoad();
	EXPECT_TRUE(IsValid(Made));
	EXPECT_EQ(FindObject<UMaterial>(Fresh, TEXT("M_Disk")), nullptr);
}
