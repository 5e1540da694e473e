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
	constexpr const TCHAR* ExtractDirPrefix = TEXT("Temp/MOLDARI/Extract_");
	constexpr const TCHAR* PartialEntryName = TEXT("..partial");

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
			FString Name;
		};

		// Any non-null address stands for an empty range.
		const uint8 NoBytes = 0;

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

		// A bounded view of the central directory: records are read from a window that moves
		// forward, so a directory of any length costs DirectoryWindowBytes, and reading entry data
		// in between does not make the walk read the directory again.
		class FDirectoryWindow
		{
		public:
			explicit FDirectoryWindow(IArchiveSource& InSource) : Source(InSource) {}

			// Count bytes at Offset, or null when they are not in the archive. Valid until the
			// next call.
			const uint8* At(int64 Offset, int64 Count)
			{
				if (Data && Offset >= Base && Offset - Base <= Num && Count <= Num - (Offset - Base))
				{
					return Data + (Offset - Base);
				}
				if (Offset < 0 || Count < 0 || Offset > Source.Size() || Count > Source.Size() - Offset)
				{
					return nullptr;
				}
				const int64 Fill = FMath::Min(FMath::Max(Count, DirectoryWindowBytes), Source.Size() - Offset);
				Data = Source.Read(Offset, Fill, Scratch);
				Base = Offset;
				Num = Data ? Fill : 0;
				return Data;
			}

		private:
			IArchiveSource& Source;
			TArray<uint8> Scratch;
			const uint8* Data = nullptr;
			int64 Base = 0;
			int64 Num = 0;
		};

		// Reads the record at Position and moves past it. False ends the walk: the fixed part
		// or the name runs past the archive, or the signature is wrong.
		bool ReadCentralRecord(FDirectoryWindow& Window, int64& Position, FCentralRecord& Out)
		{
			const uint8* Fixed = Window.At(Position, CentralHeaderSize);
			if (!Fixed)
			{
				return false;
			}
			FZipCursor Cursor(Fixed, CentralHeaderSize);
			if (Cursor.PeekU32At(0) != CentralHeaderSignature)
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

			Position += CentralHeaderSize;
			const uint8* NameBytes = Window.At(Position, NameLength);
			if (!NameBytes)
			{
				return false;
			}
			Out.Name = DecodeName(NameBytes, NameLength);
			// Extra field and comment are not read; a record that claims more than the archive
			// holds leaves the position past the end and the next record ends the walk.
			Position += int64(NameLength) + ExtraLength + CommentLength;
			return true;
		}

		// Hands an entry's bytes to the sink. An entry that comes in one piece is held until it
		// proved intact and then written whole: a bad one never reaches the sink, and a small file
		// costs no partial file and no move. A larger one is streamed; a failed write stops the
		// writing but not the decoding, so it is still told corrupt or intact as if written whole.
		class FEntryOutput
		{
		public:
			FEntryOutput(IEntrySink& InSink, const FString& InTargetPath, bool bInWhole)
				: Sink(InSink)
				, TargetPath(InTargetPath)
				, bWhole(bInWhole)
			{
				if (!bWhole)
				{
					bOpen = Sink.BeginEntry(TargetPath);
					bFailed = !bOpen;
				}
			}
			~FEntryOutput() { Abandon(); }

			// In one piece, Data must stay valid until Finish.
			void Write(const uint8* Data, int64 Num)
			{
				if (bWhole)
				{
					WholeData = Data;
					WholeNum = Num;
				}
				else if (!bFailed && Num > 0 && !Sink.WritePiece(Data, Num))
				{
					bFailed = true;
				}
			}

			void Abandon()
			{
				if (bOpen)
				{
					bOpen = false;
					Sink.AbandonEntry();
				}
			}

			// True when every byte was written and the sink kept the entry.
			bool Finish()
			{
				if (bWhole)
				{
					return Sink.WriteEntry(TargetPath, WholeData, WholeNum);
				}
				if (bFailed)
				{
					Abandon();
					return false;
				}
				bOpen = false;
				return Sink.FinishEntry();
			}

		private:
			IEntrySink& Sink;
			const FString& TargetPath;
			const bool bWhole;
			const uint8* WholeData = &NoBytes;
			int64 WholeNum = 0;
			bool bOpen = false;
			bool bFailed = false;
		};

		// Copies Num stored bytes in pieces. True when all were read and match ExpectedCrc.
		bool CopyStored(IArchiveSource& Source, int64 Offset, int64 Num, uint32 ExpectedCrc, TArray<uint8>& Scratch, FEntryOutput& Output)
		{
			uLong Crc = crc32(0L, Z_NULL, 0);
			while (Num > 0)
			{
				const int64 Piece = FMath::Min(Num, InputPieceBytes);
				const uint8* Bytes = Source.Read(Offset, Piece, Scratch);
				if (!Bytes)
				{
					return false;
				}
				Crc = crc32(Crc, Bytes, static_cast<uInt>(Piece));
				Output.Write(Bytes, Piece);
				Offset += Piece;
				Num -= Piece;
			}
			return static_cast<uint32>(Crc) == ExpectedCrc;
		}

		// Inflates a raw deflate stream of InputBytes at Offset, handing on each full piece. True
		// only when the stream ends cleanly after exactly ExpectedBytes bytes that match
		// ExpectedCrc; a stream that goes on past ExpectedBytes is stopped at the first extra byte.
		bool InflateStream(IArchiveSource& Source, int64 Offset, int64 InputBytes, uint32 ExpectedBytes, uint32 ExpectedCrc,
			TArray<uint8>& Scratch, TArray<uint8>& Piece, FEntryOutput& Output)
		{
			z_stream Stream;
			memset(&Stream, 0, sizeof(Stream));
			if (inflateInit2(&Stream, RawDeflateWindowBits) != Z_OK)
			{
				return false;
			}

			uLong Crc = crc32(0L, Z_NULL, 0);
			uint32 Produced = 0;
			uint32 Pending = 0;   // bytes at the start of Piece not handed on yet
			uint8 Overrun = 0;    // catches a stream that goes on past the declared size
			int Result = Z_OK;
			while (Result == Z_OK)
			{
				if (Stream.avail_in == 0 && InputBytes > 0)
				{
					const int64 Count = FMath::Min(InputBytes, InputPieceBytes);
					const uint8* Bytes = Source.Read(Offset, Count, Scratch);
					if (!Bytes)
					{
						break;
					}
					Stream.next_in = const_cast<Bytef*>(Bytes);
					Stream.avail_in = static_cast<uInt>(Count);
					Offset += Count;
					InputBytes -= Count;
				}

				const uint32 Remaining = ExpectedBytes - Produced;
				uint8* Out = Piece.GetData() + Pending;
				if (Remaining > 0)
				{
					Stream.next_out = Out;
					Stream.avail_out = FMath::Min(Remaining, static_cast<uint32>(OutputPieceBytes) - Pending);
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
					// CRC each piece while it is still in cache.
					Crc = crc32(Crc, Out, Written);
					Produced += Written;
					Pending += Written;
					if (Pending == OutputPieceBytes || Produced == ExpectedBytes)
					{
						Output.Write(Piece.GetData(), Pending);
						Pending = 0;
					}
				}
			}
			inflateEnd(&Stream);
			return Result == Z_STREAM_END && Produced == ExpectedBytes && static_cast<uint32>(Crc) == ExpectedCrc;
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

	// ---- Sinks and sources ----

	FFileSystemSink::FFileSystemSink(const FString& InPartialPath)
		: PartialPath(InPartialPath)
	{
	}

	FFileSystemSink::~FFileSystemSink()
	{
		AbandonEntry();
	}

	bool FFileSystemSink::WriteEntry(const FString& InTargetPath, const uint8* Data, int64 Num)
	{
		IFileManager::Get().MakeDirectory(*FPaths::GetPath(InTargetPath), true);
		if (FFileHelper::SaveArrayToFile(TArrayView64<const uint8>(Data, Num), *InTargetPath, &IFileManager::Get(), 0))
		{
			return true;
		}
		// The engine's writer leaves what it wrote before the disk filled up.
		IFileManager::Get().Delete(*InTargetPath, false, false, true);
		return false;
	}

	bool FFileSystemSink::BeginEntry(const FString& InTargetPath)
	{
		AbandonEntry();
		TargetPath = InTargetPath;
		// A fresh file opened to append: a truncated one would make its close wait, on ext4, for
		// the write-back of the whole entry.
		IFileManager::Get().Delete(*PartialPath, false, false, true);
		Writer = TUniquePtr<FArchive>(IFileManager::Get().CreateFileWriter(*PartialPath, FILEWRITE_Append));
		return Writer != nullptr;
	}

	bool FFileSystemSink::WritePiece(const uint8* Data, int64 Num)
	{
		if (!Writer)
		{
			return false;
		}
		Writer->Serialize(const_cast<uint8*>(Data), Num);
		return !Writer->IsError();
	}

	bool FFileSystemSink::FinishEntry()
	{
		if (!Writer)
		{
			return false;
		}
		// Closing writes what the writer still buffers: a full disk may show only here.
		const bool bClosed = Writer->Close() && !Writer->IsCriticalError();
		Writer = nullptr;
		// The move makes the target's folder, as writing it in place did.
		if (!bClosed || !IFileManager::Get().Move(*TargetPath, *PartialPath, true, false, false, true))
		{
			IFileManager::Get().Delete(*PartialPath, false, false, true);
			return false;
		}
		return true;
	}

	void FFileSystemSink::AbandonEntry()
	{
		if (Writer)
		{
			Writer->Close();
			Writer = nullptr;
			IFileManager::Get().Delete(*PartialPath, false, false, true);
		}
	}

	FString PartialEntryPath(const FString& ExtractDir)
	{
		FString Path = ExtractDir;
		const FString Name(PartialEntryName);
		Path.PathAppend(*Name, Name.Len());
		return Path;
	}

	const uint8* IArchiveSource::Read(int64 Offset, int64 Count, TArray<uint8>& Scratch)
	{
		// Offsets and counts are at most 2^32 + 2^17 here, so the 64-bit sums cannot wrap.
		if (Offset < 0 || Count < 0 || Offset > Size() || Count > Size() - Offset)
		{
			return nullptr;
		}
		return Count == 0 ? &NoBytes : ReadInBounds(Offset, Count, Scratch);
	}

	const uint8* FMemoryArchiveSource::ReadInBounds(int64 Offset, int64 Count, TArray<uint8>& Scratch)
	{
		return Data + Offset;
	}

	FFileArchiveSource::FFileArchiveSource(FArchive& InReader)
		: Reader(InReader)
		, FileSize(InReader.TotalSize())
	{
	}

	const uint8* FFileArchiveSource::ReadInBounds(int64 Offset, int64 Count, TArray<uint8>& Scratch)
	{
		if (Scratch.Num() < Count)
		{
			Scratch.SetNumUninitialized(static_cast<int32>(Count), EAllowShrinking::No);
		}
		if (Reader.Tell() != Offset)
		{
			Reader.Seek(Offset);
		}
		Reader.Serialize(Scratch.GetData(), Count);
		// The reader's error is sticky: once a read failed (the file shrank, a disk error) every
		// later read fails too.
		return Reader.IsError() ? nullptr : Scratch.GetData();
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

	EZipExtractResult ExtractFromSource(IArchiveSource& Source, const FString& ExtractDir, IEntrySink& Sink,
		FExtractReport& OutReport, const FExtractLimits& Limits)
	{
		OutReport = FExtractReport();
		FDirectoryWindow Window(Source);

		// The end record lies in the archive's last EndRecordSearchWindow bytes.
		const int64 TailBytes = FMath::Min(Source.Size(), EndRecordSearchWindow);
		const int64 TailStart = Source.Size() - TailBytes;
		const uint8* Tail = Window.At(TailStart, TailBytes);
		if (!Tail)
		{
			return EZipExtractResult::CannotRead;
		}
		const int64 EndRecord = FindEndRecord(Tail, TailBytes);
		if (EndRecord == INDEX_NONE)
		{
			return EZipExtractResult::NoEndRecord;
		}
		FZipCursor EndCursor(Tail, TailBytes, EndRecord);
		const uint16 EntryCount = EndCursor.PeekU16At(EocdEntryCountOffset);
		const uint32 DirectoryOffset = EndCursor.PeekU32At(EocdDirectoryOffsetOffset);
		OutReport.AnnouncedEntries = EntryCount;
		int64 Position = DirectoryOffset;

		// Targets must stay below the folder itself, not merely share its name's prefix.
		FString FolderPrefix = ExtractDir;
		if (!FolderPrefix.EndsWith(TEXT("/")) && !FolderPrefix.EndsWith(TEXT("\\")))
		{
			FolderPrefix.AppendChar(TEXT('/'));
		}

		FClaimedRanges Claimed;
		TArray<uint8> InputScratch;   // one piece of archive bytes at a time
		TArray<uint8> OutputPiece;    // one piece of inflated bytes at a time
		uint8 LocalHeader[LocalHeaderSize];

		for (int32 Index = 0; Index < EntryCount; ++Index)
		{
			FCentralRecord Record;
			if (!ReadCentralRecord(Window, Position, Record))
			{
				OutReport.bWalkStoppedEarly = true;
				break;
			}
			++OutReport.RecordsRead;

			FEntryReport Entry;
			Entry.Index = Index;
			Entry.Name = MoveTemp(Record.Name);

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

			const uint8* LocalBytes = Source.Read(Record.LocalHeaderOffset, LocalHeaderSize, InputScratch);
			if (!LocalBytes)
			{
				AddOutcome(OutReport, Entry, EEntryOutcome::OutOfBounds);
				continue;
			}
			memcpy(LocalHeader, LocalBytes, LocalHeaderSize);
			FZipCursor Local(LocalHeader, LocalHeaderSize);
			const int64 DataStart = int64(Record.LocalHeaderOffset) + LocalHeaderSize
				+ Local.PeekU16At(LfhNameLengthOffset) + Local.PeekU16At(LfhExtraLengthOffset);
			if (DataStart > Source.Size() || int64(Record.CompressedSize) > Source.Size() - DataStart)
			{
				AddOutcome(OutReport, Entry, EEntryOutcome::OutOfBounds);
				continue;
			}

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
			const bool bStored = Record.Method == MethodStored;
			const int64 OutputBytes = bStored ? int64(Record.CompressedSize) : int64(Record.UncompressedSize);
			if (int64(Record.UncompressedSize) > Limits.MaxEntryBytes || OutputBytes > Limits.MaxEntryBytes
				|| OutReport.BytesWritten + OutputBytes > Limits.MaxTotalBytes)
			{
				UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] ZIP entry too large, skipped: %s"), *Entry.Name);
				AddOutcome(OutReport, Entry, EEntryOutcome::TooLarge);
				continue;
			}

			bool bIntact = false;
			if (bStored || OutputBytes <= int64(Record.CompressedSize) * MaxDeflateRatio)
			{
				FEntryOutput Output(Sink, Entry.TargetPath, OutputBytes <= (bStored ? InputPieceBytes : OutputPieceBytes));
				if (bStored)
				{
					bIntact = CopyStored(Source, DataStart, OutputBytes, Record.Crc, InputScratch, Output);
				}
				else
				{
					OutputPiece.SetNumUninitialized(static_cast<int32>(OutputPieceBytes), EAllowShrinking::No);
					bIntact = InflateStream(Source, DataStart, Record.CompressedSize, Record.UncompressedSize, Record.Crc,
						InputScratch, OutputPiece, Output);
				}
				if (bIntact && !Output.Finish())
				{
					UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Cannot write ZIP entry: %s"), *Entry.TargetPath);
					AddOutcome(OutReport, Entry, EEntryOutcome::WriteFailed);
					continue;
				}
			}
			if (!bIntact)
			{
				UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Corrupt ZIP entry skipped: %s"), *Entry.Name);
				AddOutcome(OutReport, Entry, EEntryOutcome::Corrupt);
				continue;
			}
			OutReport.BytesWritten += OutputBytes;
			AddOutcome(OutReport, Entry, EEntryOutcome::Written);
		}
		return EZipExtractResult::Extracted;
	}

	bool ExtractFromMemory(const uint8* Data, int64 Size, const FString& ExtractDir, IEntrySink& Sink,
		FExtractReport& OutReport, const FExtractLimits& Limits)
	{
		FMemoryArchiveSource Source(Data, Size);
		return ExtractFromSource(Source, ExtractDir, Sink, OutReport, Limits) == EZipExtractResult::Extracted;
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
		TUniquePtr<FArchive> Reader(IFileManager::Get().CreateFileReader(*ArchivePath, FILEREAD_Silent));
		EZipExtractResult Result = EZipExtractResult::CannotRead;
		if (Reader)
		{
			FFileArchiveSource Source(*Reader);
			FFileSystemSink Sink(PartialEntryPath(ExtractDir));
			Result = ExtractFromSource(Source, ExtractDir, Sink, OutReport);
		}
		if (Result == EZipExtractResult::CannotRead)
		{
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Cannot read ZIP: %s"), *ArchivePath);
		}
		else if (Result == EZipExtractResult::NoEndRecord)
		{
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Invalid ZIP (no EOCD): %s"), *ArchivePath);
		}
		return Result;
	}
}

EZipExtractResult ExtractZipArchive(const FString& ArchivePath, FString& OutExtractDir)
{
	MOLDARIZip::FExtractReport Report;
	return MOLDARIZip::ExtractZipArchiveWithReport(ArchivePath, OutExtractDir, Report);
}
