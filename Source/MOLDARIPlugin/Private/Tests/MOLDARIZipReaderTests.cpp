#include "MOLDARIZipReader.h"
#include "MOLDARIZipTestWriter.h"
#include "MOLDARIImportTestUtils.h"

#include "CoreMinimal.h"
#include "HAL/FileManager.h"
#include "HAL/PlatformMisc.h"
#include "Misc/AutomationTest.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	using namespace MOLDARIZip;
	using namespace MOLDARIZipTest;

	constexpr EAutomationTestFlags ZipTestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;
	const TCHAR* const MemoryExtractDir = TEXT("/moldari/Saved/Temp/MOLDARI/Extract_7");

	// Keeps what the reader hands over instead of touching the disk: the finished files, and
	// what each entry went through (pieces, abandons).
	class FRecordingSink : public IEntrySink
	{
	public:
		struct FFile
		{
			FString Path;
			TArray<uint8> Bytes;
		};
		TArray<FFile> Files;
		FFile Current;
		int32 Pieces = 0;
		int64 LargestPiece = 0;
		int32 Abandoned = 0;
		int64 AbandonedBytes = 0;    // bytes an abandoned entry had received
		int32 Whole = 0;             // entries that came whole
		int32 FailWritesAfter = -1;  // >= 0: an entry's piece after that many fails, as a full disk would
		int32 EntryPieces = 0;

		virtual bool WriteEntry(const FString& TargetPath, const uint8* Data, int64 Num) override
		{
			++Whole;
			FFile File;
			File.Path = TargetPath;
			File.Bytes.Append(Data, static_cast<int32>(Num));
			Files.Add(MoveTemp(File));
			return true;
		}

		virtual bool BeginEntry(const FString& TargetPath) override
		{
			Current = FFile();
			Current.Path = TargetPath;
			EntryPieces = 0;
			return true;
		}
		virtual bool WritePiece(const uint8* Data, int64 Num) override
		{
			if (FailWritesAfter >= 0 && EntryPieces >= FailWritesAfter)
			{
				return false;
			}
			++Pieces;
			++EntryPieces;
			LargestPiece = FMath::Max(LargestPiece, Num);
			Current.Bytes.Append(Data, static_cast<int32>(Num));
			return true;
		}
		virtual bool FinishEntry() override
		{
			Files.Add(MoveTemp(Current));
			return true;
		}
		virtual void AbandonEntry() override
		{
			++Abandoned;
			AbandonedBytes += Current.Bytes.Num();
		}

		const FFile* Find(const FString& Relative) const
		{
			const FString Path = FString(MemoryExtractDir) + TEXT("/") + Relative;
			for (int32 Index = Files.Num() - 1; Index >= 0; --Index)
			{
				if (Files[Index].Path.Equals(Path, ESearchCase::CaseSensitive))
				{
					return &Files[Index];
				}
			}
			return nullptr;
		}
	};

	FExtractReport ExtractInMemory(const TArray<uint8>& Archive, FRecordingSink& Sink,
		const FExtractLimits& Limits = FExtractLimits(), const FString& ExtractDir = MemoryExtractDir)
	{
		FExtractReport Report;
		ExtractFromMemory(Archive.GetData(), Archive.Num(), ExtractDir, Sink, Report, Limits);
		return Report;
	}

	void TestOutcome(FAutomationTestBase& Test, const FExtractReport& Report, const FString& Name, EEntryOutcome Expected)
	{
		const FEntryReport* Entry = Report.FindByName(Name);
		const FString Actual = Entry ? FString(LexOutcome(Entry->Outcome)) : FString(TEXT("(no entry)"));
		Test.TestEqualSensitive(*FString::Printf(TEXT("outcome of '%s'"), *Name), Actual, FString(LexOutcome(Expected)));
	}

	void TestWritten(FAutomationTestBase& Test, const FRecordingSink& Sink, const FString& Relative, const TArray<uint8>& Expected)
	{
		const FRecordingSink::FFile* File = Sink.Find(Relative);
		Test.TestTrue(*FString::Printf(TEXT("'%s' written"), *Relative), File != nullptr);
		if (File)
		{
			Test.TestTrue(*FString::Printf(TEXT("'%s' holds the original bytes"), *Relative), File->Bytes == Expected);
		}
	}

	TArray<uint8> TextOfSize(int32 Size)
	{
		TArray<uint8> Out;
		Out.Reserve(Size);
		const char* Words[] = { "albedo ", "normal ", "roughness ", "metallic ", "mesh ", "uv0 " };
		for (int32 Index = 0; Out.Num() < Size; ++Index)
		{
			const char* Word = Words[(Index * 7 + Index / 5) % 6];
			for (const char* C = Word; *C && Out.Num() < Size; ++C)
			{
				Out.Add(static_cast<uint8>(*C));
			}
		}
		return Out;
	}

	// The project's Saved folder as a full path, as the reader makes its extraction folders.
	FString SavedDirFull()
	{
		return FPaths::ConvertRelativePathToFull(FPaths::ProjectSavedDir());
	}

	TArray<FString> FilesUnder(const FString& Dir)
	{
		TArray<FString> Files;
		IFileManager::Get().FindFilesRecursive(Files, *Dir, TEXT("*"), true, false);
		Files.Sort();
		return Files;
	}

	TArray<FString> EverythingUnder(const FString& Dir)
	{
		TArray<FString> Found;
		IFileManager::Get().FindFilesRecursive(Found, *Dir, TEXT("*"), true, true);
		return Found;
	}
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIZipEndRecordTest, "MOLDARI.Zip.EndRecord", ZipTestFlags)

bool FMOLDARIZipEndRecordTest::RunTest(const FString& Parameters)
{
	const TArray<uint8> Short = Bytes("PK\x05\x06" "01234567890123456", 21);
	TestEqual(TEXT("21 bytes cannot hold an end record"), FindEndRecord(Short.GetData(), Short.Num()), int64(INDEX_NONE));
	TestEqual(TEXT("an empty file has no end record"), FindEndRecord(nullptr, 0), int64(INDEX_NONE));
	const TArray<uint8> Minimal = FZipTestWriter().Build();
	TestEqual(TEXT("an empty archive is just its end record"), FindEndRecord(Minimal.GetData(), Minimal.Num()), int64(0));

	// With the longest comment the record starts 65557 bytes before the end; one trailing byte
	// puts it exactly at the edge of the window, two put it outside.
	for (int32 TrailingBytes = 0; TrailingBytes <= 2; ++TrailingBytes)
	{
		FZipTestWriter Writer;
		Writer.AddStored("inside.txt", Bytes("found"));
		Writer.Comment = Repeated('c', 65535);
		Writer.Trailing = Repeated('t', TrailingBytes);
		const TArray<uint8> Archive = Writer.Build();
		FRecordingSink Sink;
		FExtractReport Report;
		const bool bFound = ExtractFromMemory(Archive.GetData(), Archive.Num(), MemoryExtractDir, Sink, Report);
		const FString Case = FString::Printf(TEXT("65535-byte comment + %d trailing bytes"), TrailingBytes);
		TestEqual(*(Case + TEXT(": end record found")), bFound ? 1 : 0, TrailingBytes <= 1 ? 1 : 0);
		TestEqual(*(Case + TEXT(": files written")), Sink.Files.Num(), TrailingBytes <= 1 ? 1 : 0);
	}

	// Two records in the window: the one nearest the end is used. The comment carries a second
	// record that announces no entries, so the real directory's file is not written.
	{
		FZipTestWriter Writer;
		Writer.AddStored("shadowed.txt", Bytes("never"));
		Writer.Comment = FZipTestWriter().Build();
		const TArray<uint8> Archive = Writer.Build();
		FRecordingSink Sink;
		const FExtractReport Report = ExtractInMemory(Archive, Sink);
		TestEqual(TEXT("the later record is taken"), FindEndRecord(Archive.GetData(), Archive.Num()), int64(Archive.Num() - EndRecordSize));
		TestEqual(TEXT("its entry count is used"), Report.AnnouncedEntries, 0);
		TestEqual(TEXT("nothing written from the earlier directory"), Sink.Files.Num(), 0);
	}
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIZipWalkTest, "MOLDARI.Zip.Walk", ZipTestFlags)

