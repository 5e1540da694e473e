// Import intake after the reply: the archive is stored in a temporary folder of its own (a
// download written to disk as it arrives, a local file copied) and handed on to extraction and
// import. No part of it runs on the editor's main thread.
#pragma once

#include "CoreMinimal.h"
#include "MOLDARIImportHandOff.h"

// Listener thread: starts the download of Url for the import job JobId (0: none). The body goes
// to the archive's file on the HTTP thread as it arrives; the import follows.
void StartArchiveDownload(const FString& Url, const FString& Name, const FString& Kind, int64 JobId = 0);
// Main thread, at module shut-down: every download still running is cut off, its file removed
// and its import logged as not run; none of its delegates does anything afterwards (the HTTP
// module outlives this module).
void AbandonDownloads();

// True when Bytes begins with the ZIP local file header signature 50 4B 03 04.
bool IsArchiveSignature(const TArray<uint8>& Bytes);
bool IsArchiveSignature(const uint8* Bytes, int64 Num);

// Writes Bytes to <TempDir>/<a folder of its own>/<Name>.zip (or .usdz); the file's full path,
// or an empty string (logged, nothing left behind) when the file cannot be written whole.
FString StoreTempArchive(const TArray<uint8>& Bytes, const FString& Name, const FString& Kind);

enum class ELocalArchiveStore : uint8
{
	Stored,
	Unreadable,     // missing, a folder, unreadable, or larger than a download may be
	NotAnArchive,   // no ZIP signature (pipes and devices, which report no size, land here)
	CannotStore,    // the copy could not be written whole (logged)
};
// Listener thread: copies a local archive into a folder of its own, in bounded pieces, after
// its size and signature are checked; OutArchivePath is the copy on Stored.
ELocalArchiveStore StoreLocalArchive(const FString& SourcePath, const FString& Name, const FString& Kind, FString& OutArchivePath);

namespace MOLDARIIntake
{
	// Largest accepted download, inclusive.
	constexpr int64 MaxDownloadBytes = 524288000;
	// Longest sanitised asset name.
	constexpr int32 MaxNameLength = 64;
	// Folders made for stored archives start with this, directly under TempDir.
	#define MOLDARI_ARCHIVE_FOLDER_PREFIX TEXT("Archive_")

	// Saved/Temp/MOLDARI, where temporary archives and extraction folders live.
	FString GetTempDir();
	// True for a folder made for a stored archive (directly under TempDir, with the prefix).
	bool IsTempArchiveFolder(const FString& Folder);
	// Any thread: a new, empty folder for one archive, and the archive's path in it
	// (<Name>.zip, or .usdz for Kind "usdz"); false when the folder cannot be made.
	bool MakeArchiveFolder(const FString& Name, const FString& Kind, FString& OutArchivePath);
	// Removes a stored archive with the folder of its own it sits in.
	void RemoveTempArchive(const FString& ArchivePath);

	// The asset name rules of the import endpoint: last path component, letters, digits, '_'
	// and '-' kept, everything else '_', at most MaxNameLength characters, "asset" when empty.
	FString SanitizeImportName(const FString& RawName);
	// "usdz" when the lower-cased URL ends with ".usdz", else "zip".
	FString ImportKindOf(const FString& Url);
	// The URL with every character below 0x20 written as '?', for the log line only.
	FString UrlForLog(const FString& Url);
}
