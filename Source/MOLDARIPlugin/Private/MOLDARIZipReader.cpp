#include "MOLDARIZipReader.h"

#include "HAL/FileManager.h"
#include "HAL/PlatformTime.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"

#include <cstring>

THIRD_PARTY_INCLUDES_START
#include "zlib.h"
THIRD_PARTY_INCLUDES_END

namespace MOLDARIZip
{
	// End of central directory record.
	constexpr uint32 EndRecordSignature = 0x06054b50;          // 50 4B 05 06
	constexpr int64 EocdEntryCountOffset = 10;
	constexpr int64 EocdDirectoryOffsetOffset = 16;

	// Central directory file header.
	constexpr uint32 CentralHeaderSignature = 0x02014b50;      // 50 4B 01 02
	constexpr int64 CentralHeaderSize = 46;
	constexpr int64 CdhFlagsOffset = 8;
	constexpr int64 CdhMethodOffset = 10;
	constexpr int64 CdhCrcOffset = 16;
	constexpr int64 CdhCompressedSizeOffset = 20;
	constexpr int64 CdhUncompressedSizeOffset = 24;
	constexpr int64 CdhNameLengthOffset = 28;
	constexpr int64 CdhExtraLengthOffset = 30;
	constexpr int64 CdhCommentLengthOffset = 32;
	constexpr int64 CdhLocalHeaderOffsetOffset = 42;

	// Local file header: only the two lengths that lead to the data are read.
	constexpr int64 LocalHeaderSize = 30;
	constexpr int64 LfhNameLengthOffset = 26;
	constexpr int64 LfhExtraLengthOffset = 28;

	constexpr uint16 MethodStored = 0;
	constexpr uint16 MethodDeflate = 8;
	constexpr uint16 FlagEncrypted = 0x0001;

	constexpr int RawDeflateWindowBits = -15;                  // raw deflate, 32 KiB window, no wrapper
	constexpr uint32 InflateChunkBytes = 256 * 1024;           // CRC each piece while it is still in cache
	constexpr uint32 CrcChunkBytes = 1u << 30;                 // zlib's crc32 takes a 32-bit length
	constexpr const TCHAR* ExtractDirPrefix = TEXT("Temp/MOLDARI/Extract_");

	namespace
	{
		struct FCentralRecord
		{
			uint16 Flags = 0;
			uint16 Method = 0;
			uint32 Crc = 0;
			uint32 CompressedSize = 0;
			uint32 UncompressedSize = 0;
			uint32 LocalHeaderOffset = 0;
			const uint8* NameBytes = nullptr;
			int32 NameLength = 0;
		};

		// Reads the record at the cursor and moves past it. False ends the walk: the fixed part
		// or the name runs past the buffer, or the signature is wrong.
		bool ReadCentralRecord(FZipCursor& Cursor, FCentralRecord& Out)
		{
			if (!Cursor.HasRoom(CentralHeaderSize) || Cursor.PeekU32At(0) != CentralHeaderSignature)
			{
				return false;
			}
			Out.Flags = Cursor.PeekU16At(CdhFlagsOffset);
			Out.Method = Cursor.PeekU16At(CdhMethodOffset);
			Out.Crc = Cursor.PeekU32At(CdhCrcOffset);
			Out.CompressedSize = Cursor.PeekU32At(CdhCompressedSizeOffset);
			Out.UncompressedSize = Cursor.PeekU32At(CdhUncompressedSizeOffset);
			Out.LocalHeaderOffset = Cursor.PeekU32At(CdhLocalHeaderOffsetOffset);
			const uint16 NameLength = Cursor.PeekU16At(CdhNameLengthOffset);
			const uint16 ExtraLength = Cursor.PeekU16At(CdhExtraLengthOffset);
			const uint16 CommentLength = Cursor.PeekU16At(CdhCommentLengthOffset);

			Cursor.Skip(CentralHeaderSize);
			Out.NameBytes = Cursor.ReadBytes(NameLength);
			Out.NameLength = NameLength;
			if (Cursor.HasError())
			{
				return false;
			}
			// Extra field and comment are not read; a record that claims more than the buffer
			// holds leaves the cursor past the end and the next record ends the walk.
			Cursor.Skip(int64(ExtraLength) + CommentLength);
			return true;
		}