bool FMOLDARIZipWalkTest::RunTest(const FString& Parameters)
{
	// Two files, their directory or end record then changed.
	const auto Walk = [](TFunctionRef<void(FZipTestWriter&)> Change, FRecordingSink& Sink)
	{
		FZipTestWriter Writer;
		Writer.AddStored("first.txt", Bytes("one"));
		Writer.AddDeflated("second.txt", Bytes("two two two"));
		Change(Writer);
		return ExtractInMemory(Writer.Build(), Sink);
	};

	{
		FRecordingSink Sink;
		const FExtractReport Report = Walk([](FZipTestWriter& W) { W.AnnouncedEntries = 5; }, Sink);
		TestEqual(TEXT("too many announced: what exists is written"), Sink.Files.Num(), 2);
		TestTrue(TEXT("too many announced: the walk stops at the end record"), Report.bWalkStoppedEarly);
		TestEqual(TEXT("too many announced: records read"), Report.RecordsRead, 2);
	}
	{
		FRecordingSink Sink;
		const FExtractReport Report = Walk([](FZipTestWriter& W) { W.AnnouncedEntries = 1; }, Sink);
		TestEqual(TEXT("fewer announced: only those are read"), Sink.Files.Num(), 1);
		TestFalse(TEXT("fewer announced: not an early stop"), Report.bWalkStoppedEarly);
	}
	{
		FRecordingSink Sink;
		// ZIP64 marker; offset + 46 must not wrap
		const FExtractReport Report = Walk([](FZipTestWriter& W) { W.DirectoryOffset = 0xFFFFFFFF; }, Sink);
		TestEqual(TEXT("directory offset 0xFFFFFFFF: nothing read"), Report.RecordsRead, 0);
		TestTrue(TEXT("directory offset 0xFFFFFFFF: walk stopped"), Report.bWalkStoppedEarly);
	}
	{
		FRecordingSink Sink;
		// The fixed part would run past the end.
		const FExtractReport Report = Walk([](FZipTestWriter& W) { W.DirectoryOffset = W.Build().Num() - 30; }, Sink);
		TestEqual(TEXT("truncated fixed part: nothing read"), Report.RecordsRead, 0);
	}
	{
		// The second record's name would run 65535 bytes past the end of the buffer.
		FRecordingSink Sink;
		const FExtractReport Report = Walk([](FZipTestWriter& W) { W.Entry(1).CentralNameLength = 0xFFFF; }, Sink);
		TestEqual(TEXT("name past the end: earlier entries stay"), Sink.Files.Num(), 1);
		TestEqual(TEXT("name past the end: the walk ends at that record"), Report.RecordsRead, 1);
		TestTrue(TEXT("name past the end: early stop"), Report.bWalkStoppedEarly);
	}
	{
		// Extra and comment lengths that reach past the buffer move the cursor out: the entry
		// itself is fine, the next record is not there.
		FRecordingSink Sink;
		const FExtractReport Report = Walk([](FZipTestWriter& W)
		{
			W.Entry(0).CentralExtraLength = 0xFFFF;
			W.Entry(0).CentralCommentLength = 0xFFFF;
		}, Sink);
		TestEqual(TEXT("oversized extra field: the record's own entry is written"), Sink.Files.Num(), 1);
		TestEqual(TEXT("oversized extra field: the walk ends after it"), Report.RecordsRead, 1);
	}
	{
		// A zero byte ends the name; one that starts with zero is empty and cannot be a file.
		FZipTestWriter Writer;
		Writer.AddStored(Bytes("kept.txt\0tail", 13), Bytes("kept"));
		Writer.AddStored(Bytes("\0\x01\x02", 3), Bytes("lost"));
		AddExpectedErrorPlain(TEXT("[MOLDARI] Skipping unsafe ZIP entry: "), EAutomationExpectedErrorFlags::Contains, 1);
		FRecordingSink Sink;
		const FExtractReport Report = ExtractInMemory(Writer.Build(), Sink);
		TestWritten(*this, Sink, TEXT("kept.txt"), Bytes("kept"));
		TestOutcome(*this, Report, TEXT(""), EEntryOutcome::UnsafeName);
		TestEqual(TEXT("zero bytes in names: files written"), Sink.Files.Num(), 1);
	}
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIZipNamesTest, "MOLDARI.Zip.Names", ZipTestFlags)

