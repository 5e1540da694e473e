// ZIP reading and safe extraction of an import archive into a fresh extraction folder.
#pragma once

#include "CoreMinimal.h"

#include <map>

enum class EZipExtractResult
{
	CannotRead,
	NoEndRecord,
	Extracted
};

// Creates a new, unique folder under Saved/Temp/MOLDARI, loads the archive and writes every
// acceptable entry into that folder. OutExtractDir receives the folder in every outcome.
// Main thread; blocks until every entry is written.
EZipExtractResult ExtractZipArchive(const FString& ArchivePath, FString& OutExtractDir);

namespace MOLDARIZip
{
	// The reader's limits. Every archive is held in memory whole, plus at most one entry.
	constexpr int64 EndRecordSize = 22;
	constexpr int64 EndRecordSearchWindow = 65558;             // 22 + 65536: one byte more than the longest comment needs
	constexpr int64 MaxEntryBytes = int64(1) << 30;            // 1 GiB declared (or stored) size of one entry
	constexpr int64 MaxTotalBytes = int64(4) << 30;            // 4 GiB written per archive
	constexpr int64 MaxDeflateRatio = 1032;                    // deflate cannot expand one input byte beyond this

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

	// Receives each verified entry; the disk writer creates the folder and the file.
	class IEntrySink
	{
	public:
		virtual ~IEntrySink() = default;
		virtual bool WriteEntry(const FString& TargetPath, const uint8* Data, int64 Num) = 0;
	};

	class FFileSystemSink : public IEntrySink
	{
	public:
		virtual bool WriteEntry(const FString& TargetPath, const uint8* Data, int64 Num) override;
	};

	// Bounds-checked little-endian reads over the archive buffer. A read outside the buffer
	// returns zero and sets a sticky error flag, so a record is parsed first and judged once.
	class FZipCursor
	{
	public:
		FZipCursor(const uint8* InData, int64 InSize, int64 InPosition = 0);

		const uint8* ReadBytes(int64 Count);   // null (and error) if the range is not in the buffer
		void Skip(int64 Count);
		void Seek(int64 InPosition);

		uint16 PeekU16At(int64 RecordOffset) const;   // relative to the current position
		uint32 PeekU32At(int64 RecordOffset) const;
		bool HasRoom(int64 Count) const;               // Count bytes left from the position

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

	// Walks the central directory of an archive held in memory and hands every acceptable entry
	// to Sink, with target paths inside ExtractDir. Returns false (and writes nothing) when no
	// end record is found. Skips are logged as warnings and recorded in OutReport.
	bool ExtractFromMemory(const uint8* Data, int64 Size, const FString& ExtractDir, IEntrySink& Sink,
		FExtractReport& OutReport, const FExtractLimits& Limits = FExtractLimits());

	// Prefix + the first free number from FirstNumber on (a folder or file of that name already
	// exists: try the next); the folder is created before it is returned.
	FString MakeUniqueExtractDir(const FString& Prefix, int32 FirstNumber);

	// ExtractZipArchive with the per-entry report.
	EZipExtractResult ExtractZipArchiveWithReport(const FString& ArchivePath, FString& OutExtractDir,
		FExtractReport& OutReport);

	// Loads the archive and extracts it into an existing folder (no unique folder is made).
	EZipExtractResult ExtractZipArchiveInto(const FString& ArchivePath, const FString& ExtractDir, FExtractReport& OutReport);
}
