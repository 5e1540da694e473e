// Import intake after the reply: fetching the archive, checking it, storing it in a temporary
// folder of its own and handing the import to the main thread.
#pragma once

#include "CoreMinimal.h"
#include "HttpFwd.h"

// Listener thread: starts the download of Url for the import job JobId (0: none); the import
// follows on the main thread.
void StartArchiveDownload(const FString& Url, const FString& Name, const FString& Kind, int64 JobId = 0);
// Any thread (thread-safe): the end of a download.
void HandleDownloadComplete(FHttpRequestPtr Request, FHttpResponsePtr Response, bool bConnectedSuccessfully, const FString& Name, const FString& Kind,
	int64 JobId = 0);
// True when Bytes begins with the ZIP local file header signature 50 4B 03 04.
bool IsArchiveSignature(const TArray<uint8>& Bytes);
// Writes Bytes to <TempDir>/<a folder of its own>/<Name>.zip (or .usdz); the file's full path,
// or an empty string (logged, nothing left behind) when the file cannot be written whole.
FString StoreTempArchive(const TArray<uint8>& Bytes, const FString& Name, const FString& Kind);
// Any thread: ImportArchive(ArchivePath, Name, Kind) once, on the main thread's next tick, as the
// work of the import job JobId (0: none). An empty path (a failed store) schedules nothing.
void ScheduleImport(const FString& ArchivePath, const FString& Name, const FString& Kind, int64 JobId = 0);
// Main thread, at module shut-down: every scheduled import that has not started is logged as not
// run and its archive removed; imports scheduled afterwards are refused the same way.
void CancelScheduledImports();
// Main thread, at module shut-down: every download still running is cut off and logged as not
// run; none of its delegates does anything afterwards (the HTTP module outlives this module).
void AbandonDownloads();
// Main thread, at module start-up: scheduling is open again (a module loaded after an unload).
void ReopenImportScheduling();

namespace MOLDARIIntake
{
	// Largest accepted download, inclusive.
	constexpr int64 MaxDownloadBytes = 524288000;
	// Longest sanitised asset name.
	constexpr int32 MaxNameLength = 64;
	// Folders made by StoreTempArchive start with this, directly under TempDir.
	#define MOLDARI_ARCHIVE_FOLDER_PREFIX TEXT("Archive_")

	// Saved/Temp/MOLDARI, where temporary archives and extraction folders live.
	FString GetTempDir();
	// True for a folder StoreTempArchive made (directly under TempDir, with the prefix).
	bool IsTempArchiveFolder(const FString& Folder);

	// The asset name rules of the import endpoint: last path component, letters, digits, '_'
	// and '-' kept, everything else '_', at most MaxNameLength characters, "asset" when empty.
	FString SanitizeImportName(const FString& RawName);
	// "usdz" when the lower-cased URL ends with ".usdz", else "zip".
	FString ImportKindOf(const FString& Url);
	// The URL with every character below 0x20 written as '?', for the log line only.
	FString UrlForLog(const FString& Url);
}
