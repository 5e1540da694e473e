// Objects and classes: engine class paths, names and paths, casts, replacing in place, dirtiness,
// destruction with its reference clean-up, and package names.
#include "AssetTestSupport.h"

#include "Animation/Skeleton.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "Engine/Texture2D.h"
#include "Materials/Material.h"
#include "Misc/PackageName.h"
#include "Misc/Paths.h"
#include "Templates/SubclassOf.h"
#include "UObject/Package.h"
#include "HeadlessString.h"

using namespace AssetTest;

class ObjectTest : public FProjectTest {};

TEST_F(ObjectTest, ClassesHaveTheEnginePathsAndHierarchy)
{
	const std::pair<UClass*, const char*> Expected[] = {
		{ UStaticMesh::StaticClass(), "/Script/Engine.StaticMesh" },
		{ USkeletalMesh::StaticClass(), "/Script/Engine.SkeletalMesh" },
		{ USkeleton::StaticClass(), "/Script/Engine.Skeleton" },
		{ UTexture2D::StaticClass(), "/Script/Engine.Texture2D" },
		{ UTexture::StaticClass(), "/Script/Engine.Texture" },
		{ UMaterial::StaticClass(), "/Script/Engine.Material" },
		{ UMaterialInterface::StaticClass(), "/Script/Engine.MaterialInterface" },
		{ UPackage::StaticClass(), "/Script/CoreUObject.Package" },
		{ UObject::StaticClass(), "/Script/CoreUObject.Object" },
		{ UAutomatedAssetImportData::StaticClass(), "/Script/UnrealEd.AutomatedAssetImportData" },
	};
	for (const auto& [Class, Path] : Expected)
	{
		EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Class->GetClassPathName().ToString()), Path);
		EXPECT_EQ(FindObject<UClass>(FTopLevelAssetPath(Str(std::string(Path)))), Class) << Path;
		EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Class->GetPathName()), Path);
		EXPECT_EQ(Class->GetClass(), UClass::StaticClass());
	}
	EXPECT_TRUE(UTexture2D::StaticClass()->IsChildOf(UTexture::StaticClass()));
	EXPECT_TRUE(UMaterial::StaticClass()->IsChildOf<UMaterialInterface>());
	EXPECT_FALSE(UMaterialInterface::StaticClass()->IsChildOf(UMaterial::StaticClass()));
	EXPECT_TRUE(USkeletalMesh::StaticClass()->IsChildOf(UObject::StaticClass()));
	EXPECT_EQ(FindObject<UClass>(FTopLevelAssetPath(TEXT("/Script/Engine.NoSuchClass"))), nullptr);
	EXPECT_EQ(FindObject<UClass>(nullptr, TEXT("/Script/Engine.StaticMesh")), UStaticMesh::StaticClass());

	TSubclassOf<UTexture> TextureClass = UTexture2D::StaticClass();
	EXPECT_EQ(TextureClass.Get(), UTexture2D::StaticClass());
	TSubclassOf<UTexture> NotATexture = UMaterial::StaticClass();
	EXPECT_EQ(NotATexture.Get(), nullptr);
}