bool FMOLDARIZipNamesTest::RunTest(const FString& Parameters)
{
	struct FUnsafeCase
	{
		const char* Stored;
		const TCHAR* Logged;   // after '\' became '/'
	};
	const FUnsafeCase UnsafeCases[] = {
		{ "../evil.txt", TEXT("../evil.txt") },
		{ "sub\\..\\up.txt", TEXT("sub/../up.txt") },
		{ "two..dots.txt", TEXT("two..dots.txt") },
		{ "/abs.txt", TEXT("/abs.txt") },
		{ "\\rooted.txt", TEXT("/rooted.txt") },
		{ "C:/drive.txt", TEXT("C:/drive.txt") },
		{ "dir/a:b.txt", TEXT("dir/a:b.txt") },
		{ "d1/CON", TEXT("d1/CON") },
		{ "d2/con.txt", TEXT("d2/con.txt") },
		{ "d3/Aux.tar.gz", TEXT("d3/Aux.tar.gz") },
		{ "d4/nul", TEXT("d4/nul") },
		{ "COM1.log", TEXT("COM1.log") },
		{ "lpt9/inner.txt", TEXT("lpt9/inner.txt") },
		{ "d5/PRN .txt", TEXT("d5/PRN .txt") },
		{ "dot-end.", TEXT("dot-end.") },
		{ "folder./x.txt", TEXT("folder./x.txt") },
		{ "space-end ", TEXT("space-end ") },
		{ "space-dir /y.txt", TEXT("space-dir /y.txt") },
		// Characters Windows cannot put in a file name are refused on every platform.
		{ "a<b.txt", TEXT("a<b.txt") },
		{ "dir>/c.txt", TEXT("dir>/c.txt") },
		{ "q\"uote.txt", TEXT("q\"uote.txt") },
		{ "pipe|d.txt", TEXT("pipe|d.txt") },
		{ "what?.txt", TEXT("what?.txt") },
		{ "star*.png", TEXT("star*.png") },
		{ "tab\tname.txt", TEXT("tab\tname.txt") },
		// Not UTF-8 (an old code page): the engine reads the bad lead byte and the byte after it as one
		// '?', so the name is refused.
		{ "bad\xFFname.txt", TEXT("bad?ame.txt") },
	};
	const char* SafeNames[] = { "CONSOLE.txt", "com10.txt", "COM0.txt", "LPT.txt", "nul_x.txt", "aux1/x.txt", "a.b.c", ".hidden" };

	FZipTestWriter Writer;
	for (const FUnsafeCase& Case : UnsafeCases)
	{
		Writer.AddStored(Case.Stored, Bytes("unsafe"));
		AddExpectedErrorPlain(FString(TEXT("[MOLDARI] Skipping unsafe ZIP entry: ")) + Case.Logged, EAutomationExpectedErrorFlags::Contains, 1);
	}
	for (const char* Name : SafeNames)
	{
		Writer.AddStored(Name, Bytes(Name));
	}
	Writer.AddStored("folder/", TArray<uint8>());
	Writer.AddDeflated("dir\\sub\\file.txt", Bytes("nested"));

	FRecordingSink Sink;
	const FExtractReport Report = ExtractInMemory(Writer.Build(), Sink);
	for (const FUnsafeCase& Case : UnsafeCases)
	{
		TestOutcome(*this, Report, Case.Logged, EEntryOutcome::UnsafeName);
	}
	for (const char* Name : SafeNames)
	{
		TestWritten(*this, Sink, FString(UTF8_TO_TCHAR(Name)), Bytes(Name));
	}
	TestOutcome(*this, Report, TEXT("folder/"), EEntryOutcome::Directory);
	TestWritten(*this, Sink, TEXT("dir/sub/file.txt"), Bytes("nested"));
	TestEqual(TEXT("files written"), Sink.Files.Num(), int32(UE_ARRAY_COUNT(SafeNames)) + 1);

	// Backslashes in the extraction folder: normalising the target changes the prefix, so no
	// entry can prove it stays inside.
	{
		const FString OddDir = TEXT("C:\\Project\\Saved/Temp/MOLDARI/Extract_9");
		FZipTestWriter Plain;
		Plain.AddStored("ok.txt", Bytes("ok"));
		AddExpectedErrorPlain(TEXT("[MOLDARI] ZIP entry escapes extract dir: C:/Project/Saved/Temp/MOLDARI/Extract_9/ok.txt"),
			EAutomationExpectedErrorFlags::Contains, 1);
		FRecordingSink OddSink;
		const FExtractReport OddReport = ExtractInMemory(Plain.Build(), OddSink, FExtractLimits(), OddDir);
		TestOutcome(*this, OddReport, TEXT("ok.txt"), EEntryOutcome::EscapesFolder);
		TestEqual(TEXT("backslashed folder: nothing written"), OddSink.Files.Num(), 0);
	}
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIZipContentTest, "MOLDARI.Zip.Content", ZipTestFlags)

bool FMOLDARIZipContentTest::RunTest(const FString& Parameters)
{
	TArray<uint8> Binary;
	for (int32 Index = 0; Index < 1024; ++Index)
	{
		Binary.Add(static_cast<uint8>(Index * 31 + Index / 256));
	}
	const TArray<uint8> Text = TextOfSize(700 * 1024);   // several inflate pieces
	const TArray<uint8> Small = Bytes("a small deflated file");

	FZipTestWriter Writer;
	Writer.AddStored("stored.bin", Binary);
	Writer.AddDeflated("deflated.txt", Text);
	Writer.AddStored("empty-stored", TArray<uint8>());
	Writer.AddDeflated("empty-deflated", TArray<uint8>());
	Writer.Entry(Writer.AddDeflated("descriptor.txt", Small)).bDataDescriptorStyle = true;
	Writer.Entry(Writer.AddDeflated("local-extra.txt", Small)).LocalExtraLength = 21;
	{
		// Stored with a compressed size larger than the uncompressed one: the compressed size
		// is what is copied, and the CRC covers those bytes.
		const int32 Index = Writer.AddStored("stored-long", Bytes("AAAAAAAAAABBBBBBBBBB"));
		Writer.Entry(Index).UncompressedSize = 10;
	}

	// Methods the reader does not decode, and encryption.
	Writer.AddRaw("bzip2.bin", 12, Bytes("BZh91AY&SY"), 0, 100);
	Writer.AddRaw("lzma.bin", 14, Bytes("\x09\x14\x05\x00", 4), 0, 100);
	Writer.Entry(Writer.AddStored("encrypted.txt", Bytes("ciphertext!!"))).Flags = 0x0001;
	const TCHAR* UnsupportedNames[] = { TEXT("bzip2.bin"), TEXT("lzma.bin"), TEXT("encrypted.txt") };

	// Damaged data: every one is skipped, none leaves undefined bytes behind.
	Writer.Entry(Writer.AddDeflated("short-stream.bin", Small)).UncompressedSize = Small.Num() + 100;
	{
		// The stream goes on past the declared size; size and CRC agree with the bytes up to there.
		const int32 Index = Writer.AddDeflated("long-stream.bin", Small);
		TArray<uint8> Prefix = Small;
		Prefix.SetNum(Small.Num() - 1);
		Writer.Entry(Index).UncompressedSize = Prefix.Num();
		Writer.Entry(Index).Crc = Crc32(Prefix);
	}
	{
		// All the data, correct size and CRC, but the stream never reaches its final block.
		const int32 Index = Writer.AddRaw("unterminated.bin", 8, RawDeflate(Small, Z_DEFAULT_COMPRESSION, Z_SYNC_FLUSH), Crc32(Small), Small.Num());
		Writer.Entry(Index).UncompressedSize = Small.Num();
	}
	{
		const int32 Index = Writer.AddDeflated("cut-stream.bin", Text);
		FZipTestEntry& Entry = Writer.Entry(Index);
		Entry.Payload.SetNum(Entry.Payload.Num() / 2);
		Entry.CompressedSize = Entry.Payload.Num();
	}
	Writer.AddRaw("garbage.bin", 8, Repeated(0xFF, 64), 0, 100);
	Writer.Entry(Writer.AddStored("badcrc-stored.txt", Binary)).Crc ^= 1;
	Writer.Entry(Writer.AddDeflated("badcrc-deflated.txt", Text)).Crc ^= 0x80000000;
	const TCHAR* CorruptNames[] = { TEXT("short-stream.bin"), TEXT("long-stream.bin"), TEXT("unterminated.bin"), TEXT("cut-stream.bin"), TEXT("garbage.bin"),
		TEXT("badcrc-stored.txt"), TEXT("badcrc-deflated.txt") };

	for (const TCHAR* Name : UnsupportedNames)
	{
		AddExpectedErrorPlain(FString(TEXT("[MOLDARI] Unsupported ZIP entry skipped: ")) + Name, EAutomationExpectedErrorFlags::Contains, 1);
	}
	for (const TCHAR* Name : CorruptNames)
	{
		AddExpectedErrorPlain(FString(TEXT("[MOLDARI] Corrupt ZIP entry skipped: ")) + Name, EAutomationExpectedErrorFlags::Contains, 1);
	}

	FRecordingSink Sink;
	const FExtractReport Report = ExtractInMemory(Writer.Build(), Sink);
	TestWritten(*this, Sink, TEXT("stored.bin"), Binary);
	TestWritten(*this, Sink, TEXT("deflated.txt"), Text);
	TestWritten(*this, Sink, TEXT("empty-stored"), TArray<uint8>());
	TestWritten(*this, Sink, TEXT("empty-deflated"), TArray<uint8>());
	TestWritten(*this, Sink, TEXT("descriptor.txt"), Small);
	TestWritten(*this, Sink, TEXT("local-extra.txt"), Small);
	TestWritten(*this, Sink, TEXT("stored-long"), Bytes("AAAAAAAAAABBBBBBBBBB"));
	for (const TCHAR* Name : UnsupportedNames)
	{
		TestOutcome(*this, Report, Name, EEntryOutcome::Unsupported);
	}
	for (const TCHAR* Name : CorruptNames)
	{
		TestOutcome(*this, Report, Name, EEntryOutcome::Corrupt);
	}
	TestEqual(TEXT("only intact, supported entries reach the disk"), Sink.Files.Num(), 7);
	TestEqual(TEXT("bytes counted"), Report.BytesWritten, int64(Binary.Num() + Text.Num() + 2 * Small.Num() + 20));
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIZipLimitsTest, "MOLDARI.Zip.Limits", ZipTestFlags)

