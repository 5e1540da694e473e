// The PBR material built from metadata.json for the real test models: graph, textures, slots,
// the clean-up of what the FBX import generated, and every road that builds nothing.
#include "MOLDARIImport.h"
#include "MOLDARIImportTestModels.h"

#include "AssetRegistry/AssetRegistryModule.h"
#include "Engine/EngineTypes.h"
#include "Engine/SkinnedAssetCommon.h"
#include "Engine/Texture2D.h"
#include "Engine/TextureDefines.h"
#include "Materials/Material.h"
#include "Materials/MaterialInstanceConstant.h"
#include "Materials/MaterialExpressionTextureSample.h"
#include "Misc/AutomationTest.h"
#include "SceneTypes.h"
#include "UObject/Package.h"

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	using namespace MOLDARIImportTest;
	const EAutomationTestFlags ImportTestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;

	UMaterial* FindBuiltMaterial(const FString& DestPath, const FString& Name)
	{
		const FString MaterialName = FString(TEXT("M_")) + Name + TEXT("_PBR");
		UMaterial* Material = FindObject<UMaterial>(nullptr, *(DestPath / MaterialName + TEXT(".") + MaterialName));
		return IsValid(Material) ? Material : nullptr;
	}

	TArray<UMaterialInterface*> SlotMaterials(const FImportedModel& Model)
	{
		// The slots of every mesh of the model, in mesh then slot order.
		TArray<UMaterialInterface*> Out;
		for (UStaticMesh* Mesh : Model.StaticMeshes) { for (const FStaticMaterial& Slot : Mesh->GetStaticMaterials()) { Out.Add(Slot.MaterialInterface); } }
		for (USkeletalMesh* Mesh : Model.SkeletalMeshes) { for (const FSkeletalMaterial& Slot : Mesh->GetMaterials()) { Out.Add(Slot.MaterialInterface); } }
		return Out;
	}

	// Every slot points at a live material whose graph (its own, or its parent's for an instance)
	// is live and samples only live textures: the clean-up deleted nothing still in use.
	void TestNoDanglingSlots(FAutomationTestBase& Test, const FImportedModel& Model)
	{
		for (UMaterialInterface* Material : SlotMaterials(Model))
		{
			UMaterial* Graph = IsValid(Material) ? Material->GetMaterial() : nullptr;
			if (!Test.TestTrue(TEXT("slot material and its graph alive"), IsValid(Graph))) { continue; }
			for (const TObjectPtr<UMaterialExpression>& Node : Graph->GetExpressions())
			{
				const UMaterialExpressionTextureBase* Sample = Cast<UMaterialExpressionTextureBase>(Node.Get());
				Test.TestTrue(TEXT("sampled texture alive"), !Sample || !Sample->Texture || IsValid(Sample->Texture.Get()));
			}
		}
	}

	const UMaterialExpressionTextureSample* Linked(UMaterial* Material, EMaterialProperty Property, int32 OutputIndex)
	{
		const FExpressionInput* Input = Material->GetExpressionInputForProperty(Property);
		return Input && Input->OutputIndex == OutputIndex ? Cast<UMaterialExpressionTextureSample>(Input->Expression) : nullptr;
	}

	void TestNode(FAutomationTestBase& Test, const UMaterialExpressionTextureSample* Node, int32 X, int32 Y, EMaterialSamplerType Sampler, const TCHAR* What)
	{
		if (!Test.TestNotNull(What, Node)) { return; }
		Test.TestEqual(FString(What) + TEXT(" X"), Node->MaterialExpressionEditorX, X);
		Test.TestEqual(FString(What) + TEXT(" Y"), Node->MaterialExpressionEditorY, Y);
		Test.TestEqual(FString(What) + TEXT(" sampler"), static_cast<int32>(Node->SamplerType), static_cast<int32>(Sampler));
		Test.TestTrue(FString(What) + TEXT(" texture under Textures"), Node->Texture && Node->Texture->GetOutermost()->GetName().Contains(TEXT("/Textures/")));
	}
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIMaterialStaticTest, "MOLDARI.Import.Material.StaticGraph", ImportTestFlags)
bool FMOLDARIMaterialStaticTest::RunTest(const FString& Parameters)
{
	const FImportedModel Model = ImportArchiveModel(TEXT("embedded_cube_stored.zip"), TEXT("MatCube"));
	if (!TestNotNull(TEXT("cube imported as a static mesh"), Model.StaticMesh)) { return false; }
	FLogCapture Log;
	CreatePBRMaterialForStaticMesh(Model.StaticMesh, Model.ExtractDir, Model.DestPath, TEXT("MatCube"));

	// The created and assigned lines, in order, are MOLDARI.Import.Archive.ZipWhole's.
	TestTrue(TEXT("generated material deleted after the assignment"),
		Log.CountStartingWith(TEXT("[MOLDARI] Deleted FBX-generated asset: ")) > 0 && Log.GetLines().Last().Text.StartsWith(TEXT("[MOLDARI] Deleted FBX-generated asset: ")));

	UMaterial* Material = FindBuiltMaterial(Model.DestPath, TEXT("MatCube"));
	if (!TestNotNull(TEXT("material M_MatCube_PBR"), Material)) { return false; }
	TestEqual(TEXT("three nodes"), Material->GetExpressions().Num(), 3);
	const UMaterialExpressionTextureSample* Base = Linked(Material, MP_BaseColor, 0);
	const UMaterialExpressionTextureSample* Normal = Linked(Material, MP_Normal, 0);
	const UMaterialExpressionTextureSample* Rough = Linked(Material, MP_Roughness, 2);
	TestNode(*this, Base, -400, -200, SAMPLERTYPE_Color, TEXT("base colour RGB"));
	TestNode(*this, Normal, -400, 100, SAMPLERTYPE_Normal, TEXT("normal RGB"));
	TestNode(*this, Rough, -400, 300, SAMPLERTYPE_Masks, TEXT("roughness from G"));
	TestTrue(TEXT("metallic from B of the same node"), Rough && Linked(Material, MP_Metallic, 3) == Rough);
	if (Base && Normal && Rough)
	{
		TestTrue(TEXT("base colour keeps its import settings"), Base->Texture->SRGB && Base->Texture->CompressionSettings == TC_Default);
		TestTrue(TEXT("normal map compression"), Normal->Texture->CompressionSettings == TC_Normalmap);
		TestTrue(TEXT("masks compression, linear"), Rough->Texture->CompressionSettings == TC_Masks && !Rough->Texture->SRGB);
		TestTrue(TEXT("packages dirty for the save"), Normal->Texture->GetOutermost()->IsDirty() && Material->GetOutermost()->IsDirty());
	}
	TestTrue(TEXT("slot 0 holds the material"), Model.StaticMesh->GetStaticMaterials()[0].MaterialInterface == Material);
	TestNoDanglingSlots(*this, Model);
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIMaterialSlotsTest, "MOLDARI.Import.Material.Slots", ImportTestFlags)
bool FMOLDARIMaterialSlotsTest::RunTest(const FString& Parameters)
{
	// A model of several meshes (the spider: one mesh per node, each with its own slots): the slot
	// named like the entry gets the material in every mesh that has one; the other slots keep
	// their materials, alive.
	{
		const FImportedModel Model = ImportArchiveModel(TEXT("spider_static_multimaterial_jpeg.zip"), TEXT("MatSpider"));
		if (!TestTrue(TEXT("spider: several static meshes"), Model.StaticMeshes.Num() > 1)) { return false; }
		int32 SkinSlots = 0;
		for (UStaticMesh* Mesh : Model.StaticMeshes)
		{
			for (const FStaticMaterial& Slot : Mesh->GetStaticMaterials()) { SkinSlots += Slot.MaterialSlotName.ToString().Equals(TEXT("Skin"), ESearchCase::IgnoreCase) ? 1 : 0; }
		}
		const TArray<UMaterialInterface*> Before = SlotMaterials(Model);
		TestTrue(TEXT("some meshes have a Skin slot, not all"), SkinSlots > 0 && SkinSlots < Model.StaticMeshes.Num());
		FLogCapture Log;
		CreatePBRMaterialForMeshes(Model.StaticMeshes, {}, Model.ExtractDir, Model.DestPath, TEXT("MatSpider"));
		TestEqual(TEXT("matched by name, once per mesh with the slot"), Log.CountStartingWith(TEXT("[MOLDARI] PBR material assigned to slot 'skin'")), SkinSlots);
		TestEqual(TEXT("no fallback when a slot matched"), Log.CountStartingWith(TEXT("[MOLDARI] PBR material assigned to slot 0 (fallback)")), 0);
		UMaterial* Material = FindBuiltMaterial(Model.DestPath, TEXT("MatSpider"));
		TestEqual(TEXT("one node: base colour only"), Material ? Material->GetExpressions().Num() : -1, 1);
		const TArray<UMaterialInterface*> After = SlotMaterials(Model);
		int32 Assigned = 0;
		int32 Kept = 0;
		for (int32 Index = 0; Index < After.Num(); ++Index)
		{
			Assigned += After[Index] == Material ? 1 : 0;
			Kept += After[Index] == Before[Index] ? 1 : 0;
		}
		TestEqual(TEXT("every Skin slot gets it"), Assigned, SkinSlots);
		TestEqual(TEXT("every other slot keeps its material"), Kept, After.Num() - SkinSlots);
		TestNoDanglingSlots(*this, Model);
	}
	// No slot of any mesh matches: slot 0 of each mesh falls back, unused generated materials go.
	{
		const FImportedModel Model = ImportArchiveModel(TEXT("spider_static_multimaterial_jpeg.zip"), TEXT("MatSpiderFallback"),
			[](const FString& Dir) { WriteMetadata(Dir, TEXT("{\"materials\":[{\"name\":\"NoSuchSlot\",\"baseColorTexture\":\"textures/SpiderTex.jpg\"}]}")); });
		if (!TestTrue(TEXT("spider: several static meshes"), Model.StaticMeshes.Num() > 1)) { return false; }
		FLogCapture Log;
		CreatePBRMaterialForMeshes(Model.StaticMeshes, {}, Model.ExtractDir, Model.DestPath, TEXT("MatSpiderFallback"));
		TestEqual(TEXT("a fallback line per mesh"), Log.CountStartingWith(TEXT("[MOLDARI] PBR material assigned to slot 0 (fallback)")), Model.StaticMeshes.Num());
		UMaterial* Material = FindBuiltMaterial(Model.DestPath, TEXT("MatSpiderFallback"));
		for (UStaticMesh* Mesh : Model.StaticMeshes)
		{
			TestTrue(TEXT("slot 0 of each mesh replaced"), Mesh->GetStaticMaterials().Num() > 0 && Mesh->GetStaticMaterials()[0].MaterialInterface == Material);
		}
		TestTrue(TEXT("deletions logged"), Log.CountStartingWith(TEXT("[MOLDARI] Deleted FBX-generated asset: ")) > 0);
		TestNoDanglingSlots(*this, Model);
	}
	// Skeletal: case-insensitive match, logged with the entry's spelling.
	{
		const FImportedModel Model = ImportArchiveModel(TEXT("sausage_skinned_pbr_png.zip"), TEXT("MatSausage"),
			[](const FString& Dir) {
				WriteMetadata(Dir, TEXT("{\"materials\":[{\"name\":\"LAMBERT1\",\"baseColorTexture\":\"checkerboard_diffuse.png\","
					"\"normalTexture\":\"checkerboard_normal.png\",\"metallicRoughnessTexture\":\"checkerboard_roughness.png\"}]}"));
			});
		if (!TestNotNull(TEXT("sausage skeletal"), Model.SkeletalMesh)) { return false; }
		FLogCapture Log;
		CreatePBRMaterialForSkeletalMesh(Model.SkeletalMesh, Model.ExtractDir, Model.DestPath, TEXT("MatSausage"));
		TestTrue(TEXT("SK match line with the entry's spelling"), Log.Has(TEXT("[MOLDARI] PBR material assigned to SK slot 'LAMBERT1'"), ELogVerbosity::Log));
		UMaterial* Material = FindBuiltMaterial(Model.DestPath, TEXT("MatSausage"));
		TestTrue(TEXT("SK slot holds it"), Material && SlotMaterials(Model).Contains(Material));
		TestEqual(TEXT("same graph as for a static mesh"), Material ? Material->GetExpressions().Num() : -1, 3);
		TestTrue(TEXT("mesh package dirty"), Model.SkeletalMesh->GetOutermost()->IsDirty());
		TestNoDanglingSlots(*this, Model);
	}
	// Skeletal fallback.
	{
		const FImportedModel Model = ImportArchiveModel(TEXT("sausage_skinned_pbr_png.zip"), TEXT("MatSausageFallback"),
			[](const FString& Dir) { WriteMetadata(Dir, TEXT("{\"materials\":[{\"name\":\"other\"}]}")); });
		if (!TestNotNull(TEXT("sausage skeletal"), Model.SkeletalMesh)) { return false; }
		FLogCapture Log;
		CreatePBRMaterialForSkeletalMesh(Model.SkeletalMesh, Model.ExtractDir, Model.DestPath, TEXT("MatSausageFallback"));
		TestTrue(TEXT("SK fallback"), Log.Has(TEXT("[MOLDARI] PBR material assigned to SK slot 0 (fallback)"), ELogVerbosity::Log));
		UMaterial* Material = FindBuiltMaterial(Model.DestPath, TEXT("MatSausageFallback"));
		TestTrue(TEXT("empty graph still assigned"), Material && Material->GetExpressions().Num() == 0 && SlotMaterials(Model)[0] == Material);
		TestNoDanglingSlots(*this, Model);
	}
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIMaterialInstancesTest, "MOLDARI.Import.Material.GeneratedInstances", ImportTestFlags)
bool FMOLDARIMaterialInstancesTest::RunTest(const FString& Parameters)
{
	// An importer set to make material instances (an Interchange option) leaves instances in the
	// folder: the one the PBR material replaces goes, with the texture it alone used.
	const FImportedModel Model = ImportArchiveModel(TEXT("embedded_cube_stored.zip"), TEXT("MatCubeInstances"));
	if (!TestNotNull(TEXT("cube imported as a static mesh"), Model.StaticMesh)) { return false; }
	UPackage* TexturePackage = CreatePackage(*(Model.DestPath / TEXT("T_InstanceOnly")));
	UTexture2D* InstanceTexture = NewObject<UTexture2D>(TexturePackage, FName(TEXT("T_InstanceOnly")), RF_Public | RF_Standalone);
	FAssetRegistryModule::AssetCreated(InstanceTexture);
	UPackage* InstancePackage = CreatePackage(*(Model.DestPath / TEXT("MI_Generated")));
	UMaterialInstanceConstant* Instance = NewObject<UMaterialInstanceConstant>(InstancePackage, FName(TEXT("MI_Generated")), RF_Public | RF_Standalone);
	Instance->TextureParameterValues.Add(FTextureParameterValue(FMaterialParameterInfo(TEXT("BaseColor")), InstanceTexture));
	FAssetRegistryModule::AssetCreated(Instance);
	Model.StaticMesh->SetMaterial(0, Instance);

	FLogCapture Log;
	CreatePBRMaterialForStaticMesh(Model.StaticMesh, Model.ExtractDir, Model.DestPath, TEXT("MatCubeInstances"));
	TestTrue(TEXT("instance deleted"), Log.Contains(TEXT("[MOLDARI] Deleted FBX-generated asset: MI_Generated")) && !IsValid(Instance));
	TestTrue(TEXT("its texture deleted"), Log.Contains(TEXT("[MOLDARI] Deleted FBX-generated asset: T_InstanceOnly")) && !IsValid(InstanceTexture));
	TestTrue(TEXT("the PBR material in the slot"), Model.StaticMesh->GetStaticMaterials()[0].MaterialInterface == FindBuiltMaterial(Model.DestPath, TEXT("MatCubeInstances")));
	TestNoDanglingSlots(*this, Model);
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIMaterialSkipTest, "MOLDARI.Import.Material.NothingToBuild", ImportTestFlags)
bool FMOLDARIMaterialSkipTest::RunTest(const FString& Parameters)
{
	struct FCase
	{
		const TCHAR* Name;
		TFunction<void(const FString&)> Alter;
		const TCHAR* Warning;   // null: no line at all
	};
	const TArray<FCase> Cases = {
		{ TEXT("MatNoMeta"), [](const FString& Dir) { IFileManager::Get().Delete(*(Dir / TEXT("metadata.json"))); },
			TEXT("[MOLDARI] No metadata.json — skipping PBR materials") },
		{ TEXT("MatSubMeta"), [](const FString& Dir) { IFileManager::Get().Move(*(Dir / TEXT("sub/metadata.json")), *(Dir / TEXT("metadata.json"))); },
			TEXT("[MOLDARI] No metadata.json — skipping PBR materials") },
		{ TEXT("MatBadJson"), [](const FString& Dir) { WriteMetadata(Dir, TEXT("{\"materials\": [")); }, TEXT("[MOLDARI] metadata.json parse failed") },
		{ TEXT("MatRootArray"), [](const FString& Dir) { WriteMetadata(Dir, TEXT("[{\"name\":\"x\"}]")); }, TEXT("[MOLDARI] metadata.json parse failed") },
		// Nested deeper than the reader can free: Tests/Hostile/test_archive_traps.py.
		{ TEXT("MatNoMaterials"), [](const FString& Dir) { WriteMetadata(Dir, TEXT("{\"asset\":{}}")); }, nullptr },
		{ TEXT("MatMaterialsObject"), [](const FString& Dir) { WriteMetadata(Dir, TEXT("{\"materials\":{\"name\":\"x\"}}")); }, nullptr },
		{ TEXT("MatEmptyArray"), [](const FString& Dir) { WriteMetadata(Dir, TEXT("{\"materials\":[]}")); }, nullptr },
		{ TEXT("MatFirstNotObject"), [](const FString& Dir) { WriteMetadata(Dir, TEXT("{\"materials\":[\"Material.001\", {}]}")); }, nullptr },
	};
	for (const FCase& Case : Cases)
	{
		const FImportedModel Model = ImportArchiveModel(TEXT("embedded_cube_stored.zip"), Case.Name, Case.Alter);
		if (!TestNotNull(Case.Name, Model.StaticMesh)) { continue; }
		const TArray<UMaterialInterface*> Before = SlotMaterials(Model);
		FLogCapture Log;
		CreatePBRMaterialForStaticMesh(Model.StaticMesh, Model.ExtractDir, Model.DestPath, Case.Name);
		if (Case.Warning)
		{
			TestTrue(FString(Case.Name) + TEXT(": warning"), Log.GetLines().Num() == 1 && Log.Has(Case.Warning, ELogVerbosity::Warning));
		}
		else
		{
			TestEqual(FString(Case.Name) + TEXT(": no line"), Log.GetLines().Num(), 0);
		}
		TestNull(*(FString(Case.Name) + TEXT(": no material")), FindBuiltMaterial(Model.DestPath, Case.Name));
		TestTrue(FString(Case.Name) + TEXT(": slots untouched"), SlotMaterials(Model) == Before);
		TestNoDanglingSlots(*this, Model);
	}
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIMaterialMetadataCapTest, "MOLDARI.Import.Material.MetadataSizeCap", ImportTestFlags)
bool FMOLDARIMaterialMetadataCapTest::RunTest(const FString& Parameters)
{
	// The archive's own metadata.json padded with spaces: at the cap it is read, one byte over it
	// is passed over with a warning, as if missing.
	for (const int64 Size : { MOLDARIImport::MaxMetadataBytes, MOLDARIImport::MaxMetadataBytes + 1 })
	{
		const bool bFits = Size == MOLDARIImport::MaxMetadataBytes;
		const FString Name = bFits ? TEXT("MatMetaAtCap") : TEXT("MatMetaOverCap");
		const FImportedModel Model = ImportArchiveModel(TEXT("embedded_cube_stored.zip"), Name, [Size](const FString& Dir) {
			TArray<uint8> Bytes;
			FFileHelper::LoadFileToArray(Bytes, *(Dir / TEXT("metadata.json")));
			while (Bytes.Num() < Size) { Bytes.Add(' '); }
			FFileHelper::SaveArrayToFile(Bytes, *(Dir / TEXT("metadata.json")));
		});
		if (!TestNotNull(*Name, Model.StaticMesh)) { continue; }
		FLogCapture Log;
		CreatePBRMaterialForStaticMesh(Model.StaticMesh, Model.ExtractDir, Model.DestPath, Name);
		TestEqual(Name + TEXT(": material built"), FindBuiltMaterial(Model.DestPath, Name) != nullptr, bFits);
		TestEqual(Name + TEXT(": warned"), Log.Has(FString::Printf(TEXT("[MOLDARI] metadata.json too large (%lld bytes, limit %lld) — skipping PBR materials"),
			Size, MOLDARIImport::MaxMetadataBytes), ELogVerbosity::Warning), !bFits);
	}
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIMaterialTexturePathsTest, "MOLDARI.Import.Material.TexturePaths", ImportTestFlags)
bool FMOLDARIMaterialTexturePathsTest::RunTest(const FString& Parameters)
{
	// Unsafe paths are skipped with a warning and nothing outside the extraction folder is read;
	// a missing file is silently absent.
	FString Outside;
	const FImportedModel Model = ImportArchiveModel(TEXT("embedded_cube_stored.zip"), TEXT("MatUnsafe"), [&Outside](const FString& Dir) {
		Outside = FPaths::GetPath(Dir) / TEXT("outside.png");
		IFileManager::Get().Copy(*Outside, *(Dir / TEXT("textures/checkerboard_diffuse.png")));
		WriteMetadata(Dir, TEXT("{\"materials\":[{\"name\":\"Material.001\",\"baseColorTexture\":\"../outside.png\","
			"\"normalTexture\":\"textures/missing.png\",\"metallicRoughnessTexture\":\"C:/outside.png\"}]}"));
	});
	if (!TestNotNull(TEXT("cube"), Model.StaticMesh)) { return false; }
	{
		FLogCapture Log;
		CreatePBRMaterialForStaticMesh(Model.StaticMesh, Model.ExtractDir, Model.DestPath, TEXT("MatUnsafe"));
		TestTrue(TEXT("parent path"), Log.Has(TEXT("[MOLDARI] Unsafe texture path skipped: ../outside.png"), ELogVerbosity::Warning));
		TestTrue(TEXT("drive path"), Log.Has(TEXT("[MOLDARI] Unsafe texture path skipped: C:/outside.png"), ELogVerbosity::Warning));
		TestEqual(TEXT("missing file: no line of its own"), Log.CountStartingWith(TEXT("[MOLDARI] Unsafe")), 2);
	}
	UMaterial* Material = FindBuiltMaterial(Model.DestPath, TEXT("MatUnsafe"));
	TestTrue(TEXT("material with no node"), Material && Material->GetExpressions().Num() == 0);
	TArray<FAssetData> Textures;
	FModuleManager::LoadModuleChecked<FAssetRegistryModule>(TEXT("AssetRegistry")).Get().GetAssetsByPath(FName(*(Model.DestPath / TEXT("Textures"))), Textures, true, false);
	TestEqual(TEXT("no texture imported"), Textures.Num(), 0);

	const FString Dir = Model.ExtractDir;
	TestFalse(TEXT("leading slash"), MOLDARIImport::IsSafeTexturePath(Dir, TEXT("/etc/passwd")));
	TestFalse(TEXT("leading backslash"), MOLDARIImport::IsSafeTexturePath(Dir, TEXT("\\server\\share.png")));
	TestFalse(TEXT("dots inside"), MOLDARIImport::IsSafeTexturePath(Dir, TEXT("textures/../../x.png")));
	TestFalse(TEXT("backslash dots"), MOLDARIImport::IsSafeTexturePath(Dir, TEXT("textures\\..\\..\\x.png")));
	TestTrue(TEXT("plain sub-folder"), MOLDARIImport::IsSafeTexturePath(Dir, TEXT("textures/a.png")));
	TestTrue(TEXT("dot segment stays inside"), MOLDARIImport::IsSafeTexturePath(Dir, TEXT("./textures/a.png")));
	TestFalse(TEXT("the folder itself"), MOLDARIImport::IsSafeTexturePath(Dir, TEXT(".")));
	TestFalse(TEXT("a folder in it"), MOLDARIImport::IsSafeTexturePath(Dir, TEXT("textures/.")));
	TestFalse(TEXT("a folder by its slash"), MOLDARIImport::IsSafeTexturePath(Dir, TEXT("textures/")));
	return true;
}

#endif
