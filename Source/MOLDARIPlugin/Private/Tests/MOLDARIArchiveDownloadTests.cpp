// The archive hand-off: the signature test, one temporary folder per stored archive, and the
// removal of that folder by ImportArchive.
#include "Misc/AutomationTest.h"

#include "MOLDARIArchiveDownload.h"
#include "MOLDARIImport.h"

#include "HAL/FileManager.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"
#include "Templates/UniquePtr.h"

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	const EAutomationTestFlags MOLDARITestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIArchiveSignatureTest, "MOLDARI.Import.Download.Signature", MOLDARITestFlags)
bool FMOLDARIArchiveSignatureTest::RunTest(const FString& Parameters)
{
	TestTrue(TEXT("PK 3 4"), IsArchiveSignature(TArray<uint8>({ 0x50, 0x4B, 0x03, 0x04 })));
	TestTrue(TEXT("PK 3 4 and more"), IsArchiveSignature(TArray<uint8>({ 0x50, 0x4B, 0x03, 0x04, 0x00 })));
	TestFalse(TEXT("three bytes"), IsArchiveSignature(TArray<uint8>({ 0x50, 0x4B, 0x03 })));
	TestFalse(TEXT("empty"), IsArchiveSignature(TArray<uint8>()));
	TestFalse(TEXT("end record signature"), IsArchiveSignature(TArray<uint8>({ 0x50, 0x4B, 0x05, 0x06 })));
	TestFalse(TEXT("HTML"), IsArchiveSignature(TArray<uint8>({ '<', 'h', 't', 'm' })));
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIStoreTempArchiveTest, "MOLDARI.Import.Download.StoreTempArchive", MOLDARITestFlags)
bool FMOLDARIStoreTempArchiveTest::RunTest(const FString& Parameters)
{
	const TArray<uint8> First({ 0x50, 0x4B, 0x03, 0x04, 1 });
	const TArray<uint8> Second({ 0x50, 0x4B, 0x03, 0x04, 2 });
	const FString PathA = StoreTempArchive(First, TEXT("chair"), TEXT("zip"));
	const FString PathB = StoreTempArchive(Second, TEXT("chair"), TEXT("zip"));
	const FString PathC = StoreTempArchive(First, TEXT("chair"), TEXT("USDZ"));

	TestEqualSensitive(TEXT("file keeps the name"), FPaths::GetCleanFilename(PathA), TEXT("chair.zip"));
	TestEqualSensitive(TEXT("usdz extension, any case"), FPaths::GetCleanFilename(PathC), TEXT("chair.usdz"));
	TestNotEqual(TEXT("one name, two folders"), FPaths::GetPath(PathA), FPaths::GetPath(PathB));
	TestTrue(TEXT("folder under TempDir"), MOLDARIIntake::IsTempArchiveFolder(FPaths::GetPath(PathA)));
	TestFalse(TEXT("TempDir itself is not such a folder"), MOLDARIIntake::IsTempArchiveFolder(MOLDARIIntake::GetTempDir()));

	TArray<uint8> ReadA, ReadB;
	TestTrue(TEXT("first keeps its bytes"), FFileHelper::LoadFileToArray(ReadA, *PathA) && ReadA == First);
	TestTrue(TEXT("second keeps its bytes"), FFileHelper::LoadFileToArray(ReadB, *PathB) && ReadB == Second);

	// ImportArchive removes the folder with the archive, even when the archive is no ZIP.
	AddExpectedErrorPlain(TEXT("[MOLDARI]"), EAutomationExpectedErrorFlags::Contains, 0);
	ImportArchive(PathA, TEXT("chair"), TEXT("zip"));
	TestFalse(TEXT("first folder removed"), FPaths::DirectoryExists(FPaths::GetPath(PathA)));
	TestTrue(TEXT("second untouched"), FPaths::FileExists(PathB));
	ImportArchive(PathB, TEXT("chair"), TEXT("zip"));
	TestFalse(TEXT("second folder removed"), FPaths::DirectoryExists(FPaths::GetPath(PathB)));
	IFileManager::Get().DeleteDirectory(*FPaths::GetPath(PathC), false, true);
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIStoreLocalArchiveTest, "MOLDARI.Import.Download.StoreLocalArchive", MOLDARITestFlags)
bool FMOLDARIStoreLocalArchiveTest::RunTest(const FString& Parameters)
{
	const FString Dir = FPaths::ConvertRelativePathToFull(FPaths::ProjectSavedDir()) / TEXT("Temp/MOLDARITests/LocalStore");
	IFileManager::Get().MakeDirectory(*Dir, true);
	// Larger than the copy's pieces, and not a whole number of them: every byte in its place.
	TArray<uint8> Big;
	Big.SetNumUninitialized(2 * 1024 * 1024 + 12345);
	for (int32 Index = 0; Index < Big.Num(); ++Index)
	{
		Big[Index] = static_cast<uint8>((static_cast<uint32>(Index) * 7919u) >> 3);
	}
	Big[0] = 0x50; Big[1] = 0x4B; Big[2] = 0x03; Big[3] = 0x04;
	FFileHelper::SaveArrayToFile(Big, *(Dir / TEXT("big.zip")));

	FString Stored;
	TestTrue(TEXT("stored"), StoreLocalArchive(Dir / TEXT("big.zip"), TEXT("local"), TEXT("zip"), Stored) == ELocalArchiveStore::Stored);
	TArray<uint8> Copy;
	TestTrue(TEXT("the copy is the file"), FFileHelper::LoadFileToArray(Copy, *Stored) && Copy == Big);
	TestTrue(TEXT("in a folder of its own"), MOLDARIIntake::IsTempArchiveFolder(FPaths::GetPath(Stored)));
	MOLDARIIntake::RemoveTempArchive(Stored);

	// Paths that are no archive are Tests/BlackBox/test_import_local.py's, over POST /import.
	// The size bound is inclusive (one byte more: test_import_local.py). A file of the bound's size
	// is mostly a hole, so it costs little disk where the file system has holes.
	auto MakeSignedFile = [](const FString& Path, int64 Size)
	{
		TUniquePtr<FArchive> Writer(IFileManager::Get().CreateFileWriter(*Path));
		uint8 Bytes[4] = { 0x50, 0x4B, 0x03, 0x04 };
		Writer->Serialize(Bytes, 4);
		Writer->Seek(Size - 1);
		Writer->Serialize(Bytes, 1);
		return Writer->Close();
	};
	TestTrue(TEXT("a file of the bound's size made"), MakeSignedFile(Dir / TEXT("limit.zip"), MOLDARIIntake::MaxDownloadBytes));
	TestTrue(TEXT("exactly the bound is stored"), StoreLocalArchive(Dir / TEXT("limit.zip"), TEXT("local"), TEXT("zip"), Stored) == ELocalArchiveStore::Stored);
	TestEqual(TEXT("whole"), IFileManager::Get().FileSize(*Stored), MOLDARIIntake::MaxDownloadBytes);
	MOLDARIIntake::RemoveTempArchive(Stored);
	IFileManager::Get().DeleteDirectory(*Dir, false, true);
	return true;
}

#endif
