// IFileManager's file archives as the engine's generic reader and writer behave on Linux: the
// writer's 4 KiB buffer, the folders it makes, appending, the lock against a second writer, a
// full disk as a sticky error that Close() reports, and a reader that reads it all back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "CoreMinimal.h"
#include "HAL/FileManager.h"
#include "HeadlessString.h"
#include "ScratchDir.h"
#include "LogCapture.h"

namespace
{
	uint8 PatternByte(size_t Index) { return static_cast<uint8>((Index * 131u + Index / 251u) & 0xFFu); }


	int64 DiskSize(const FString& Path)
	{
		struct stat Info;
		return stat(UE::HeadlessEditor::ToUtf8(Path).c_str(), &Info) == 0 ? static_cast<int64>(Info.st_size) : -1;
	}

	// The disk-full case proper, run in a child process whose folder Disk holds 256 KiB.
	void WriteUntilTheDiskIsFull(const std::string& Disk)
	{
		const FString Path = ToFString(Disk + "/downloads/archive.zip");
		FArchive* Writer = IFileManager::Get().CreateFileWriter(*Path);
		ASSERT_NE(Writer, nullptr);
		TestLog::FCapture Log(TEXT("LogFileManager"));
		const std::vector<uint8> Piece(64 * 1024, 0x5A);
		int32 FirstFailedPiece = -1;
		for (int32 Index = 0; Index < 16; ++Index)
		{
			Writer->Serialize(const_cast<uint8*>(Piece.data()), static_cast<int64>(Piece.size()));
			if (Writer->IsError() && FirstFailedPiece < 0) { FirstFailedPiece = Index; }
		}
		EXPECT_GE(FirstFailedPiece, 1) << "the first pieces fit";
		EXPECT_EQ(Writer->Tell(), 16 * 64 * 1024) << "the position moves on whatever the disk says";
		EXPECT_FALSE(Writer->Close());
		delete Writer;
		EXPECT_LE(DiskSize(Path), 256 * 1024);
		EXPECT_GE(Log.Count(ELogVerbosity::Error, "Error writing to file: " + UE::HeadlessEditor::ToUtf8(Path) + " (No space left on device)"), 1);
	}
}

TEST(FileArchiveTest, AWriterBuffersMakesItsFoldersAndAReaderReadsItAllBack)
{
	FScratchDir Dir("he-filearchive");
	const FString Path = Dir.Join("a/b/archive.bin");
	std::vector<uint8> Expected;
	FArchive* Writer = IFileManager::Get().CreateFileWriter(*Path);
	ASSERT_NE(Writer, nullptr) << "the missing folders are made";
	EXPECT_TRUE(Writer->IsSaving());
	EXPECT_FALSE(Writer->IsLoading());
	auto Write = [&](size_t Count) {
		const size_t Start = Expected.size();
		for (size_t Index = 0; Index < Count; ++Index) { Expected.push_back(PatternByte(Start + Index)); }
		Writer->Serialize(Expected.data() + Start, static_cast<int64>(Count));
	};
	Write(100);
	EXPECT_EQ(DiskSize(Path), 0) << "a small piece waits in the buffer";
	Write(3000);
	Write(2000);
	EXPECT_EQ(DiskSize(Path), 4096) << "the buffer goes out when 4 KiB are full";
	Write(300000);
	EXPECT_EQ(DiskSize(Path), 305100) << "a piece larger than the buffer goes out at once, after the buffer";
	Write(7);
	EXPECT_EQ(Writer->Tell(), 305107);
	EXPECT_EQ(Writer->TotalSize(), 305107) << "TotalSize writes the buffer first";
	EXPECT_EQ(IFileManager::Get().CreateFileWriter(*Path), nullptr) << "a second writer is locked out";
	EXPECT_TRUE(Writer->Close());
	delete Writer;

	FArchive* Reader = IFileManager::Get().CreateFileReader(*Path);
	ASSERT_NE(Reader, nullptr);
	EXPECT_TRUE(Reader->IsLoading());
	EXPECT_EQ(Reader->TotalSize(), 305107);
	std::vector<uint8> Read(Expected.size());
	Reader->Serialize(Read.data(), 10);
	Reader->Serialize(Read.data() + 10, 300000);
	Reader->Serialize(Read.data() + 300010, 305107 - 300010);
	EXPECT_TRUE(Read == Expected);
	EXPECT_TRUE(Reader->AtEnd());
	Reader->Seek(5000);
	std::vector<uint8> Middle(100);
	Reader->Serialize(Middle.data(), 100);
	EXPECT_TRUE(std::equal(Middle.begin(), Middle.end(), Expected.begin() + 5000));
	EXPECT_FALSE(Reader->IsError());

	// A read past the end reads nothing and is a sticky error that Close() reports.
	TestLog::FCapture Log(TEXT("LogFileManager"));
	uint8 Tail[20] = {};
	Reader->Seek(Reader->TotalSize() - 10);
	Reader->Serialize(Tail, 20);
	EXPECT_TRUE(Reader->IsError());
	EXPECT_FALSE(Reader->Close());
	delete Reader;
	EXPECT_EQ(Log.Count(ELogVerbosity::Error, "Requested read of 20 bytes when 10 bytes remain"), 1);
	Log.Take();
	Reader = IFileManager::Get().CreateFileReader(*Path, FILEREAD_Silent);
	Reader->Seek(Reader->TotalSize() - 10);
	Reader->Serialize(Tail, 20);
	EXPECT_TRUE(Reader->IsError());
	delete Reader;
	EXPECT_TRUE(Log.Take().empty()) << "FILEREAD_Silent";

	// A name that does not exist as given is looked for ignoring case; a missing file is nullptr.
	Reader = IFileManager::Get().CreateFileReader(*Dir.Join("A/b/ARCHIVE.bin"));
	ASSERT_NE(Reader, nullptr);
	EXPECT_EQ(Reader->TotalSize(), 305107);
	delete Reader;
	EXPECT_EQ(IFileManager::Get().CreateFileReader(*Dir.Join("a/b/missing.bin")), nullptr);

	// Appending starts at the end; writing anew empties the file when it opens.
	Writer = IFileManager::Get().CreateFileWriter(*Path, FILEWRITE_Append);
	ASSERT_NE(Writer, nullptr);
	EXPECT_EQ(Writer->Tell(), 305107);
	Write(5);
	EXPECT_TRUE(Writer->Close());
	delete Writer;
	EXPECT_EQ(DiskSize(Path), 305112);
	Writer = IFileManager::Get().CreateFileWriter(*Path);
	ASSERT_NE(Writer, nullptr);
	EXPECT_EQ(DiskSize(Path), 0);
	delete Writer;

	// FILEWRITE_EvenIfReadOnly gives the owner write permission back first (without it, a
	// read-only file cannot be opened, except by root).
	const std::string Native = UE::HeadlessEditor::ToUtf8(Path);
	ASSERT_EQ(chmod(Native.c_str(), 0444), 0);
	if (geteuid() != 0) { EXPECT_EQ(IFileManager::Get().CreateFileWriter(*Path, FILEWRITE_Silent), nullptr); }
	Writer = IFileManager::Get().CreateFileWriter(*Path, FILEWRITE_EvenIfReadOnly);
	ASSERT_NE(Writer, nullptr);
	delete Writer;
	struct stat Info;
	ASSERT_EQ(stat(Native.c_str(), &Info), 0);
	EXPECT_TRUE(Info.st_mode & S_IWUSR);
}