TEST_F(ObjectTest, NamesPathsOutersAndCasts)
{
	UPackage* Package = CreatePackage(TEXT("/Game/Props/SM_Chair"));
	ASSERT_NE(Package, nullptr);
	EXPECT_EQ(CreatePackage(TEXT("/Game/Props/SM_Chair")), Package);
	UStaticMesh* Mesh = NewObject<UStaticMesh>(Package, FName(TEXT("SM_Chair")), RF_Public | RF_Standalone | RF_Transactional);
	ASSERT_NE(Mesh, nullptr);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Mesh->GetName()), "SM_Chair");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Mesh->GetPathName()), "/Game/Props/SM_Chair.SM_Chair");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Mesh->GetFullName()), "StaticMesh /Game/Props/SM_Chair.SM_Chair");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Package->GetPathName()), "/Game/Props/SM_Chair");
	EXPECT_EQ(Mesh->GetOutermost(), Package);
	EXPECT_TRUE(Mesh->HasAllFlags(RF_Public | RF_Standalone));
	EXPECT_TRUE(Mesh->IsAsset());

	UMaterial* Inner = NewObject<UMaterial>(Mesh, FName(TEXT("Inner")));
	UMaterial* Deeper = NewObject<UMaterial>(Inner, FName(TEXT("Deeper")));
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Inner->GetPathName()), "/Game/Props/SM_Chair.SM_Chair:Inner");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Deeper->GetPathName()), "/Game/Props/SM_Chair.SM_Chair:Inner.Deeper");
	EXPECT_EQ(Deeper->GetOutermost(), Package);
	EXPECT_EQ(Deeper->GetTypedOuter<UStaticMesh>(), Mesh);
	EXPECT_FALSE(Inner->IsAsset());
	EXPECT_EQ(StaticFindObject(UMaterial::StaticClass(), nullptr, TEXT("/Game/Props/SM_Chair.SM_Chair:Inner.Deeper")), Deeper);
	EXPECT_EQ(FindObject<UStaticMesh>(nullptr, TEXT("/Game/Props/SM_Chair")), Mesh);
	EXPECT_EQ(FindObject<UTexture2D>(nullptr, TEXT("/Game/Props/SM_Chair.SM_Chair")), nullptr);

	UObject* AsObject = Mesh;
	const UObject* AsConst = Mesh;
	EXPECT_EQ(Cast<UStaticMesh>(AsObject), Mesh);
	EXPECT_EQ(Cast<UStreamableRenderAsset>(AsObject), Mesh);
	EXPECT_EQ(Cast<UTexture2D>(AsObject), nullptr);
	EXPECT_EQ(Cast<UStaticMesh>(static_cast<UObject*>(nullptr)), nullptr);
	const UStaticMesh* ConstMesh = Cast<UStaticMesh>(AsConst);
	EXPECT_EQ(ConstMesh, Mesh);
	EXPECT_EQ(CastChecked<UStaticMesh>(AsObject), Mesh);
	EXPECT_TRUE(Mesh->IsA<UStreamableRenderAsset>());
	EXPECT_FALSE(Mesh->IsA(UTexture::StaticClass()));

	// Unnamed objects get unique "<Class>_<N>" names.
	UMaterial* A = NewObject<UMaterial>(Package);
	UMaterial* B = NewObject<UMaterial>(Package);
	EXPECT_NE(A->GetFName(), B->GetFName());
	EXPECT_TRUE(A->GetName().StartsWith(TEXT("Material_")));

	// TObjectPtr converts both ways and compares with raw pointers and null.
	TObjectPtr<UMaterialInterface> Ptr = A;
	EXPECT_TRUE(Ptr == A);
	EXPECT_FALSE(Ptr == nullptr);
	UMaterialInterface* Raw = Ptr;
	EXPECT_EQ(Raw, A);
	Ptr = nullptr;
	EXPECT_TRUE(!Ptr);
}

TEST_F(ObjectTest, NewObjectWithAnExistingNameReplacesInPlace)
{
	UPackage* Package = CreatePackage(TEXT("/Game/T_Wood"));
	UTexture2D* First = NewObject<UTexture2D>(Package, FName(TEXT("T_Wood")), RF_Public);
	First->CompressionSettings = TC_Normalmap;
	First->SRGB = false;
	UMaterial* Sub = NewObject<UMaterial>(First, FName(TEXT("Sub")));
	EXPECT_TRUE(IsValid(Sub));

	UTexture2D* Second = NewObject<UTexture2D>(Package, FName(TEXT("T_Wood")), RF_Public);
	EXPECT_EQ(Second, First);   // same address: pointers held elsewhere stay valid
	EXPECT_EQ(Second->CompressionSettings, TC_Default);
	EXPECT_TRUE(Second->SRGB);
	EXPECT_FALSE(IsValid(Sub)) << "objects inside the old object go with it";
	EXPECT_EQ(UE::HeadlessEditor::GetObjectsWithOuter(Package, true).Num(), 1);

	// Another class under the same name is refused, the old object untouched.
	EXPECT_EQ(NewObject<UMaterial>(Package, FName(TEXT("T_Wood"))), nullptr);
	EXPECT_TRUE(Logged("Cannot replace existing object"));
	EXPECT_TRUE(IsValid(First));

	// Abstract classes cannot be made.
	EXPECT_EQ(NewObject<UTexture>(Package, UTexture::StaticClass()), nullptr);
	// A class that is not a T is refused.
	EXPECT_EQ(NewObject<UTexture>(Package, UMaterial::StaticClass()), nullptr);
}