bool FMOLDARIZipLimitsTest::RunTest(const FString& Parameters)
{
	// Declared sizes at the real cap: one byte over is refused before any memory is taken; at
	// the cap the entry gets as far as decoding (and fails there, the stream being tiny).
	{
		FZipTestWriter Writer;
		Writer.Entry(Writer.AddDeflated("at-cap.bin", Bytes("x"))).UncompressedSize = static_cast<uint32>(MaxEntryBytes);
		Writer.Entry(Writer.AddDeflated("over-cap.bin", Bytes("x"))).UncompressedSize = static_cast<uint32>(MaxEntryBytes + 1);
		Writer.Entry(Writer.AddStored("stored-over-cap.bin", Bytes("x"))).UncompressedSize = 0xF0000000;
		AddExpectedErrorPlain(TEXT("[MOLDARI] Corrupt ZIP entry skipped: at-cap.bin"), EAutomationExpectedErrorFlags::Contains, 1);
		AddExpectedErrorPlain(TEXT("[MOLDARI] ZIP entry too large, skipped: over-cap.bin"), EAutomationExpectedErrorFlags::Contains, 1);
		AddExpectedErrorPlain(TEXT("[MOLDARI] ZIP entry too large, skipped: stored-over-cap.bin"), EAutomationExpectedErrorFlags::Contains, 1);
		FRecordingSink Sink;
		const FExtractReport Report = ExtractInMemory(Writer.Build(), Sink);
		TestOutcome(*this, Report, TEXT("at-cap.bin"), EEntryOutcome::Corrupt);
		TestOutcome(*this, Report, TEXT("over-cap.bin"), EEntryOutcome::TooLarge);
		TestOutcome(*this, Report, TEXT("stored-over-cap.bin"), EEntryOutcome::TooLarge);
	}

	// A declared size no deflate stream of that length can reach is refused before inflating;
	// at the ratio it is inflated (and found short). Both streams hold 1 MiB of zeros.
	{
		FZipTestWriter Writer;
		const int32 AtRatio = Writer.AddDeflated("at-ratio.bin", Repeated(0, 1 << 20));
		const int32 OverRatio = Writer.AddDeflated("over-ratio.bin", Repeated(0, 1 << 20));
		Writer.Entry(AtRatio).UncompressedSize = static_cast<uint32>(Writer.Entry(AtRatio).CompressedSize * MaxDeflateRatio);
		Writer.Entry(OverRatio).UncompressedSize = static_cast<uint32>(Writer.Entry(OverRatio).CompressedSize * MaxDeflateRatio + 1);
		AddExpectedErrorPlain(TEXT("[MOLDARI] Corrupt ZIP entry skipped: "), EAutomationExpectedErrorFlags::Contains, 2);
		FRecordingSink Sink;
		const FExtractReport Report = ExtractInMemory(Writer.Build(), Sink);
		TestOutcome(*this, Report, TEXT("at-ratio.bin"), EEntryOutcome::Corrupt);
		TestOutcome(*this, Report, TEXT("over-ratio.bin"), EEntryOutcome::Corrupt);
		TestEqual(TEXT("only the entry at the ratio was inflated"), Sink.AbandonedBytes, int64(1 << 20));
		TestEqual(TEXT("and abandoned"), Sink.Abandoned, 1);
	}

	// Per-entry and per-archive caps from both sides, with small limits.
	{
		FExtractLimits Limits;
		Limits.MaxEntryBytes = 100;
		Limits.MaxTotalBytes = 250;
		FZipTestWriter Writer;
		Writer.AddStored("e100", Repeated('a', 100));
		Writer.AddStored("e101", Repeated('b', 101));
		Writer.AddDeflated("d100", Repeated('c', 100));
		Writer.AddStored("s50", Repeated('d', 50));   // total reaches exactly 250
		Writer.AddDeflated("d1", Repeated('e', 1));
		Writer.AddStored("s0", TArray<uint8>());      // adds nothing: still fits
		AddExpectedErrorPlain(TEXT("[MOLDARI] ZIP entry too large, skipped: e101"), EAutomationExpectedErrorFlags::Contains, 1);
		AddExpectedErrorPlain(TEXT("[MOLDARI] ZIP entry too large, skipped: d1"), EAutomationExpectedErrorFlags::Contains, 1);
		FRecordingSink Sink;
		const FExtractReport Report = ExtractInMemory(Writer.Build(), Sink, Limits);
		TestOutcome(*this, Report, TEXT("e100"), EEntryOutcome::Written);
		TestOutcome(*this, Report, TEXT("e101"), EEntryOutcome::TooLarge);
		TestOutcome(*this, Report, TEXT("d100"), EEntryOutcome::Written);
		TestOutcome(*this, Report, TEXT("s50"), EEntryOutcome::Written);
		TestOutcome(*this, Report, TEXT("d1"), EEntryOutcome::TooLarge);
		TestOutcome(*this, Report, TEXT("s0"), EEntryOutcome::Written);
		TestEqual(TEXT("total written"), Report.BytesWritten, int64(250));
	}

	// Sizes and offsets that point outside the archive are skipped without a message.
	{
		FZipTestWriter Writer;
		const int32 Huge = Writer.AddStored("sizes-ffffffff.txt", Bytes("hello"));
		Writer.Entry(Huge).CompressedSize = 0xFFFFFFFF;
		Writer.Entry(Huge).UncompressedSize = 0xFFFFFFFF;
		Writer.Entry(Writer.AddStored("past-end.txt", Bytes("hello"))).CompressedSize = 0x7FFFFFFF;
		Writer.Entry(Writer.AddStored("local-past-end.txt", Bytes("hello"))).LocalHeaderOffset = 0xFFFFFFF0;
		Writer.AddStored("fine.txt", Bytes("fine"));
		FRecordingSink Sink;
		const FExtractReport Report = ExtractInMemory(Writer.Build(), Sink);
		TestOutcome(*this, Report, TEXT("sizes-ffffffff.txt"), EEntryOutcome::OutOfBounds);
		TestOutcome(*this, Report, TEXT("past-end.txt"), EEntryOutcome::OutOfBounds);
		TestOutcome(*this, Report, TEXT("local-past-end.txt"), EEntryOutcome::OutOfBounds);
		TestWritten(*this, Sink, TEXT("fine.txt"), Bytes("fine"));
	}
	return true;
}

