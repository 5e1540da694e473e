// The copy of an archive's files into the project, outside its content folders.
#include "MOLDARIImport.h"
#include "MOLDARIImportTestUtils.h"

#include "Misc/AutomationTest.h"
#include "Misc/FileHelper.h"

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	using namespace MOLDARIImportTest;
	const EAutomationTestFlags ImportTestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;

	void WriteFile(const FString& Path, const FString& Text)
	{
		FFileHelper::SaveStringToFile(Text, *Path);
	}

	FString ReadFile(const FString& Path)
	{
		FString Text;
		FFileHelper::LoadFileToString(Text, *Path);
		return Text;
	}
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARISourceCopyTest, "MOLDARI.Import.SourceCopy", ImportTestFlags)
bool FMOLDARISourceCopyTest::RunTest(const FString& Parameters)
{
	const FString ExtractDir = MakeScratchDir(TEXT("SourceCopy"));
	WriteFile(ExtractDir / TEXT("model.fbx"), TEXT("model"));
	WriteFile(ExtractDir / TEXT("metadata.json"), TEXT("{}"));
	WriteFile(ExtractDir / TEXT("textures/base.png"), TEXT("base"));
	WriteFile(ExtractDir / TEXT("model.FBM/embedded.png"), TEXT("embedded"));
	WriteFile(ExtractDir / TEXT("notes.fbm.txt"), TEXT("fbm in the file name"));

	const FString SourceDir = SourceCopyOnDisk(TEXT("CopyTest"));
	IFileManager::Get().DeleteDirectory(*SourceDir, false, true);
	{
		FLogCapture Log;
		CopySourceFiles(ExtractDir, TEXT("CopyTest"));
		TestTrue(TEXT("count line names the folder"),
			Log.Has(TEXT("[MOLDARI] Copied 3 source file(s) to SourceArt/MOLDARIImports/CopyTest/"), ELogVerbosity::Log));
	}
	TestEqualSensitive(TEXT("model copied"), ReadFile(SourceDir / TEXT("model.fbx")), FString(TEXT("model")));
	TestEqualSensitive(TEXT("metadata copied"), ReadFile(SourceDir / TEXT("metadata.json")), FString(TEXT("{}")));
	TestEqualSensitive(TEXT("sub-folder kept"), ReadFile(SourceDir / TEXT("textures/base.png")), FString(TEXT("base")));
	TestFalse(TEXT(".fbm folder left out (any case)"), IFileManager::Get().DirectoryExists(*(SourceDir / TEXT("model.FBM"))));
	TestFalse(TEXT("file with .fbm in its name left out"), IFileManager::Get().FileExists(*(SourceDir / TEXT("notes.fbm.txt"))));

	// A second import overwrites its copies and leaves other files alone.
	WriteFile(ExtractDir / TEXT("model.fbx"), TEXT("model v2"));
	WriteFile(SourceDir / TEXT("keep.txt"), TEXT("keep"));
	CopySourceFiles(ExtractDir, TEXT("CopyTest"));
	TestEqualSensitive(TEXT("copy replaced"), ReadFile(SourceDir / TEXT("model.fbx")), FString(TEXT("model v2")));
	TestEqualSensitive(TEXT("other file untouched"), ReadFile(SourceDir / TEXT("keep.txt")), FString(TEXT("keep")));

	// An empty extraction folder still makes the folder and counts nothing.
	const FString EmptyDir = MakeScratchDir(TEXT("SourceCopyEmpty"));
	{
		FLogCapture Log;
		CopySourceFiles(EmptyDir, TEXT("CopyTestEmpty"));
		TestTrue(TEXT("empty count"), Log.Has(TEXT("[MOLDARI] Copied 0 source file(s) to SourceArt/MOLDARIImports/CopyTestEmpty/"), ELogVerbosity::Log));
	}
	TestTrue(TEXT("folder made"), IFileManager::Get().DirectoryExists(*SourceCopyOnDisk(TEXT("CopyTestEmpty"))));
	TestFalse(TEXT("nothing under the content folder"), IFileManager::Get().DirectoryExists(*(ImportFolderOnDisk(TEXT("CopyTest")) / TEXT("Source"))));
	return true;
}

#endif