TEST_F(ObjectTest, DirtinessFollowsMarkPackageDirtyExceptForTransient)
{
	UPackage* Package = CreatePackage(TEXT("/Game/M_Red"));
	UMaterial* Material = NewObject<UMaterial>(Package, FName(TEXT("M_Red")), RF_Public | RF_Standalone);
	EXPECT_FALSE(Package->IsDirty());
	EXPECT_TRUE(Material->MarkPackageDirty());
	EXPECT_TRUE(Package->IsDirty());
	Package->SetDirtyFlag(false);
	EXPECT_FALSE(Package->IsDirty());
	EXPECT_TRUE(Material->Modify());
	EXPECT_TRUE(Package->IsDirty());

	UMaterial* Scratch = NewObject<UMaterial>();
	EXPECT_EQ(Scratch->GetOutermost(), GetTransientPackage());
	EXPECT_FALSE(Scratch->MarkPackageDirty());
	EXPECT_FALSE(GetTransientPackage()->IsDirty());
}

TEST_F(ObjectTest, DestroyingAnObjectClearsEveryReferenceToIt)
{
	UPackage* MeshPackage = CreatePackage(TEXT("/Game/SM_Box"));
	UStaticMesh* Mesh = NewObject<UStaticMesh>(MeshPackage, FName(TEXT("SM_Box")), RF_Public | RF_Standalone);
	UPackage* MaterialPackage = CreatePackage(TEXT("/Game/M_Box"));
	UMaterial* Material = NewObject<UMaterial>(MaterialPackage, FName(TEXT("M_Box")), RF_Public | RF_Standalone);
	UMaterial* Other = NewObject<UMaterial>(MaterialPackage, FName(TEXT("M_Other")), RF_Public | RF_Standalone);
	Mesh->GetStaticMaterials().Add(FStaticMaterial(Material, FName(TEXT("Body"))));
	Mesh->GetStaticMaterials().Add(FStaticMaterial(Other, FName(TEXT("Trim"))));
	USkeletalMesh* Skinned = NewObject<USkeletalMesh>(CreatePackage(TEXT("/Game/SK_Box")), FName(TEXT("SK_Box")), RF_Public);
	Skinned->GetMaterials().Add(FSkeletalMaterial(Material, FName(TEXT("Body"))));

	const TArray<UObject*> Referenced = UE::HeadlessEditor::GetReferencedObjects(Mesh);
	EXPECT_EQ(Referenced.Num(), 2);
	TArray<UObject*> Referencers = UE::HeadlessEditor::FindReferencers(Material);
	EXPECT_EQ(Referencers.Num(), 2);
	EXPECT_TRUE(Referencers.Contains(Mesh));
	EXPECT_TRUE(Referencers.Contains(Skinned));

	UE::HeadlessEditor::DestroyObject(Material);
	EXPECT_FALSE(IsValid(Material));
	EXPECT_EQ(Mesh->GetStaticMaterials()[0].MaterialInterface, nullptr);
	EXPECT_EQ(Mesh->GetStaticMaterials()[1].MaterialInterface, Other);
	EXPECT_EQ(Mesh->GetStaticMaterials()[0].MaterialSlotName, FName(TEXT("Body")));
	EXPECT_EQ(Skinned->GetMaterials()[0].MaterialInterface, nullptr);
	EXPECT_TRUE(MeshPackage->IsDirty()) << "a holder that lost a reference needs a save";
	EXPECT_EQ(StaticFindObject(nullptr, MaterialPackage, TEXT("M_Box")), nullptr);

	// Destroying a package takes what it holds.
	UE::HeadlessEditor::DestroyObject(MaterialPackage);
	EXPECT_FALSE(IsValid(Other));
	EXPECT_EQ(Mesh->GetStaticMaterials()[1].MaterialInterface, nullptr);
	EXPECT_EQ(UE::HeadlessEditor::FindPackage(TEXT("/Game/M_Box")), nullptr);
}