TEST(FileArchiveTest, AFullDiskIsAStickyWriteErrorAndCloseFails)
{
	if (const char* Disk = std::getenv("HE_TEST_FULL_DISK"))
	{
		WriteUntilTheDiskIsFull(Disk); // the child process below
		return;
	}
	{
		// /dev/full fails every write with ENOSPC, as a full disk does (appending, because a
		// device cannot be emptied). The buffer hides the first small piece; then every write fails.
		TestLog::FCapture Log(TEXT("LogFileManager"));
		FArchive* Writer = IFileManager::Get().CreateFileWriter(TEXT("/dev/full"), FILEWRITE_Append);
		ASSERT_NE(Writer, nullptr);
		std::vector<uint8> Bytes(8192, 1);
		Writer->Serialize(Bytes.data(), 100);
		EXPECT_FALSE(Writer->IsError());
		Writer->Serialize(Bytes.data(), 8192);
		EXPECT_TRUE(Writer->IsError());
		EXPECT_FALSE(Writer->Close());
		delete Writer;
		EXPECT_EQ(Log.Count(ELogVerbosity::Error, "Error flushing file: /dev/full (No space left on device)"), 1);
		EXPECT_EQ(Log.Count(ELogVerbosity::Error, "Error writing to file: /dev/full (No space left on device)"), 1);

		Writer = IFileManager::Get().CreateFileWriter(TEXT("/dev/full"), FILEWRITE_Append | FILEWRITE_Silent);
		ASSERT_NE(Writer, nullptr);
		Writer->Serialize(Bytes.data(), 8192);
		EXPECT_FALSE(Writer->Close());
		delete Writer;
		EXPECT_EQ(Log.Take().size(), 2u) << "FILEWRITE_Silent adds no line";
	}

	// A disk that fills up part way through a file: this test again, in a child process whose
	// scratch folder is a 256 KiB disk (the fault tests' LD_PRELOAD shim: no mount, no root).
	FScratchDir Dir("he-filearchive");
	std::string Output;
	const std::string Source = __FILE__;
	const std::string Shim = Source.substr(0, Source.rfind("/HeadlessEditor/")) + "/Tests/Hostile/disk_faults.c";
	ASSERT_EQ(RunShell("cc -shared -fPIC -o " + Dir.Path.string() + "/shim.so " + Shim + " -ldl", Output), 0) << Output;
	char Self[4096] = {};
	ASSERT_GT(readlink("/proc/self/exe", Self, sizeof(Self) - 1), 0);
	const std::string Disk = Dir.Path.string() + "/disk";
	const int Status = RunShell("mkdir " + Disk + " && LD_PRELOAD=" + Dir.Path.string() + "/shim.so DISK_FAULTS_FULL=" + Disk + "=262144 HE_TEST_FULL_DISK="
		+ Disk + " " + Self + " --gtest_filter=FileArchiveTest.AFullDiskIsAStickyWriteErrorAndCloseFails", Output);
	EXPECT_EQ(Status, 0) << Output;
	EXPECT_NE(Output.find("[  PASSED  ] 1 test."), std::string::npos) << Output;
}