// Entries larger than the reader's pieces: each goes to the sink piece by piece as it is decoded,
// and one that turns out bad part-way is abandoned, never finished.
IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIZipStreamingTest, "MOLDARI.Zip.Streaming", ZipTestFlags)

bool FMOLDARIZipStreamingTest::RunTest(const FString& Parameters)
{
	const TArray<uint8> Text = TextOfSize(static_cast<int32>(3 * OutputPieceBytes + 123));
	TArray<uint8> Binary;
	for (int32 Index = 0; Index < 2 * InputPieceBytes + 77; ++Index)
	{
		Binary.Add(static_cast<uint8>(Index * 131 + Index / 4099));
	}

	// Whole, in several pieces none larger than the reader's.
	{
		FZipTestWriter Writer;
		Writer.AddDeflated("large.txt", Text);
		Writer.AddStored("large.bin", Binary);
		FRecordingSink Sink;
		const FExtractReport Report = ExtractInMemory(Writer.Build(), Sink);
		TestWritten(*this, Sink, TEXT("large.txt"), Text);
		TestWritten(*this, Sink, TEXT("large.bin"), Binary);
		TestEqual(TEXT("large entries are streamed"), Sink.Whole, 0);
		TestTrue(TEXT("large entries come in several pieces"), Sink.Pieces >= 6);
		TestTrue(TEXT("no piece is larger than the reader's"), Sink.LargestPiece <= FMath::Max(InputPieceBytes, OutputPieceBytes));
		TestEqual(TEXT("large entries: bytes counted"), Report.BytesWritten, int64(Text.Num() + Binary.Num()));
	}

	// Bad part-way: the entry has gone to the sink in part and is then abandoned.
	struct FDamage
	{
		const TCHAR* Case;
		TFunction<void(FZipTestWriter&)> Add;
	};
	const FDamage Damages[] = {
		{ TEXT("deflated, CRC wrong"), [&](FZipTestWriter& W) { W.Entry(W.AddDeflated("bad.bin", Text)).Crc ^= 0x10; } },
		{ TEXT("stored, CRC wrong"), [&](FZipTestWriter& W) { W.Entry(W.AddStored("bad.bin", Binary)).Crc ^= 0x10; } },
		{ TEXT("deflate stream broken late"), [&](FZipTestWriter& W)
			{
				FZipTestEntry& Entry = W.Entry(W.AddDeflated("bad.bin", Text));
				for (int32 Index = Entry.Payload.Num() * 3 / 4; Index < Entry.Payload.Num(); Index += 7)
				{
					Entry.Payload[Index] ^= 0xA5;
				}
			} },
		{ TEXT("deflate stream cut late"), [&](FZipTestWriter& W)
			{
				FZipTestEntry& Entry = W.Entry(W.AddDeflated("bad.bin", Text));
				Entry.Payload.SetNum(Entry.Payload.Num() * 3 / 4);
				Entry.CompressedSize = Entry.Payload.Num();
			} },
	};
	AddExpectedErrorPlain(TEXT("[MOLDARI] Corrupt ZIP entry skipped: bad.bin"), EAutomationExpectedErrorFlags::Contains, UE_ARRAY_COUNT(Damages));
	for (const FDamage& Damage : Damages)
	{
		FZipTestWriter Writer;
		Damage.Add(Writer);
		FRecordingSink Sink;
		const FExtractReport Report = ExtractInMemory(Writer.Build(), Sink);
		TestOutcome(*this, Report, TEXT("bad.bin"), EEntryOutcome::Corrupt);
		TestEqual(*FString::Printf(TEXT("%s: nothing finished"), Damage.Case), Sink.Files.Num(), 0);
		TestEqual(*FString::Printf(TEXT("%s: abandoned"), Damage.Case), Sink.Abandoned, 1);
		TestTrue(*FString::Printf(TEXT("%s: streamed before the damage showed"), Damage.Case), Sink.AbandonedBytes > 0);
	}

	// A stream that inflates far past its declared size (with that prefix's CRC) is stopped at
	// the declared size: no more than that reaches the sink, from a cap-sized declaration too.
	{
		const int32 Declared = static_cast<int32>(OutputPieceBytes + 10);
		TArray<uint8> Prefix = Text;
		Prefix.SetNum(Declared);
		FZipTestWriter Writer;
		const int32 Index = Writer.AddDeflated("grows.bin", Text);
		Writer.Entry(Index).UncompressedSize = Declared;
		Writer.Entry(Index).Crc = Crc32(Prefix);
		FExtractLimits Limits;
		Limits.MaxEntryBytes = Declared;
		Limits.MaxTotalBytes = Declared;
		AddExpectedErrorPlain(TEXT("[MOLDARI] Corrupt ZIP entry skipped: grows.bin"), EAutomationExpectedErrorFlags::Contains, 1);
		FRecordingSink Sink;
		const FExtractReport Report = ExtractInMemory(Writer.Build(), Sink, Limits);
		TestOutcome(*this, Report, TEXT("grows.bin"), EEntryOutcome::Corrupt);
		TestEqual(TEXT("inflates past its size: abandoned"), Sink.Abandoned, 1);
		TestTrue(TEXT("inflates past its size: at most the declared bytes handed on"),
			Sink.AbandonedBytes > 0 && Sink.AbandonedBytes <= Declared);
		TestEqual(TEXT("inflates past its size: nothing counted"), Report.BytesWritten, int64(0));
	}

	// A write that fails part-way: the entry is abandoned and cannot be written; one that is
	// corrupt as well is still told corrupt, as when nothing was written before the check.
	{
		FZipTestWriter Writer;
		Writer.AddDeflated("full.txt", Text);
		Writer.Entry(Writer.AddDeflated("full-and-bad.txt", Text)).Crc ^= 1;
		Writer.AddStored("after.txt", Bytes("after"));
		AddExpectedErrorPlain(FString(TEXT("[MOLDARI] Cannot write ZIP entry: ")) + MemoryExtractDir + TEXT("/full.txt"), EAutomationExpectedErrorFlags::Contains, 1);
		AddExpectedErrorPlain(TEXT("[MOLDARI] Corrupt ZIP entry skipped: full-and-bad.txt"), EAutomationExpectedErrorFlags::Contains, 1);
		FRecordingSink Sink;
		Sink.FailWritesAfter = 1;
		const FExtractReport Report = ExtractInMemory(Writer.Build(), Sink);
		TestOutcome(*this, Report, TEXT("full.txt"), EEntryOutcome::WriteFailed);
		TestOutcome(*this, Report, TEXT("full-and-bad.txt"), EEntryOutcome::Corrupt);
		TestEqual(TEXT("failed writes: both abandoned"), Sink.Abandoned, 2);
		TestWritten(*this, Sink, TEXT("after.txt"), Bytes("after"));
		TestEqual(TEXT("failed writes: only the next entry finished"), Sink.Files.Num(), 1);
	}

	// Reads that fail (a disk error, a file cut short after it was opened): the entry whose data
	// cannot be read is corrupt; an end that cannot be read is no archive read at all.
	{
		class FHoleSource : public IArchiveSource
		{
		public:
			FHoleSource(const TArray<uint8>& InBytes, int64 InHole) : Bytes(InBytes), Hole(InHole) {}
			virtual int64 Size() const override { return Bytes.Num(); }

		protected:
			virtual const uint8* ReadInBounds(int64 Offset, int64 Count, TArray<uint8>& Scratch) override
			{
				return Offset <= Hole && Hole < Offset + Count ? nullptr : Bytes.GetData() + Offset;
			}

		private:
			const TArray<uint8>& Bytes;
			int64 Hole;   // the one byte that cannot be read
		};

		FZipTestWriter Writer;
		Writer.AddStored("first.txt", Bytes("first"));
		const int32 Cut = Writer.AddDeflated("cut.txt", Text);
		Writer.AddStored("filler.bin", Repeated('f', EndRecordSearchWindow));   // keeps the cut out of the end's window
		const TArray<uint8> Archive = Writer.Build();
		FHoleSource Source(Archive, Writer.DataOffsetOf(Cut) + 100);
		AddExpectedErrorPlain(TEXT("[MOLDARI] Corrupt ZIP entry skipped: cut.txt"), EAutomationExpectedErrorFlags::Contains, 1);
		FRecordingSink Sink;
		FExtractReport Report;
		TestTrue(TEXT("unreadable data: extracted"), ExtractFromSource(Source, MemoryExtractDir, Sink, Report) == EZipExtractResult::Extracted);
		TestWritten(*this, Sink, TEXT("first.txt"), Bytes("first"));
		TestOutcome(*this, Report, TEXT("cut.txt"), EEntryOutcome::Corrupt);
		TestOutcome(*this, Report, TEXT("filler.bin"), EEntryOutcome::Written);

		FHoleSource Unreadable(Archive, Archive.Num() - 1);
		TestTrue(TEXT("unreadable end: cannot read"), ExtractFromSource(Unreadable, MemoryExtractDir, Sink, Report) == EZipExtractResult::CannotRead);
		TestEqual(TEXT("unreadable end: nothing read"), Report.Entries.Num(), 0);
	}
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIZipOverlapTest, "MOLDARI.Zip.Overlap", ZipTestFlags)