		// The name as UTF-8 up to its first zero byte; invalid sequences get the engine's
		// replacement, whatever the general purpose flag says.
		FString DecodeName(const uint8* Bytes, int32 Length)
		{
			if (Length == 0)
			{
				return FString();
			}
			const uint8* Zero = static_cast<const uint8*>(memchr(Bytes, 0, Length));
			const int32 Used = Zero ? static_cast<int32>(Zero - Bytes) : Length;
			if (Used == 0)
			{
				return FString();
			}
			FUTF8ToTCHAR Converted(reinterpret_cast<const ANSICHAR*>(Bytes), Used);
			return FString(Converted.Length(), Converted.Get());
		}

		uint32 Crc32Of(const uint8* Data, int64 Num)
		{
			uLong Crc = crc32(0L, Z_NULL, 0);
			while (Num > 0)
			{
				const uInt Piece = static_cast<uInt>(Num < CrcChunkBytes ? Num : CrcChunkBytes);
				Crc = crc32(Crc, Data, Piece);
				Data += Piece;
				Num -= Piece;
			}
			return static_cast<uint32>(Crc);
		}

		// Inflates a raw deflate stream into exactly DestBytes bytes. True only when the stream
		// ends cleanly, fills the buffer exactly and matches ExpectedCrc; on false the buffer
		// must not be used.
		bool InflateEntry(const uint8* Source, uint32 SourceBytes, uint8* Dest, uint32 DestBytes, uint32 ExpectedCrc)
		{
			z_stream Stream;
			memset(&Stream, 0, sizeof(Stream));
			Stream.next_in = const_cast<Bytef*>(Source);
			Stream.avail_in = SourceBytes;
			if (inflateInit2(&Stream, RawDeflateWindowBits) != Z_OK)
			{
				return false;
			}

			uLong Crc = crc32(0L, Z_NULL, 0);
			uint32 Produced = 0;
			uint8 Overrun = 0;   // catches a stream that goes on past the declared size
			int Result = Z_OK;
			while (Result == Z_OK)
			{
				const uint32 Remaining = DestBytes - Produced;
				if (Remaining > 0)
				{
					Stream.next_out = Dest + Produced;
					Stream.avail_out = Remaining < InflateChunkBytes ? Remaining : InflateChunkBytes;
				}
				else
				{
					Stream.next_out = &Overrun;
					Stream.avail_out = 1;
				}
				const uint32 Offered = Stream.avail_out;
				Result = inflate(&Stream, Z_NO_FLUSH);
				const uint32 Written = Offered - Stream.avail_out;
				if (Remaining == 0)
				{
					if (Written > 0)
					{
						Result = Z_DATA_ERROR;
					}
				}
				else if (Written > 0)
				{
					Crc = crc32(Crc, Dest + Produced, Written);
					Produced += Written;
				}
			}
			inflateEnd(&Stream);
			return Result == Z_STREAM_END && Produced == DestBytes && static_cast<uint32>(Crc) == ExpectedCrc;
		}

		void AddOutcome(FExtractReport& Report, FEntryReport Entry, EEntryOutcome Outcome)
		{
			Entry.Outcome = Outcome;
			Report.Entries.Add(Entry);
		}
	}

