// ZIP reading and safe extraction of an import archive into a fresh extraction folder.
#pragma once

#include "CoreMinimal.h"
#include "Serialization/Archive.h"
#include "Templates/UniquePtr.h"

#include <map>

enum class EZipExtractResult
{
	CannotRead,
	NoEndRecord,
	Extracted
};

// Creates a new, unique folder under Saved/Temp/MOLDARI, reads the archive from its file and
// writes every acceptable entry into that folder. OutExtractDir receives the folder in every
// outcome. Any thread: it touches no UObject and no ticker, only files and the log. Blocks until
// every entry is written.
EZipExtractResult ExtractZipArchive(const FString& ArchivePath, FString& OutExtractDir);

namespace MOLDARIZip
{
	// The reader's limits. The archive is read from its file in bounded pieces, so memory does
	// not grow with the archive or with any entry.
	constexpr int64 EndRecordSize = 22;
	constexpr int64 EndRecordSearchWindow = 65558;             // 22 + 65536: one byte more than the longest comment needs
	constexpr int64 MaxEntryBytes = int64(1) << 30;            // 1 GiB declared (or stored) size of one entry
	constexpr int64 MaxTotalBytes = int64(4) << 30;            // 4 GiB written per archive
	constexpr int64 MaxDeflateRatio = 1032;                    // deflate cannot expand one input byte beyond this
	constexpr int64 DirectoryWindowBytes = 256 * 1024;         // holds any record's fixed part and name (46 + 65535)
	// Pieces of 64 KiB cost a tenth more time than these; from 256 KiB to 1 MiB the time is
	// flat within 2%, 512 KiB the quickest by a little.
	constexpr int64 InputPieceBytes = 512 * 1024;              // archive bytes read at a time
	constexpr int64 OutputPieceBytes = 512 * 1024;             // inflated bytes handed on at a time

	// Why an entry ended up written or not; each skip has its own reason so callers and tests
	// can tell them apart.
	enum class EEntryOutcome : uint8
	{
		Written,
		Directory,     // name ends with '/': folders are made for files on demand
		UnsafeName,    // "..", leading '/', ':', empty, Windows device name, trailing dot or space
		OutOfBounds,   // local header or data outside the archive
		Overlapping,   // data range shared with an entry seen earlier
		EscapesFolder, // normalised target path leaves the extraction folder
		Unsupported,   // compression method other than stored/deflate, or encrypted
		TooLarge,      // over the per-entry or per-archive size cap
		Corrupt,       // deflate stream or CRC-32 does not match the directory
		WriteFailed    // the file system refused the write
	};

	const TCHAR* LexOutcome(EEntryOutcome Outcome);

	struct FEntryReport
	{
		int32 Index = 0;             // position in the central directory
		FString Name;                // decoded name, backslashes already turned into '/'
		FString TargetPath;          // where the entry was (or would have been) written
		EEntryOutcome Outcome = EEntryOutcome::Written;
	};

	struct FExtractReport
	{
		int32 AnnouncedEntries = 0;  // entry count from the end record
		int32 RecordsRead = 0;       // central directory records the walk reached
		bool bWalkStoppedEarly = false;
		int64 BytesWritten = 0;
		TArray<FEntryReport> Entries;

		int32 CountOf(EEntryOutcome Outcome) const;
		const FEntryReport* FindByName(const FString& Name) const;
	};

	struct FExtractLimits
	{
		int64 MaxEntryBytes = MOLDARIZip::MaxEntryBytes;
		int64 MaxTotalBytes = MOLDARIZip::MaxTotalBytes;
	};

	// Receives the entries that pass every check. One that fits in a single piece (at most
	// InputPieceBytes stored, OutputPieceBytes inflated) is decoded and verified first and comes
	// whole through WriteEntry. A larger one comes while it is decoded: BeginEntry, its bytes in
	// pieces no larger than that, then FinishEntry once it proved intact, or AbandonEntry when it
	// did not, which must leave nothing of it behind. After a false from BeginEntry nothing more
	// of that entry arrives; after a false from WritePiece only AbandonEntry does.
	class IEntrySink
	{
	public:
		virtual ~IEntrySink() = default;
		virtual bool WriteEntry(const FString& TargetPath, const uint8* Data, int64 Num) = 0;
		virtual bool BeginEntry(const FString& TargetPath) = 0;
		virtual bool WritePiece(const uint8* Data, int64 Num) = 0;
		virtual bool FinishEntry() = 0;
		virtual void AbandonEntry() = 0;
	};

	// Writes a whole entry in place, as the engine's file helper does, and removes what a failed
	// write left. Streams a larger one to PartialPath through the engine's file writer and moves
	// it to its target once intact, so a corrupt entry or a full disk leaves no file behind and
	// never spoils an earlier entry of the same name. PartialPath must be a name no entry can have.
	class FFileSystemSink : public IEntrySink
	{
	public:
		explicit FFileSystemSink(const FString& InPartialPath);
		virtual ~FFileSystemSink() override;

		virtual bool WriteEntry(const FString& TargetPath, const uint8* Data, int64 Num) override;
		virtual bool BeginEntry(const FString& TargetPath) override;
		virtual bool WritePiece(const uint8* Data, int64 Num) override;
		virtual bool FinishEntry() override;
		virtual void AbandonEntry() override;