bool FMOLDARIZipOverlapTest::RunTest(const FString& Parameters)
{
	{
		FClaimedRanges Ranges;
		TestTrue(TEXT("first range"), Ranges.TryClaim(100, 200));
		TestTrue(TEXT("touching on the right"), Ranges.TryClaim(200, 300));
		TestTrue(TEXT("touching on the left"), Ranges.TryClaim(50, 100));
		TestFalse(TEXT("inside another"), Ranges.TryClaim(120, 130));
		TestFalse(TEXT("across a boundary"), Ranges.TryClaim(250, 350));
		TestFalse(TEXT("covering several"), Ranges.TryClaim(0, 1000));
		TestFalse(TEXT("same range again"), Ranges.TryClaim(100, 200));
		TestFalse(TEXT("ending one byte inside"), Ranges.TryClaim(0, 51));
		TestTrue(TEXT("in a gap"), Ranges.TryClaim(300, 301));
		TestEqual(TEXT("claimed ranges"), Ranges.Num(), 4);
	}

	// An entry whose local header lies in the tail of the previous entry's data, its own data
	// after it: only the claim of the header shows the overlap.
	{
		FZipTestWriter Writer;
		const TArray<uint8> OuterBytes = Repeated(0, 200);
		const int32 Outer = Writer.AddStored("outer.bin", OuterBytes);
		Writer.AddStored("inner.bin", Repeated(0, 20));
		const int64 InnerHeader = Writer.DataOffsetOf(Outer) + OuterBytes.Num();
		TArray<uint8> Stretched = OuterBytes;
		Stretched.Append(Writer.Build().GetData() + InnerHeader, 10);
		Writer.Entry(Outer).CompressedSize = Stretched.Num();
		Writer.Entry(Outer).Crc = Crc32(Stretched);
		AddExpectedErrorPlain(TEXT("[MOLDARI] Overlapping ZIP entry skipped: inner.bin"), EAutomationExpectedErrorFlags::Contains, 1);
		FRecordingSink Sink;
		const FExtractReport Report = ExtractInMemory(Writer.Build(), Sink);
		TestOutcome(*this, Report, TEXT("outer.bin"), EEntryOutcome::Written);
		TestOutcome(*this, Report, TEXT("inner.bin"), EEntryOutcome::Overlapping);
	}
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIZipExtractTest, "MOLDARI.Zip.Extract", ZipTestFlags)

