// Whole imports through ImportArchive: both roads on the real archives and models, and every
// ending of the ZIP road.
#include "MOLDARIImport.h"
#include "MOLDARIImportTestModels.h"
#include "MOLDARIZipTestWriter.h"

#include "Animation/SkeletalMeshActor.h"
#include "Editor.h"
#include "Editor/EditorEngine.h"
#include "Engine/Engine.h"
#include "Engine/StaticMeshActor.h"
#include "Engine/StaticMesh.h"
#include "Modules/ModuleManager.h"
#include "AssetRegistry/IAssetRegistry.h"
#include "AssetRegistry/AssetRegistryModule.h"
#include "Components/StaticMeshComponent.h"
#include "Engine/Texture2D.h"
#include "Engine/World.h"
#include "EngineUtils.h"
#include "Misc/AutomationTest.h"
#include "Misc/FileHelper.h"
#include "Misc/PackageName.h"

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	using namespace MOLDARIImportTest;
	const EAutomationTestFlags ImportTestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;

	FString TempArchivePath(const FString& Name, const TCHAR* Extension)
	{
		return FPaths::ConvertRelativePathToFull(FPaths::ProjectSavedDir()) / TEXT("Temp/MOLDARI") / Name + Extension;
	}

	FString StageArchive(const FString& Source, const FString& Name, const TCHAR* Extension)
	{
		const FString Path = TempArchivePath(Name, Extension);
		IFileManager::Get().MakeDirectory(*FPaths::GetPath(Path), true);
		IFileManager::Get().Copy(*Path, *Source);
		return Path;
	}

	FString StageBytes(const TArray<uint8>& Bytes, const FString& Name)
	{
		const FString Path = TempArchivePath(Name, TEXT(".zip"));
		FFileHelper::SaveArrayToFile(Bytes, *Path);
		return Path;
	}

	TArray<uint8> ReadBytes(const FString& Path)
	{
		TArray<uint8> Bytes;
		FFileHelper::LoadFileToArray(Bytes, *Path);
		return Bytes;
	}

	int32 CountActorsLabelled(const FString& Label)
	{
		int32 Count = 0;
		for (AActor* Actor : TActorRange<AActor>(GEditor->GetEditorWorldContext(false).World()))
		{
			Count += Actor->GetActorLabel().Equals(Label, ESearchCase::CaseSensitive) ? 1 : 0;
		}
		return Count;
	}

	// The lines appear in this order (others may lie between them); the last one ends the log.
	void TestInOrder(FAutomationTestBase& Test, const FLogCapture& Log, const TArray<FString>& Prefixes)
	{
		int32 From = 0;
		for (const FString& Prefix : Prefixes)
		{
			int32 Found = INDEX_NONE;
			for (int32 Index = From; Index < Log.GetLines().Num() && Found == INDEX_NONE; ++Index)
			{
				if (Log.GetLines()[Index].Text.StartsWith(Prefix, ESearchCase::CaseSensitive)) { Found = Index; }
			}
			if (!Test.TestTrue(FString(TEXT("in order: ")) + Prefix, Found != INDEX_NONE)) { return; }
			From = Found + 1;
		}
		Test.TestEqual(TEXT("last line"), From, Log.GetLines().Num());
	}

	FString ExtractDirFromLog(const FLogCapture& Log)
	{
		for (const FLogCapture::FLine& Line : Log.GetLines())
		{
			if (Line.Text.StartsWith(TEXT("[MOLDARI] Importing FBX: "), ESearchCase::CaseSensitive))
			{
				return FPaths::GetPath(Line.Text.RightChop(25));
			}
		}
		return FString();
	}

	// True when the folder holds nothing but saved assets: no model or image that the editor's
	// content monitoring would offer to import.
	bool OnlyAssetsUnder(const FString& Folder)
	{
		TArray<FString> Files;
		IFileManager::Get().FindFilesRecursive(Files, *Folder, TEXT("*"), true, false, true);
		for (const FString& File : Files)
		{
			if (!File.EndsWith(TEXT(".uasset")) && !File.EndsWith(TEXT(".umap"))) { return false; }
		}
		return true;
	}

	void MakeOccupied(const FString& ContentPath)
	{
		UPackage* Package = CreatePackage(*(ContentPath / TEXT("T_Occupied")));
		FAssetRegistryModule::AssetCreated(NewObject<UTexture2D>(Package, FName(TEXT("T_Occupied")), RF_Public | RF_Standalone));
	}
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIImportZipStaticTest, "MOLDARI.Import.Archive.ZipStatic", ImportTestFlags)
bool FMOLDARIImportZipStaticTest::RunTest(const FString& Parameters)
{
	const FString Archive = StageArchive(TestDataDir() / TEXT("archives/embedded_cube_stored.zip"), TEXT("RoadCube"), TEXT(".zip"));
	FString ExtractDir;
	{
		FLogCapture Log;
		ImportArchive(Archive, TEXT("RoadCube"), TEXT("zip"));
		TestInOrder(*this, Log, { TEXT("[MOLDARI] Importing FBX: "), TEXT("[MOLDARI] ImportAssetsAutomated returned "),
			TEXT("[MOLDARI] Created PBR material: M_RoadCube_PBR"), TEXT("[MOLDARI] PBR material assigned to slot 'Material.001'"),
			TEXT("[MOLDARI] Deleted FBX-generated asset: "), TEXT("[MOLDARI] Placed AStaticMeshActor: RoadCube"),
			TEXT("[MOLDARI] Copied 5 source file(s) to SourceArt/MOLDARIImports/RoadCube/"), TEXT("[MOLDARI] Saved: "),
			TEXT("[MOLDARI] Saved "), TEXT("[MOLDARI] Done: RoadCube") });
		ExtractDir = ExtractDirFromLog(Log);
		TestTrue(TEXT("the model file"), Log.CountStartingWith(TEXT("[MOLDARI] Importing FBX: ")) == 1 && Log.GetLines()[0].Text.EndsWith(TEXT("/embedded_cube.fbx")));
	}
	TestFalse(TEXT("archive removed"), IFileManager::Get().FileExists(*Archive));
	TestFalse(TEXT("extraction folder removed"), ExtractDir.IsEmpty() || IFileManager::Get().DirectoryExists(*ExtractDir));
	const FString Folder = ImportFolderOnDisk(TEXT("RoadCube"));
	const FString Copies = SourceCopyOnDisk(TEXT("RoadCube"));
	TestTrue(TEXT("source tree"), IFileManager::Get().FileExists(*(Copies / TEXT("textures/checkerboard_normal.png")))
		&& IFileManager::Get().FileExists(*(Copies / TEXT("embedded_cube.fbx"))));
	TestTrue(TEXT("nothing importable under the content folder"), OnlyAssetsUnder(Folder));
	TestTrue(TEXT("material saved"), IFileManager::Get().FileExists(*(Folder / TEXT("M_RoadCube_PBR.uasset"))));
	TArray<FString> Saved;
	IFileManager::Get().FindFilesRecursive(Saved, *Folder, TEXT("*.uasset"), true, false, true);
	TestTrue(TEXT("mesh and textures saved too"), Saved.Num() >= 4);
	TestEqual(TEXT("one actor"), CountActorsLabelled(TEXT("RoadCube")), 1);

	// The same name again: same folder, textures replaced, a second actor with the same label.
	const FString Again = StageArchive(TestDataDir() / TEXT("archives/embedded_cube_stored.zip"), TEXT("RoadCube"), TEXT(".zip"));
	{
		FLogCapture Log;
		ImportArchive(Again, TEXT("RoadCube"), TEXT("zip"));
		TestEqualSensitive(TEXT("done again"), Log.GetLines().Last().Text, FString(TEXT("[MOLDARI] Done: RoadCube")));
	}
	TArray<FString> Textures;
	IFileManager::Get().FindFilesRecursive(Textures, *(Folder / TEXT("Textures")), TEXT("*.uasset"), true, false, true);
	TestEqual(TEXT("textures replaced, not numbered"), Textures.Num(), 3);
	TestEqual(TEXT("two actors, one label"), CountActorsLabelled(TEXT("RoadCube")), 2);
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIImportZipSkeletalTest, "MOLDARI.Import.Archive.ZipSkeletal", ImportTestFlags)
bool FMOLDARIImportZipSkeletalTest::RunTest(const FString& Parameters)
{
	const FString Archive = StageArchive(TestDataDir() / TEXT("archives/sausage_skinned_pbr_png.zip"), TEXT("RoadSausage"), TEXT(".zip"));
	FLogCapture Log;
	ImportArchive(Archive, TEXT("RoadSausage"), TEXT("zip"));
	TestInOrder(*this, Log, { TEXT("[MOLDARI] Importing FBX: "), TEXT("[MOLDARI] ImportAssetsAutomated returned "),
		TEXT("[MOLDARI] Created PBR material: M_RoadSausage_PBR"), TEXT("[MOLDARI] PBR material assigned to SK slot 'lambert1'"),
		TEXT("[MOLDARI] Placed ASkeletalMeshActor: RoadSausage"), TEXT("[MOLDARI] Copied 5 source file(s)"),
		TEXT("[MOLDARI] Saved "), TEXT("[MOLDARI] Done: RoadSausage") });
	TestEqual(TEXT("no static actor placed"), Log.CountStartingWith(TEXT("[MOLDARI] Placed AStaticMeshActor")), 0);
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIImportZipSeveralMeshesTest, "MOLDARI.Import.Archive.ZipSeveralMeshes", ImportTestFlags)
bool FMOLDARIImportZipSeveralMeshesTest::RunTest(const FString& Parameters)
{
	// The spider: one mesh per node of the file. Every one is placed, at the origin, labelled
	// RoadSpider, RoadSpider_1, ...; the material goes to the "skin" slot of each mesh that has it.
	const FString Archive = StageArchive(TestDataDir() / TEXT("archives/spider_static_multimaterial_jpeg.zip"), TEXT("RoadSpider"), TEXT(".zip"));
	FLogCapture Log;
	ImportArchive(Archive, TEXT("RoadSpider"), TEXT("zip"));
	TestEqualSensitive(TEXT("done"), Log.GetLines().Last().Text, FString(TEXT("[MOLDARI] Done: RoadSpider")));

	IAssetRegistry& Registry = FModuleManager::LoadModuleChecked<FAssetRegistryModule>(TEXT("AssetRegistry")).Get();
	TArray<FAssetData> Assets;
	Registry.GetAssetsByPath(FName(TEXT("/Game/MOLDARIImports/RoadSpider")), Assets, true, false);
	TArray<UStaticMesh*> Meshes;
	for (const FAssetData& Asset : Assets)
	{
		if (UStaticMesh* Mesh = Cast<UStaticMesh>(Asset.GetAsset())) { Meshes.AddUnique(Mesh); }
	}
	if (!TestTrue(TEXT("several meshes"), Meshes.Num() > 1)) { return false; }
	TestEqual(TEXT("a placed line per mesh"), Log.CountStartingWith(TEXT("[MOLDARI] Placed AStaticMeshActor: RoadSpider")), Meshes.Num());
	TArray<UStaticMesh*> PlacedMeshes;
	for (int32 Index = 0; Index < Meshes.Num(); ++Index)
	{
		const FString Label = Index == 0 ? FString(TEXT("RoadSpider")) : FString::Printf(TEXT("RoadSpider_%d"), Index);
		TArray<AStaticMeshActor*> Actors;
		for (AStaticMeshActor* Actor : TActorRange<AStaticMeshActor>(GEditor->GetEditorWorldContext(false).World()))
		{
			if (Actor->GetActorLabel().Equals(Label, ESearchCase::CaseSensitive)) { Actors.Add(Actor); }
		}
		if (TestEqual(*(Label + TEXT(": one actor")), Actors.Num(), 1))
		{
			PlacedMeshes.AddUnique(Actors[0]->GetStaticMeshComponent()->GetStaticMesh());
			TestTrue(*(Label + TEXT(": at the origin")), Actors[0]->GetActorTransform().Equals(FTransform::Identity));
		}
	}
	TestEqual(TEXT("each mesh placed once"), PlacedMeshes.Num(), Meshes.Num());
	TestTrue(TEXT("material matched by name"), Log.CountStartingWith(TEXT("[MOLDARI] PBR material assigned to slot 'skin'")) > 0);
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIImportZipEndingsTest, "MOLDARI.Import.Archive.ZipEndings", ImportTestFlags)
bool FMOLDARIImportZipEndingsTest::RunTest(const FString& Parameters)
{
	using namespace MOLDARIZipTest;
	// The cube model of a test archive, read where the reader extracts it.
	FString CubeDir;
	ExtractZipArchive(TestDataDir() / TEXT("archives/embedded_cube_stored.zip"), CubeDir);
	const TArray<uint8> Model = ReadBytes(CubeDir / TEXT("embedded_cube.fbx"));
	IFileManager::Get().DeleteDirectory(*CubeDir, false, true);
	TestTrue(TEXT("model read"), Model.Num() > 0);

	// Unreadable archive: the error and nothing else.
	{
		AddExpectedErrorPlain(TEXT("[MOLDARI] Cannot read ZIP: "), EAutomationExpectedErrorFlags::Contains, 1);
		FLogCapture Log;
		ImportArchive(TempArchivePath(TEXT("RoadMissing"), TEXT(".zip")), TEXT("RoadMissing"), TEXT("zip"));
		TestEqual(TEXT("unreadable: one line"), Log.GetLines().Num(), 1);
	}
	// No end record: archive deleted.
	{
		AddExpectedErrorPlain(TEXT("[MOLDARI] Invalid ZIP (no EOCD): "), EAutomationExpectedErrorFlags::Contains, 1);
		FZipTestWriter Writer;
		Writer.AddStored("model.fbx", Model);
		Writer.bWriteEndRecord = false;
		const FString Archive = StageBytes(Writer.Build(), TEXT("RoadNoEnd"));
		FLogCapture Log;
		ImportArchive(Archive, TEXT("RoadNoEnd"), TEXT("zip"));
		TestEqual(TEXT("no end record: one line"), Log.GetLines().Num(), 1);
		TestFalse(TEXT("no end record: archive deleted"), IFileManager::Get().FileExists(*Archive));
	}
	// No model: error, everything removed.
	{
		AddExpectedErrorPlain(TEXT("LogTemp: [MOLDARI] No .fbx found in ZIP"), EAutomationExpectedErrorFlags::Exact, 1);
		FZipTestWriter Writer;
		Writer.AddStored("metadata.json", Bytes("{}"));
		Writer.AddStored("__MACOSX/._model.fbx", Bytes("resource fork"));
		const FString Archive = StageBytes(Writer.Build(), TEXT("RoadNoModel"));
		FLogCapture Log;
		ImportArchive(Archive, TEXT("RoadNoModel"), TEXT("zip"));
		TestLinesEqual(*this, TEXT("no model: the error only"), Log.Texts(), { TEXT("[MOLDARI] No .fbx found in ZIP") });
		TestFalse(TEXT("no model: archive deleted"), IFileManager::Get().FileExists(*Archive));
	}
	// A macOS archive: resource forks are passed over, the real model is imported.
	{
		FZipTestWriter Writer;
		Writer.AddStored("__MACOSX/._cube.fbx", Bytes("\0\5\26\7 resource fork", 18));
		Writer.AddStored("._cube.fbx", Bytes("\0\5\26\7 resource fork", 18));
		Writer.AddStored("cube.fbx", Model);
		const FString Archive = StageBytes(Writer.Build(), TEXT("RoadMac"));
		FLogCapture Log;
		ImportArchive(Archive, TEXT("RoadMac"), TEXT("zip"));
		TestTrue(TEXT("the real model"), Log.GetLines().Num() > 0 && Log.GetLines()[0].Text.EndsWith(TEXT("/cube.fbx")) && !Log.GetLines()[0].Text.Contains(TEXT("._")));
		TestTrue(TEXT("placed"), Log.Has(TEXT("[MOLDARI] Placed AStaticMeshActor: RoadMac"), ELogVerbosity::Log));
		TestTrue(TEXT("no metadata: warning"), Log.Has(TEXT("[MOLDARI] No metadata.json — skipping PBR materials"), ELogVerbosity::Warning));
		TestEqualSensitive(TEXT("done"), Log.GetLines().Last().Text, FString(TEXT("[MOLDARI] Done: RoadMac")));
	}
	// A model the importer makes nothing of: the road still copies, saves, cleans up and ends.
	{
		FZipTestWriter Writer;
		Writer.AddStored("broken.fbx", Bytes("not an FBX file"));
		const FString Archive = StageBytes(Writer.Build(), TEXT("RoadNoMesh"));
		FLogCapture Log;
		ImportArchive(Archive, TEXT("RoadNoMesh"), TEXT("zip"));
		TestInOrder(*this, Log, { TEXT("[MOLDARI] Importing FBX: "), TEXT("[MOLDARI] ImportAssetsAutomated returned 0 asset(s)"),
			TEXT("[MOLDARI] No mesh asset found after import"), TEXT("[MOLDARI] Copied 1 source file(s) to SourceArt/MOLDARIImports/RoadNoMesh/"),
			TEXT("[MOLDARI] Saved 0 .uasset file(s) to disk"), TEXT("[MOLDARI] Done: RoadNoMesh") });
		TestFalse(TEXT("no mesh: archive deleted"), IFileManager::Get().FileExists(*Archive));
		TestFalse(TEXT("no mesh: extraction removed"), IFileManager::Get().DirectoryExists(*ExtractDirFromLog(Log)));
	}
	TestTrue(TEXT("resource forks recognised"), MOLDARIImport::IsMacResourceFork(TEXT("/x"), TEXT("/x/a/__MACOSX/m.fbx"))
		&& MOLDARIImport::IsMacResourceFork(TEXT("/x"), TEXT("/x/._m.fbx")) && !MOLDARIImport::IsMacResourceFork(TEXT("/x"), TEXT("/x/m._fbx.fbx")));
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIImportUsdzTest, "MOLDARI.Import.Archive.Usdz", ImportTestFlags)
bool FMOLDARIImportUsdzTest::RunTest(const FString& Parameters)
{
	MakeOccupied(TEXT("/Game/MOLDARIImports/UsdChair"));
	MakeOccupied(TEXT("/Game/MOLDARIImports/UsdChair_1"));
	const FString Archive = StageArchive(TestDataDir() / TEXT("usdz/RoughnessTest.usdz"), TEXT("UsdChair"), TEXT(".usdz"));
	{
		FLogCapture Log;
		ImportArchive(Archive, TEXT("UsdChair"), TEXT("USDZ"));
		TestEqual(TEXT("first line"), Log.GetLines().Num() > 0 ? Log.GetLines()[0].Text : FString(), FString(TEXT("[MOLDARI] Importing USDZ: ")) + Archive);
		TestInOrder(*this, Log, { TEXT("[MOLDARI] Importing USDZ: "), TEXT("[MOLDARI] ImportAssetsAutomated returned "),
			// The file name as the engine gives it: under the project's content folder, in the form
			// the editor gives that folder (relative to its binaries folder, or full).
			TEXT("[MOLDARI] Saved: ") + FPaths::ProjectContentDir() + TEXT("MOLDARIImports/UsdChair_2/"),
			TEXT("[MOLDARI] Saved "), TEXT("[MOLDARI] Done (USDZ): UsdChair_2") });
	}
	TestFalse(TEXT("original name moved away"), IFileManager::Get().FileExists(*Archive));
	TestFalse(TEXT("moved file deleted"), IFileManager::Get().FileExists(*TempArchivePath(TEXT("UsdChair_2"), TEXT(".usdz"))));

	// A free folder keeps the name and the file is not moved.
	const FString Free = StageArchive(TestDataDir() / TEXT("usdz/RoughnessTest.usdz"), TEXT("UsdFree"), TEXT(".usdz"));
	{
		FLogCapture Log;
		ImportArchive(Free, TEXT("UsdFree"), TEXT("usdz"));
		TestEqualSensitive(TEXT("free name kept"), Log.GetLines().Last().Text, FString(TEXT("[MOLDARI] Done (USDZ): UsdFree")));
	}
	TestFalse(TEXT("file deleted"), IFileManager::Get().FileExists(*Free));

	// Out of candidates: the error, the file deleted, no done line.
	const FString Bounded = StageArchive(TestDataDir() / TEXT("usdz/RoughnessTest.usdz"), TEXT("UsdChair"), TEXT(".usdz"));
	{
		AddExpectedErrorPlain(TEXT("LogTemp: [MOLDARI] No free folder for UsdChair"), EAutomationExpectedErrorFlags::Exact, 1);
		FLogCapture Log;
		MOLDARIImport::ImportUsdzWithFolderBound(Bounded, TEXT("UsdChair"), 3);
		TestLinesEqual(*this, TEXT("bounded lines"), Log.Texts(), { FString(TEXT("[MOLDARI] Importing USDZ: ")) + Bounded,
			TEXT("[MOLDARI] No free folder for UsdChair") });
	}
	TestFalse(TEXT("bounded: file deleted"), IFileManager::Get().FileExists(*Bounded));
	return true;
}

#endif
