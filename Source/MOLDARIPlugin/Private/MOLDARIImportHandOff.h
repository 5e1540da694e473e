// From a stored archive to the main thread: ZIP archives are extracted on the archive worker
// thread first; the engine's part of the import then runs on the main thread's next tick.
#pragma once

#include "CoreMinimal.h"

// Any thread: a stored archive goes on to its import, as the work of the import job JobId (0:
// none). A ZIP archive is extracted on the worker thread first; a USDZ is imported as it is.
void HandOffStoredArchive(const FString& ArchivePath, const FString& Name, const FString& Kind, int64 JobId = 0);
// Any thread: the import runs once, on the main thread's next tick: of the extracted folder
// ExtractDir when given, else of the archive itself. An empty path (a failed store) schedules
// nothing.
void ScheduleImport(const FString& ArchivePath, const FString& Name, const FString& Kind, int64 JobId = 0, const FString& ExtractDir = FString());
// Main thread, at module shut-down: every scheduled import that has not started is logged as not
// run and its files removed; imports scheduled afterwards are refused the same way.
void CancelScheduledImports();
// Main thread, at module start-up: scheduling is open again (a module loaded after an unload).
void ReopenImportScheduling();
// Logged for every import that the editor's shut-down keeps from running.
void LogImportNotRun(const FString& Name);