bool FMOLDARIZipExtractTest::RunTest(const FString& Parameters)
{
	IFileManager& FileManager = IFileManager::Get();
	const FString Scratch = MOLDARIImportTest::MakeScratchDir(TEXT("ZipExtract"));
	const FString Prefix = SavedDirFull() / TEXT("Temp/MOLDARI/Extract_");

	FZipTestWriter Writer;
	Writer.AddDeflated("model.fbx", TextOfSize(5000));
	Writer.AddStored("Textures\\base.png", Bytes("\x89PNG\r\n\x1a\n", 8));
	Writer.AddStored("empty-dir/", TArray<uint8>());
	Writer.AddStored("dup.txt", Bytes("first"));
	Writer.AddDeflated("dup.txt", Bytes("second wins"));
	Writer.AddStored("../outside.txt", Bytes("must not appear"));
	Writer.AddStored("clash", Bytes("a file"));
	Writer.AddStored("clash/inner.txt", Bytes("needs a folder"));
	const FString ArchivePath = Scratch / TEXT("input.zip");
	FFileHelper::SaveArrayToFile(Writer.Build(), *ArchivePath);

	const TArray<FString> SavedBefore = FilesUnder(SavedDirFull());
	FString ExtractDir;
	// Both extractions below log the same two warnings.
	AddExpectedErrorPlain(TEXT("[MOLDARI] Skipping unsafe ZIP entry: ../outside.txt"), EAutomationExpectedErrorFlags::Contains, 2);
	AddExpectedErrorPlain(TEXT("[MOLDARI] Cannot write ZIP entry: "), EAutomationExpectedErrorFlags::Contains, 2);
	const EZipExtractResult Result = ExtractZipArchive(ArchivePath, ExtractDir);
	TestTrue(TEXT("extracted"), Result == EZipExtractResult::Extracted);
	TestTrue(TEXT("the folder is Saved/Temp/MOLDARI/Extract_<n>"), ExtractDir.StartsWith(Prefix) && ExtractDir.Len() > Prefix.Len());

	TArray<uint8> Loaded;
	TestTrue(TEXT("model written"), FFileHelper::LoadFileToArray(Loaded, *(ExtractDir / TEXT("model.fbx"))) && Loaded == TextOfSize(5000));
	TestTrue(TEXT("backslash name lands in its sub-folder"),
		FFileHelper::LoadFileToArray(Loaded, *(ExtractDir / TEXT("Textures/base.png"))) && Loaded.Num() == 8);
	TestTrue(TEXT("the later duplicate wins"), FFileHelper::LoadFileToArray(Loaded, *(ExtractDir / TEXT("dup.txt"))) && Loaded == Bytes("second wins"));
	TestFalse(TEXT("a directory entry makes no folder"), FileManager.DirectoryExists(*(ExtractDir / TEXT("empty-dir"))));

	// Nothing but the written files appeared anywhere in the Saved folder.
	const TArray<FString> SavedAfter = FilesUnder(SavedDirFull());
	TArray<FString> NewFiles;
	for (const FString& File : SavedAfter)
	{
		if (!SavedBefore.Contains(File))
		{
			NewFiles.Add(File.RightChop(ExtractDir.Len() + 1));
		}
	}
	NewFiles.Sort();
	TestEqualSensitive(TEXT("new files in Saved"), FString::Join(NewFiles, TEXT(",")), FString(TEXT("clash,dup.txt,model.fbx,Textures/base.png")));

	// A second extraction of the same archive never shares the folder.
	FString SecondDir;
	ExtractZipArchive(ArchivePath, SecondDir);
	TestNotEqual(TEXT("second extraction folder"), SecondDir, ExtractDir);
	TestEqual(TEXT("second folder holds one archive's files"), FilesUnder(SecondDir).Num(), 4);

	// Failures before the walk: the folder exists and stays empty.
	FFileHelper::SaveArrayToFile(Repeated('P', 4096), *(Scratch / TEXT("not-a.zip")));
	struct FFailure
	{
		const TCHAR* File;
		const TCHAR* Error;
		EZipExtractResult Result;
	};
	for (const FFailure& Failure : { FFailure{ TEXT("missing.zip"), TEXT("[MOLDARI] Cannot read ZIP: "), EZipExtractResult::CannotRead },
			 FFailure{ TEXT("not-a.zip"), TEXT("[MOLDARI] Invalid ZIP (no EOCD): "), EZipExtractResult::NoEndRecord } })
	{
		const FString File = Failure.File;
		FString Dir;
		AddExpectedErrorPlain(Failure.Error + (Scratch / File), EAutomationExpectedErrorFlags::Contains, 1);
		TestTrue(File + TEXT(": result"), ExtractZipArchive(Scratch / File, Dir) == Failure.Result);
		TestTrue(File + TEXT(": folder created"), FileManager.DirectoryExists(*Dir));
		TestEqual(File + TEXT(": folder empty"), EverythingUnder(Dir).Num(), 0);
		FileManager.DeleteDirectory(*Dir, false, true);
	}

	// Numbering: a taken number (folder or file) moves on to the next; the count wraps like
	// the 32-bit counter it comes from.
	{
		const FString Numbered = Scratch / TEXT("Extract_");
		FileManager.MakeDirectory(*(Numbered + TEXT("41")), true);
		FFileHelper::SaveArrayToFile(Bytes("x"), *(Numbered + TEXT("41/other-archive.txt")));
		FFileHelper::SaveArrayToFile(Bytes("x"), *(Numbered + TEXT("42")));
		const FString Picked = MakeUniqueExtractDir(Numbered, 41);
		TestEqual(TEXT("taken numbers are skipped"), Picked, Numbered + TEXT("43"));
		TestTrue(TEXT("the picked folder exists"), FileManager.DirectoryExists(*Picked));
		FileManager.MakeDirectory(*(Numbered + TEXT("2147483647")), true);
		TestEqual(TEXT("wraps to the lowest number"), MakeUniqueExtractDir(Numbered, 2147483647), Numbered + TEXT("-2147483648"));
	}

	FileManager.DeleteDirectory(*ExtractDir, false, true);
	FileManager.DeleteDirectory(*SecondDir, false, true);
	FileManager.DeleteDirectory(*Scratch, false, true);
	return true;
}

// The file road in pieces: large entries reach the disk whole; an entry that fails part-way
// leaves no file and no folder behind, and an earlier entry of the same name keeps its bytes.
IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIZipExtractInPiecesTest, "MOLDARI.Zip.ExtractInPieces", ZipTestFlags)

bool FMOLDARIZipExtractInPiecesTest::RunTest(const FString& Parameters)
{
	const FString Scratch = MOLDARIImportTest::MakeScratchDir(TEXT("ZipExtractInPieces"));
	const FString ExtractDir = Scratch / TEXT("Extract_1");
	IFileManager::Get().MakeDirectory(*ExtractDir, true);

	const TArray<uint8> Text = TextOfSize(static_cast<int32>(3 * OutputPieceBytes + 5));
	const TArray<uint8> Stored = Repeated('s', static_cast<int32>(2 * InputPieceBytes + 3));
	FZipTestWriter Writer;
	Writer.AddDeflated("large.txt", Text);
	Writer.AddStored("large.bin", Stored);
	Writer.AddStored("dup.txt", Bytes("kept"));
	Writer.Entry(Writer.AddDeflated("dup.txt", Text)).Crc ^= 1;
	Writer.AddStored("a/b.txt", Bytes("b"));
	Writer.AddDeflated("a", Text);   // a file where a folder is
	Writer.Entry(Writer.AddStored("newdir/late.bin", Stored)).Crc ^= 1;   // last: nothing may stay after it
	const FString ArchivePath = Scratch / TEXT("pieces.zip");
	FFileHelper::SaveArrayToFile(Writer.Build(), *ArchivePath);

	AddExpectedErrorPlain(TEXT("[MOLDARI] Corrupt ZIP entry skipped: dup.txt"), EAutomationExpectedErrorFlags::Contains, 1);
	AddExpectedErrorPlain(TEXT("[MOLDARI] Corrupt ZIP entry skipped: newdir/late.bin"), EAutomationExpectedErrorFlags::Contains, 1);
	AddExpectedErrorPlain(TEXT("[MOLDARI] Cannot write ZIP entry: ") + ExtractDir + TEXT("/a"), EAutomationExpectedErrorFlags::Contains, 1);
	FExtractReport Report;
	TestTrue(TEXT("extracted"), ExtractZipArchiveInto(ArchivePath, ExtractDir, Report) == EZipExtractResult::Extracted);

	TArray<uint8> Loaded;
	TestTrue(TEXT("large deflated entry whole on disk"), FFileHelper::LoadFileToArray(Loaded, *(ExtractDir / TEXT("large.txt"))) && Loaded == Text);
	TestTrue(TEXT("large stored entry whole on disk"), FFileHelper::LoadFileToArray(Loaded, *(ExtractDir / TEXT("large.bin"))) && Loaded == Stored);
	TestTrue(TEXT("a corrupt later duplicate leaves the earlier file"), FFileHelper::LoadFileToArray(Loaded, *(ExtractDir / TEXT("dup.txt"))) && Loaded == Bytes("kept"));
	TestFalse(TEXT("a corrupt entry makes no folder"), IFileManager::Get().DirectoryExists(*(ExtractDir / TEXT("newdir"))));
	TestOutcome(*this, Report, TEXT("a"), EEntryOutcome::WriteFailed);
	TestEqualSensitive(TEXT("files on disk"), FString::Join(FilesUnder(ExtractDir), TEXT(",")).Replace(*(ExtractDir + TEXT("/")), TEXT("")),
		FString(TEXT("a/b.txt,dup.txt,large.bin,large.txt")));
	TestEqual(TEXT("bytes counted"), Report.BytesWritten, int64(Text.Num() + Stored.Num() + 4 + 1));

	IFileManager::Get().DeleteDirectory(*Scratch, false, true);
	return true;
}