	const TCHAR* LexOutcome(EEntryOutcome Outcome)
	{
		switch (Outcome)
		{
		case EEntryOutcome::Written: return TEXT("Written");
		case EEntryOutcome::Directory: return TEXT("Directory");
		case EEntryOutcome::UnsafeName: return TEXT("UnsafeName");
		case EEntryOutcome::OutOfBounds: return TEXT("OutOfBounds");
		case EEntryOutcome::Overlapping: return TEXT("Overlapping");
		case EEntryOutcome::EscapesFolder: return TEXT("EscapesFolder");
		case EEntryOutcome::Unsupported: return TEXT("Unsupported");
		case EEntryOutcome::TooLarge: return TEXT("TooLarge");
		case EEntryOutcome::Corrupt: return TEXT("Corrupt");
		case EEntryOutcome::WriteFailed: return TEXT("WriteFailed");
		}
		return TEXT("Unknown");
	}

	int32 FExtractReport::CountOf(EEntryOutcome Outcome) const
	{
		int32 Count = 0;
		for (const FEntryReport& Entry : Entries)
		{
			Count += Entry.Outcome == Outcome ? 1 : 0;
		}
		return Count;
	}

	const FEntryReport* FExtractReport::FindByName(const FString& Name) const
	{
		for (int32 Index = Entries.Num() - 1; Index >= 0; --Index)
		{
			if (Entries[Index].Name.Equals(Name, ESearchCase::CaseSensitive))
			{
				return &Entries[Index];
			}
		}
		return nullptr;
	}

	bool FFileSystemSink::WriteEntry(const FString& TargetPath, const uint8* Data, int64 Num)
	{
		IFileManager::Get().MakeDirectory(*FPaths::GetPath(TargetPath), true);
		return FFileHelper::SaveArrayToFile(TArrayView64<const uint8>(Data, Num), *TargetPath, &IFileManager::Get(), 0);
	}

	// ---- FZipCursor ----

	FZipCursor::FZipCursor(const uint8* InData, int64 InSize, int64 InPosition)
		: Data(InData)
		, Size(InSize)
		, Position(InPosition)
	{
	}

	bool FZipCursor::InBuffer(int64 At, int64 Count) const
	{
		// Every operand is at most 2^32 + 2^16 here, so the 64-bit sum cannot wrap.
		return At >= 0 && Count >= 0 && At <= Size && Count <= Size - At;
	}

	bool FZipCursor::HasRoom(int64 Count) const
	{
		return InBuffer(Position, Count);
	}

	uint16 FZipCursor::PeekU16At(int64 RecordOffset) const
	{
		const int64 At = Position + RecordOffset;
		if (!InBuffer(At, 2))
		{
			bError = true;
			return 0;
		}
		return static_cast<uint16>(Data[At] | (Data[At + 1] << 8));
	}

	uint32 FZipCursor::PeekU32At(int64 RecordOffset) const
	{
		const int64 At = Position + RecordOffset;
		if (!InBuffer(At, 4))
		{
			bError = true;
			return 0;
		}
		return uint32(Data[At]) | (uint32(Data[At + 1]) << 8) | (uint32(Data[At + 2]) << 16) | (uint32(Data[At + 3]) << 24);
	}

	const uint8* FZipCursor::ReadBytes(int64 Count)
	{
		if (!InBuffer(Position, Count))
		{
			bError = true;
			Position += Count;
			return nullptr;
		}
		const uint8* Bytes = Data + Position;
		Position += Count;
		return Bytes;
	}

	void FZipCursor::Skip(int64 Count)
	{
		Position += Count;
	}

	void FZipCursor::Seek(int64 InPosition)
	{
		Position = InPosition;
	}

	// ---- FClaimedRanges ----

	bool FClaimedRanges::TryClaim(uint64 Begin, uint64 End)
	{
		if (End <= Begin)
		{
			return true;   // an empty range overlaps nothing
		}
		// The claimed ranges are disjoint, so only the nearest neighbour on each side can overlap.
		auto Next = Ranges.lower_bound(Begin);
		if (Next != Ranges.end() && Next->first < End)
		{
			return false;
		}
		if (Next != Ranges.begin())
		{
			auto Previous = std::prev(Next);
			if (Previous->second > Begin)
			{
				return false;
			}
		}
		Ranges.emplace_hint(Next, Begin, End);
		return true;
	}