	private:
		FString PartialPath;
		FString TargetPath;
		TUniquePtr<FArchive> Writer;   // open between BeginEntry and FinishEntry or AbandonEntry
	};

	// Random access to the archive's bytes. Read checks the range against the size; a range
	// that is not there, or cannot be read, gives null.
	class IArchiveSource
	{
	public:
		virtual ~IArchiveSource() = default;
		virtual int64 Size() const = 0;

		// Count bytes from Offset. Sources that hold the bytes return a pointer into them; others
		// fill Scratch (grown to Count) and return it. Valid until the next read with Scratch.
		const uint8* Read(int64 Offset, int64 Count, TArray<uint8>& Scratch);

	protected:
		virtual const uint8* ReadInBounds(int64 Offset, int64 Count, TArray<uint8>& Scratch) = 0;
	};

	// An archive held in memory (fuzzers and tests).
	class FMemoryArchiveSource : public IArchiveSource
	{
	public:
		FMemoryArchiveSource(const uint8* InData, int64 InSize) : Data(InData), DataSize(InSize) {}
		virtual int64 Size() const override { return DataSize; }

	protected:
		virtual const uint8* ReadInBounds(int64 Offset, int64 Count, TArray<uint8>& Scratch) override;

	private:
		const uint8* Data;
		int64 DataSize;
	};

	// An archive read through the engine's file reader; the reader must outlive the source.
	class FFileArchiveSource : public IArchiveSource
	{
	public:
		explicit FFileArchiveSource(FArchive& InReader);
		virtual int64 Size() const override { return FileSize; }

	protected:
		virtual const uint8* ReadInBounds(int64 Offset, int64 Count, TArray<uint8>& Scratch) override;

	private:
		FArchive& Reader;
		int64 FileSize;
	};

	// Bounds-checked little-endian reads over a buffer of archive bytes (the end's window, a
	// record's fixed part). A read outside the buffer returns zero and sets a sticky error flag,
	// so a record is parsed first and judged once.
	class FZipCursor
	{
	public:
		FZipCursor(const uint8* InData, int64 InSize, int64 InPosition = 0);

		void Seek(int64 InPosition);

		uint16 PeekU16At(int64 RecordOffset) const;   // relative to the current position
		uint32 PeekU32At(int64 RecordOffset) const;

		int64 Tell() const { return Position; }
		bool HasError() const { return bError; }

	private:
		bool InBuffer(int64 At, int64 Count) const;

		const uint8* Data;
		int64 Size;
		int64 Position;
		mutable bool bError = false;
	};

	// Data ranges claimed by the entries extracted so far, kept disjoint and ordered:
	// each claim is one O(log n) look-up, so a directory of n records costs O(n log n).
	class FClaimedRanges
	{
	public:
		// Claims [Begin, End) unless it overlaps a range already claimed.
		bool TryClaim(uint64 Begin, uint64 End);
		int32 Num() const { return static_cast<int32>(Ranges.size()); }

	private:
		std::map<uint64, uint64> Ranges;   // begin -> end
	};

	// Offset of the end of central directory record nearest the end of the buffer within the
	// search window, or INDEX_NONE.
	int64 FindEndRecord(const uint8* Data, int64 Size);

	// True when a decoded name (with '/' separators) must not be written: it holds "..",
	// begins with '/', holds ':', is empty, or has a part that Windows cannot hold as a file.
	bool IsUnsafeEntryName(const FString& Name);
	bool IsWindowsReservedName(const FString& PathPart);

	// Walks the central directory and hands every acceptable entry to Sink, with target paths
	// inside ExtractDir. CannotRead when the end of the archive cannot be read, NoEndRecord (and
	// nothing written) when no end record is found. Skips are logged as warnings and recorded in
	// OutReport. Memory is bounded by the window and piece sizes above, whatever the archive holds.
	EZipExtractResult ExtractFromSource(IArchiveSource& Source, const FString& ExtractDir, IEntrySink& Sink,
		FExtractReport& OutReport, const FExtractLimits& Limits = FExtractLimits());

	// ExtractFromSource over an archive held in memory; false when no end record is found.
	bool ExtractFromMemory(const uint8* Data, int64 Size, const FString& ExtractDir, IEntrySink& Sink,
		FExtractReport& OutReport, const FExtractLimits& Limits = FExtractLimits());

	// Where FFileSystemSink writes an entry of ExtractDir until it is intact: ".." in the name
	// makes it one no entry can have.
	FString PartialEntryPath(const FString& ExtractDir);

	// Prefix + the first free number from FirstNumber on (a folder or file of that name already
	// exists: try the next); the folder is created before it is returned.
	FString MakeUniqueExtractDir(const FString& Prefix, int32 FirstNumber);

	// ExtractZipArchive with the per-entry report.
	EZipExtractResult ExtractZipArchiveWithReport(const FString& ArchivePath, FString& OutExtractDir,
		FExtractReport& OutReport);

	// Reads the archive from its file and extracts it into an existing folder (no unique folder
	// is made).
	EZipExtractResult ExtractZipArchiveInto(const FString& ArchivePath, const FString& ExtractDir, FExtractReport& OutReport);
}
