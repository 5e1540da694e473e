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
#include "Components/SkeletalMeshComponent.h"
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

	TArray<uint8> ReadBytes(const FString& Path)
	{
		TArray<uint8> Bytes;
		FFileHelper::LoadFileToArray(Bytes, *Path);
		return Bytes;
	}

	TArray<AActor*> ActorsLabelled(const FString& Label)
	{
		TArray<AActor*> Found;
		for (AActor* Actor : TActorRange<AActor>(GEditor->GetEditorWorldContext(false).World()))
		{
			if (Actor->GetActorLabel().Equals(Label, ESearchCase::CaseSensitive)) { Found.Add(Actor); }
		}
		return Found;
	}

	UObject* PlacedMesh(AActor* Actor)
	{
		if (AStaticMeshActor* Static = Cast<AStaticMeshActor>(Actor)) { return Static->GetStaticMeshComponent()->GetStaticMesh(); }
		if (ASkeletalMeshActor* Skeletal = Cast<ASkeletalMeshActor>(Actor)) { return Skeletal->GetSkeletalMeshComponent()->GetSkeletalMeshAsset(); }
		return nullptr;
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

	void MakeOccupied(const FString& ContentPath)
	{
		UPackage* Package = CreatePackage(*(ContentPath / TEXT("T_Occupied")));
		FAssetRegistryModule::AssetCreated(NewObject<UTexture2D>(Package, FName(TEXT("T_Occupied")), RF_Public | RF_Standalone));
	}
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIImportZipWholeTest, "MOLDARI.Import.Archive.ZipWhole", ImportTestFlags)
bool FMOLDARIImportZipWholeTest::RunTest(const FString& Parameters)
{
	// Each test archive once, whole: its steps in order, every mesh placed once (labelled Name,
	// Name_1, ...), its files copied, its assets saved.
	struct FCase
	{
		const TCHAR* Archive;
		const TCHAR* Name;
		const TCHAR* Assigned;   // the slot line: matched by the entry's name
		const TCHAR* Placed;
		int32 Files;             // files in the archive, all copied
	};
	const FCase Cases[] = {
		{ TEXT("embedded_cube_stored"), TEXT("RoadCube"), TEXT("[MOLDARI] PBR material assigned to slot 'Material.001'"), TEXT("[MOLDARI] Placed AStaticMeshActor: "), 5 },
		{ TEXT("sausage_skinned_pbr_png"), TEXT("RoadSausage"), TEXT("[MOLDARI] PBR material assigned to SK slot 'lambert1'"), TEXT("[MOLDARI] Placed ASkeletalMeshActor: "), 5 },
		{ TEXT("spider_static_multimaterial_jpeg"), TEXT("RoadSpider"), TEXT("[MOLDARI] PBR material assigned to slot 'skin'"), TEXT("[MOLDARI] Placed AStaticMeshActor: "), 6 },
	};
	IAssetRegistry& Registry = FModuleManager::LoadModuleChecked<FAssetRegistryModule>(TEXT("AssetRegistry")).Get();
	for (const FCase& Case : Cases)
	{
		const FString Name = Case.Name;
		const FString Archive = StageArchive(TestDataDir() / TEXT("archives") / Case.Archive + TEXT(".zip"), Name, TEXT(".zip"));
		FLogCapture Log;
		ImportArchive(Archive, Name, TEXT("zip"));
		TestInOrder(*this, Log, { TEXT("[MOLDARI] Importing FBX: "), TEXT("[MOLDARI] ImportAssetsAutomated returned "),
			TEXT("[MOLDARI] Created PBR material: M_") + Name + TEXT("_PBR"), Case.Assigned, Case.Placed + Name,
			FString::Printf(TEXT("[MOLDARI] Copied %d source file(s) to SourceArt/MOLDARIImports/%s/"), Case.Files, *Name),
			TEXT("[MOLDARI] Saved: "), TEXT("[MOLDARI] Saved "), TEXT("[MOLDARI] Done: ") + Name });
		// What is left on disk (saved assets only, no temporary file) is assert_zip_import_complete's
		// in Tests/BlackBox, with the editor's content monitoring watching.

		TArray<FAssetData> Assets;
		Registry.GetAssetsByPath(FName(*(TEXT("/Game/MOLDARIImports/") + Name)), Assets, true, false);
		TArray<UObject*> Meshes;
		for (const FAssetData& Asset : Assets)
		{
			UObject* Object = Asset.GetAsset();
			if (Cast<UStaticMesh>(Object) || Cast<USkeletalMesh>(Object)) { Meshes.AddUnique(Object); }
		}
		TArray<UObject*> Placed;
		for (int32 Index = 0; Index < FMath::Max(Meshes.Num(), 1); ++Index)
		{
			const FString Label = Index == 0 ? Name : FString::Printf(TEXT("%s_%d"), *Name, Index);
			TArray<AActor*> Actors = ActorsLabelled(Label);
			// Where and how an actor is placed is MOLDARI.Import.ActorPlacement's.
			if (TestEqual(Label + TEXT(": one actor"), Actors.Num(), 1) && Meshes.Contains(PlacedMesh(Actors[0])))
			{
				Placed.AddUnique(PlacedMesh(Actors[0]));
			}
		}
		TestTrue(Name + TEXT(": each mesh placed once"), Meshes.Num() > 0 && Placed.Num() == Meshes.Num());
	}

	// The same name again: same folder, textures replaced (two actors of one label: MOLDARI.Import.ActorPlacement).
	const FString Again = StageArchive(TestDataDir() / TEXT("archives/embedded_cube_stored.zip"), TEXT("RoadCube"), TEXT(".zip"));
	{
		FLogCapture Log;
		ImportArchive(Again, TEXT("RoadCube"), TEXT("zip"));
		TestEqualSensitive(TEXT("done again"), Log.GetLines().Last().Text, FString(TEXT("[MOLDARI] Done: RoadCube")));
	}
	TArray<FString> Textures;
	IFileManager::Get().FindFilesRecursive(Textures, *(ImportFolderOnDisk(TEXT("RoadCube")) / TEXT("Textures")), TEXT("*.uasset"), true, false, true);
	TestEqual(TEXT("textures replaced, not numbered"), Textures.Num(), 3);
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