	// ---- Names ----

	bool IsWindowsReservedName(const FString& PathPart)
	{
		// "con.txt" and "con.tar.gz" open the console as well as "con" does.
		int32 BaseLength = PathPart.Find(TEXT("."), ESearchCase::CaseSensitive);
		if (BaseLength == INDEX_NONE)
		{
			BaseLength = PathPart.Len();
		}
		// Windows ignores spaces before the extension: "CON .txt" is the console too.
		while (BaseLength > 0 && PathPart[BaseLength - 1] == TEXT(' '))
		{
			--BaseLength;
		}
		const FString Base = PathPart.Left(BaseLength);   // FString's == ignores case
		if (Base == TEXT("CON") || Base == TEXT("PRN") || Base == TEXT("AUX") || Base == TEXT("NUL"))
		{
			return true;
		}
		if (Base.Len() == 4 && (Base.StartsWith(TEXT("COM")) || Base.StartsWith(TEXT("LPT"))))
		{
			return Base[3] >= TEXT('1') && Base[3] <= TEXT('9');
		}
		return false;
	}

	// Characters no Windows file name may hold; refused everywhere, so an archive extracts the
	// same files on every platform.
	bool HasCharacterWindowsRefuses(const FString& Name)
	{
		for (const TCHAR Char : Name)
		{
			if (static_cast<uint32>(Char) < 0x20 || Char == TEXT('<') || Char == TEXT('>') || Char == TEXT('"') || Char == TEXT('|')
				|| Char == TEXT('?') || Char == TEXT('*'))
			{
				return true;
			}
		}
		return false;
	}

	bool IsUnsafeEntryName(const FString& Name)
	{
		if (Name.IsEmpty() || Name.Contains(TEXT("..")) || Name.StartsWith(TEXT("/")) || Name.Contains(TEXT(":")) || HasCharacterWindowsRefuses(Name))
		{
			return true;
		}
		TArray<FString> Parts;
		Name.ParseIntoArray(Parts, TEXT("/"), true);
		for (const FString& Part : Parts)
		{
			if (Part.EndsWith(TEXT(".")) || Part.EndsWith(TEXT(" ")) || IsWindowsReservedName(Part))
			{
				return true;
			}
		}
		return false;
	}

	// ---- End record ----

	int64 FindEndRecord(const uint8* Data, int64 Size)
	{
		const int64 Lowest = Size > EndRecordSearchWindow ? Size - EndRecordSearchWindow : 0;
		FZipCursor Cursor(Data, Size);
		for (int64 Position = Size - EndRecordSize; Position >= Lowest; --Position)
		{
			Cursor.Seek(Position);
			if (Cursor.PeekU32At(0) == EndRecordSignature)
			{
				return Position;
			}
		}
		return INDEX_NONE;
	}

	// ---- The walk ----