TEST_F(ObjectTest, SetMaterialReplacesOnlyAnExistingSlot)
{
	UStaticMesh* Mesh = NewObject<UStaticMesh>(CreatePackage(TEXT("/Game/SM_Slots")), FName(TEXT("SM_Slots")), RF_Public);
	UMaterial* Material = NewObject<UMaterial>(CreatePackage(TEXT("/Game/M_Slots")), FName(TEXT("M_Slots")), RF_Public);
	Mesh->GetStaticMaterials().Add(FStaticMaterial(nullptr, FName(TEXT("A"))));
	Mesh->SetMaterial(0, Material);
	Mesh->SetMaterial(1, Material);
	Mesh->SetMaterial(-1, Material);
	ASSERT_EQ(Mesh->GetStaticMaterials().Num(), 1);
	EXPECT_EQ(Mesh->GetMaterial(0), Material);
	EXPECT_EQ(Mesh->GetMaterial(1), nullptr);
	EXPECT_EQ(Mesh->GetMaterialIndex(FName(TEXT("a"))), 0) << "names ignore case, as the engine's do";
}

TEST_F(ObjectTest, PackageNamesMapToTheContentFolder)
{
	FString Filename;
	ASSERT_TRUE(FPackageName::TryConvertLongPackageNameToFilename(TEXT("/Game/MOLDARIImports/Chair/SM_Chair"), Filename, FPackageName::GetAssetPackageExtension()));
	EXPECT_EQ(Filename, FPaths::ProjectContentDir() + TEXT("MOLDARIImports/Chair/SM_Chair.uasset"));
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPackageName::GetMapPackageExtension()), ".umap");
	EXPECT_TRUE(FPackageName::TryConvertLongPackageNameToFilename(TEXT("/Game/A"), Filename));
	EXPECT_EQ(Filename, FPaths::ProjectContentDir() + TEXT("A"));

	for (const TCHAR* Bad : { TEXT("Game/A"), TEXT("/Game"), TEXT("/Game/"), TEXT("/Game/A/"), TEXT("/Game//A"), TEXT("/Game/A.B"), TEXT("/Game/A B"),
		TEXT("/Game/../A"), TEXT("/Engine/A"), TEXT("/Game/A:B"), TEXT("") })
	{
		EXPECT_FALSE(FPackageName::TryConvertLongPackageNameToFilename(Bad, Filename)) << UE::HeadlessEditor::ToUtf8(FString(Bad));
	}
	EXPECT_EQ(CreatePackage(TEXT("/Game/Not Valid")), nullptr);
	EXPECT_EQ(CreatePackage(TEXT("relative/name")), nullptr);

	FString PackageName;
	EXPECT_TRUE(FPackageName::TryConvertFilenameToLongPackageName(FPaths::ProjectContentDir() + TEXT("A/B.uasset"), PackageName));
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(PackageName), "/Game/A/B");
	EXPECT_FALSE(FPackageName::TryConvertFilenameToLongPackageName(TEXT("/etc/passwd"), PackageName));
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPackageName::GetLongPackagePath(TEXT("/Game/A/B"))), "/Game/A");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPackageName::GetShortName(TEXT("/Game/A/B"))), "B");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPackageName::ObjectPathToPackageName(TEXT("/Game/A/B.B:Sub"))), "/Game/A/B");
}
