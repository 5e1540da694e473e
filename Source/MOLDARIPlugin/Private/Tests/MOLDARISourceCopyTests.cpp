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
	FFileHelper::SaveStringToFile(TEXT("model"), *(ExtractDir / TEXT("model.fbx")));
	FFileHelper::SaveStringToFile(TEXT("{}"), *(ExtractDir / TEXT("metadata.json")));
	FFileHelper::SaveStringToFile(TEXT("base"), *(ExtractDir / TEXT("textures/base.png")));
	FFileHelper::SaveStringToFile(TEXT("embedded"), *(ExtractDir / TEXT("model.FBM/embedded.png")));
	FFileHelper::SaveStringToFile(TEXT("fbm in the file name"), *(ExtractDir / TEXT("notes.fbm.txt")));

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
	FFileHelper::SaveStringToFile(TEXT("model v2"), *(ExtractDir / TEXT("model.fbx")));
	FFileHelper::SaveStringToFile(TEXT("keep"), *(SourceDir / TEXT("keep.txt")));
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