	bool ExtractFromMemory(const uint8* Data, int64 Size, const FString& ExtractDir, IEntrySink& Sink,
		FExtractReport& OutReport, const FExtractLimits& Limits)
	{
		OutReport = FExtractReport();
		const int64 EndRecord = FindEndRecord(Data, Size);
		if (EndRecord == INDEX_NONE)
		{
			return false;
		}

		FZipCursor Cursor(Data, Size, EndRecord);
		const uint16 EntryCount = Cursor.PeekU16At(EocdEntryCountOffset);
		const uint32 DirectoryOffset = Cursor.PeekU32At(EocdDirectoryOffsetOffset);
		OutReport.AnnouncedEntries = EntryCount;
		Cursor.Seek(DirectoryOffset);

		// Targets must stay below the folder itself, not merely share its name's prefix.
		FString FolderPrefix = ExtractDir;
		if (!FolderPrefix.EndsWith(TEXT("/")) && !FolderPrefix.EndsWith(TEXT("\\")))
		{
			FolderPrefix.AppendChar(TEXT('/'));
		}

		FClaimedRanges Claimed;
		TArray<uint8> Inflated;   // reused: holds at most one entry at a time

		for (int32 Index = 0; Index < EntryCount; ++Index)
		{
			FCentralRecord Record;
			if (!ReadCentralRecord(Cursor, Record))
			{
				OutReport.bWalkStoppedEarly = true;
				break;
			}
			++OutReport.RecordsRead;

			FEntryReport Entry;
			Entry.Index = Index;
			Entry.Name = DecodeName(Record.NameBytes, Record.NameLength);

			// Directory entries are recognised by the name as stored, before '\' becomes '/'.
			if (Entry.Name.EndsWith(TEXT("/")))
			{
				AddOutcome(OutReport, Entry, EEntryOutcome::Directory);
				continue;
			}
			Entry.Name.ReplaceInline(TEXT("\\"), TEXT("/"));

			if (IsUnsafeEntryName(Entry.Name))
			{
				UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Skipping unsafe ZIP entry: %s"), *Entry.Name);
				AddOutcome(OutReport, Entry, EEntryOutcome::UnsafeName);
				continue;
			}

			FZipCursor Local(Data, Size, Record.LocalHeaderOffset);
			if (!Local.HasRoom(LocalHeaderSize))
			{
				AddOutcome(OutReport, Entry, EEntryOutcome::OutOfBounds);
				continue;
			}
			const int64 DataStart = int64(Record.LocalHeaderOffset) + LocalHeaderSize
				+ Local.PeekU16At(LfhNameLengthOffset) + Local.PeekU16At(LfhExtraLengthOffset);
			Local.Seek(DataStart);
			if (!Local.HasRoom(Record.CompressedSize))
			{
				AddOutcome(OutReport, Entry, EEntryOutcome::OutOfBounds);
				continue;
			}
			const uint8* EntryData = Data + DataStart;

			// Many directory records over one stretch of data is the overlapping zip bomb; the local
			// header belongs to the range so entries hidden inside another's data are caught too.
			if (!Claimed.TryClaim(Record.LocalHeaderOffset, uint64(DataStart) + Record.CompressedSize))
			{
				UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Overlapping ZIP entry skipped: %s"), *Entry.Name);
				AddOutcome(OutReport, Entry, EEntryOutcome::Overlapping);
				continue;
			}

			Entry.TargetPath = ExtractDir;
			Entry.TargetPath.PathAppend(*Entry.Name, Entry.Name.Len());
			FPaths::NormalizeFilename(Entry.TargetPath);
			if (!Entry.TargetPath.StartsWith(FolderPrefix, ESearchCase::IgnoreCase))
			{
				UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] ZIP entry escapes extract dir: %s"), *Entry.TargetPath);
				AddOutcome(OutReport, Entry, EEntryOutcome::EscapesFolder);
				continue;
			}

			if ((Record.Flags & FlagEncrypted) != 0 || (Record.Method != MethodStored && Record.Method != MethodDeflate))
			{
				UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Unsupported ZIP entry skipped: %s"), *Entry.Name);
				AddOutcome(OutReport, Entry, EEntryOutcome::Unsupported);
				continue;
			}

			// Stored entries are copied at their compressed size, as other readers do.
			const int64 OutputBytes = Record.Method == MethodStored ? int64(Record.CompressedSize) : int64(Record.UncompressedSize);
			if (int64(Record.UncompressedSize) > Limits.MaxEntryBytes || OutputBytes > Limits.MaxEntryBytes
				|| OutReport.BytesWritten + OutputBytes > Limits.MaxTotalBytes)
			{
				UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] ZIP entry too large, skipped: %s"), *Entry.Name);
				AddOutcome(OutReport, Entry, EEntryOutcome::TooLarge);
				continue;
			}