// Real archives from other tools, read in place: the ones that show a rule at work must write
// what they are known to. When MOLDARI_ZIP_CORPUS_MANIFEST names a file, the outcome of every
// entry is written there for Tests/zip, which holds each archive's files on disk to Info-ZIP's
// unzip and checks that nothing is written outside the extraction folders.
IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIZipCorpusTest, "MOLDARI.Zip.Corpus", ZipTestFlags)

bool FMOLDARIZipCorpusTest::RunTest(const FString& Parameters)
{
	FString CorpusDir = FPlatformMisc::GetEnvironmentVariable(TEXT("MOLDARI_ZIP_CORPUS"));
	if (CorpusDir.IsEmpty())
	{
		CorpusDir = MOLDARIImportTest::TestDataDir() / TEXT("zip-corpus");
	}
	TArray<FString> Archives;
	IFileManager::Get().FindFilesRecursive(Archives, *CorpusDir, TEXT("*.zip*"), true, false);
	Archives.Sort();
	if (!TestTrue(*FString::Printf(TEXT("corpus found in %s"), *CorpusDir), Archives.Num() >= 40))
	{
		return false;
	}

	struct FKnown
	{
		const TCHAR* File;
		const TCHAR* Written;   // relative paths of the written files, sorted, comma-separated
	};
	// Archives whose outcome shows a rule at work (traversal, bounds, damage, methods). Each
	// archive's result is held to expected.json by Tests/zip.
	const FKnown Known[] = {
		{ TEXT("zt-zip-malicious-traversal.zip"), TEXT("good.txt") },
		{ TEXT("zt-zip-malicious-traversal-root.zip"), TEXT("someroot/good.txt") },
		{ TEXT("yauzl-absolute-path-slash.zip"), TEXT("b.txt") },
		{ TEXT("yauzl-file-data-overflows-file-bounds.zip"), TEXT("b.txt") },
		{ TEXT("yauzl-bad-crc32.zip"), TEXT("b.txt") },
		{ TEXT("yauzl-not-enough-bytes-in-stream.zip"), TEXT("") },
		{ TEXT("yauzl-invalid-code-lengths-set.zip"), TEXT("") },
		{ TEXT("yauzl-bogus-compression-method.zip"), TEXT("") },
		{ TEXT("commons-compress-lorem-ipsum-deflate64.zip"), TEXT("") },
		{ TEXT("libarchive-test_read_format_zip_encryption_partially.zip"), TEXT("bar.txt") },
		{ TEXT("libarchive-test_read_format_zip_uncompressed_size_off_by_4gib.zip"), TEXT("") },
		{ TEXT("go-zip64.zip"), TEXT("") },
		{ TEXT("go-dupdir.zip"), TEXT("a/b") },
		{ TEXT("libarchive-test_compat_zip_8.zip"), TEXT("arc/test") },
		{ TEXT("libarchive-test_read_format_zip_high_compression.zip"), TEXT("char.bin") },
		{ TEXT("zt-zip-backSlashTest.zip"), TEXT("testDirectory/testfileInTestDirectory.txt,testDirectory/testSubdirectory/testFileInTestSubdirectory.txt") },
	};

	AddExpectedErrorPlain(TEXT("[MOLDARI] "), EAutomationExpectedErrorFlags::Contains, 0);   // the archives' own skips and refusals
	const FString ManifestPath = FPlatformMisc::GetEnvironmentVariable(TEXT("MOLDARI_ZIP_CORPUS_MANIFEST"));
	FString Manifest;
	int32 Checked = 0;
	for (const FString& Archive : Archives)
	{
		const FString File = FPaths::GetCleanFilename(Archive);
		FString ExtractDir;
		FExtractReport Report;
		const EZipExtractResult Result = ExtractZipArchiveWithReport(Archive, ExtractDir, Report);
		const bool bExtracted = Result == EZipExtractResult::Extracted;

		TArray<FString> Written;
		FString EntryLines;
		for (const FEntryReport& Entry : Report.Entries)
		{
			if (Entry.Outcome == EEntryOutcome::Written)
			{
				const FString Relative = Entry.TargetPath.RightChop(ExtractDir.Len() + 1);
				Written.AddUnique(Relative);
			}
			EntryLines += FString::Printf(TEXT("entry\t%d\t%s\t%s\n"), Entry.Index, LexOutcome(Entry.Outcome),
				*(Entry.Outcome == EEntryOutcome::Written ? Entry.TargetPath.RightChop(ExtractDir.Len() + 1) : FString()));
		}
		Written.Sort();

		for (const FKnown& Expect : Known)
		{
			if (File == Expect.File)
			{
				++Checked;
				TestEqual(*FString::Printf(TEXT("%s: result"), *File), bExtracted ? 1 : 0, Expect.Written ? 1 : 0);
				if (Expect.Written)
				{
					TestEqual(*FString::Printf(TEXT("%s: written"), *File), FString::Join(Written, TEXT(",")), FString(Expect.Written));
				}
			}
		}

		Manifest += FString::Printf(TEXT("archive\t%s\t%s\t%s\n"), *File,
			bExtracted ? TEXT("Extracted") : (Result == EZipExtractResult::NoEndRecord ? TEXT("NoEndRecord") : TEXT("CannotRead")), *ExtractDir);
		Manifest += EntryLines;
		if (ManifestPath.IsEmpty())
		{
			IFileManager::Get().DeleteDirectory(*ExtractDir, false, true);
		}
	}
	TestEqual(TEXT("known archives found in the corpus"), Checked, int32(UE_ARRAY_COUNT(Known)));

	if (!ManifestPath.IsEmpty())
	{
		FTCHARToUTF8 Utf8(*Manifest);
		TestTrue(TEXT("manifest written"), FFileHelper::SaveArrayToFile(
			TArrayView64<const uint8>(reinterpret_cast<const uint8*>(Utf8.Get()), Utf8.Length()), *ManifestPath));
	}
	return true;
}

#endif