			const uint8* Content = EntryData;
			bool bIntact = false;
			if (Record.Method == MethodStored)
			{
				bIntact = Crc32Of(EntryData, OutputBytes) == Record.Crc;
			}
			else if (OutputBytes <= int64(Record.CompressedSize) * MaxDeflateRatio)
			{
				Inflated.SetNumUninitialized(static_cast<int32>(OutputBytes), EAllowShrinking::No);
				bIntact = InflateEntry(EntryData, Record.CompressedSize, Inflated.GetData(), Record.UncompressedSize, Record.Crc);
				Content = Inflated.GetData();
			}
			if (!bIntact)
			{
				UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Corrupt ZIP entry skipped: %s"), *Entry.Name);
				AddOutcome(OutReport, Entry, EEntryOutcome::Corrupt);
				continue;
			}

			if (!Sink.WriteEntry(Entry.TargetPath, Content, OutputBytes))
			{
				UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Cannot write ZIP entry: %s"), *Entry.TargetPath);
				AddOutcome(OutReport, Entry, EEntryOutcome::WriteFailed);
				continue;
			}
			OutReport.BytesWritten += OutputBytes;
			AddOutcome(OutReport, Entry, EEntryOutcome::Written);
		}
		return true;
	}

	// ---- On disk ----

	FString MakeUniqueExtractDir(const FString& Prefix, int32 FirstNumber)
	{
		IFileManager& FileManager = IFileManager::Get();
		uint32 Number = static_cast<uint32>(FirstNumber);
		for (;;)
		{
			FString Candidate = Prefix;
			Candidate.AppendInt(static_cast<int32>(Number));
			if (!FileManager.DirectoryExists(*Candidate) && !FileManager.FileExists(*Candidate))
			{
				FileManager.MakeDirectory(*Candidate, true);
				return Candidate;
			}
			++Number;   // wraps like the counter it came from
		}
	}

	EZipExtractResult ExtractZipArchiveWithReport(const FString& ArchivePath, FString& OutExtractDir, FExtractReport& OutReport)
	{
		OutReport = FExtractReport();
		// A full path, whether the editor gives project folders relative to its binaries folder (a
		// project on the engine's drive) or not: the material builder's texture check, the importers
		// and the log all see the one folder.
		FString Prefix = FPaths::ConvertRelativePathToFull(FPaths::ProjectSavedDir());
		const FString Folder(ExtractDirPrefix);
		Prefix.PathAppend(*Folder, Folder.Len());
		OutExtractDir = MakeUniqueExtractDir(Prefix, static_cast<int32>(FPlatformTime::Cycles()));
		return ExtractZipArchiveInto(ArchivePath, OutExtractDir, OutReport);
	}

	EZipExtractResult ExtractZipArchiveInto(const FString& ArchivePath, const FString& ExtractDir, FExtractReport& OutReport)
	{
		OutReport = FExtractReport();
		TArray<uint8> Archive;
		if (!FFileHelper::LoadFileToArray(Archive, *ArchivePath, FILEREAD_Silent))
		{
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Cannot read ZIP: %s"), *ArchivePath);
			return EZipExtractResult::CannotRead;
		}

		FFileSystemSink Sink;
		if (!ExtractFromMemory(Archive.GetData(), Archive.Num(), ExtractDir, Sink, OutReport))
		{
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Invalid ZIP (no EOCD): %s"), *ArchivePath);
			return EZipExtractResult::NoEndRecord;
		}
		return EZipExtractResult::Extracted;
	}
}

EZipExtractResult ExtractZipArchive(const FString& ArchivePath, FString& OutExtractDir)
{
	MOLDARIZip::FExtractReport Report;
	return MOLDARIZip::ExtractZipArchiveWithReport(ArchivePath, OutExtractDir, Report);
}
