// A stored archive's way to the main thread, and what becomes of it when the editor shuts down
// on the way.
#include "MOLDARIImportHandOff.h"
#include "MOLDARIArchiveDownload.h"
#include "MOLDARIArchiveWorker.h"
#include "MOLDARIImport.h"
#include "MOLDARIImportJobs.h"

#include <map>
#include <mutex>

#include "Containers/Ticker.h"
#include "HAL/FileManager.h"

namespace
{
	// Imports handed to the core ticker that have not started yet, so that shutting the editor
	// down can say which never ran and remove their files. Scheduled from the HTTP, listener or
	// worker thread, taken on the main thread.
	struct FScheduledImport
	{
		FString ArchivePath;
		FString ExtractDir;
		FString Name;
		int64 JobId = 0;
	};
	std::mutex ScheduledMutex;
	std::map<uint64, FScheduledImport> ScheduledImports;
	uint64 NextScheduledImport = 0;
	bool bSchedulingClosed = false;

	void NotRun(const FString& ArchivePath, const FString& ExtractDir, const FString& Name, int64 JobId)
	{
		LogImportNotRun(Name);
		MOLDARIJobs::MarkNotRun(JobId);
		if (!ExtractDir.IsEmpty())
		{
			IFileManager::Get().DeleteDirectory(*ExtractDir, false, true);
		}
		MOLDARIIntake::RemoveTempArchive(ArchivePath);
	}

	// Worker thread: the archive's files for the main thread's part of the import.
	void ExtractThenSchedule(const FString& ArchivePath, const FString& Name, const FString& Kind, int64 JobId)
	{
		MOLDARIJobs::FJobScope Job(JobId);
		FString ExtractDir;
		if (!ExtractArchiveForImport(ArchivePath, ExtractDir))
		{
			// An archive that cannot be read as a ZIP leaves its extraction folder empty: it goes too.
			if (!ExtractDir.IsEmpty())
			{
				IFileManager::Get().DeleteDirectory(*ExtractDir, false, true);
			}
			MOLDARIIntake::RemoveTempArchive(ArchivePath);
			return; // the job ends failed with the reason the extraction gave
		}
		Job.KeepOpen();
		ScheduleImport(ArchivePath, Name, Kind, JobId, ExtractDir);
		// Its files are out: the archive goes here, while the main thread imports, so that thread
		// never waits for a large file to be freed.
		MOLDARIIntake::RemoveTempArchive(ArchivePath);
	}
}

void LogImportNotRun(const FString& Name)
{
	UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Import not run (editor shutting down): %s"), *Name);
}

void HandOffStoredArchive(const FString& ArchivePath, const FString& Name, const FString& Kind, int64 JobId)
{
	if (Kind.Equals(TEXT("usdz"), ESearchCase::IgnoreCase))
	{
		ScheduleImport(ArchivePath, Name, Kind, JobId);
		return;
	}
	const bool bQueued = MOLDARIArchiveWorker::Enqueue(
		[ArchivePath, Name, Kind, JobId]() { ExtractThenSchedule(ArchivePath, Name, Kind, JobId); },
		[ArchivePath, Name, JobId]() { NotRun(ArchivePath, FString(), Name, JobId); });
	if (!bQueued)
	{
		NotRun(ArchivePath, FString(), Name, JobId);
	}
}

void ScheduleImport(const FString& ArchivePath, const FString& Name, const FString& Kind, int64 JobId, const FString& ExtractDir)
{
	if (ArchivePath.IsEmpty())
	{
		return; // the store failed and said so
	}
	uint64 Id = 0;
	{
		std::lock_guard<std::mutex> Lock(ScheduledMutex);
		if (!bSchedulingClosed)
		{
			Id = ++NextScheduledImport;
			ScheduledImports.emplace(Id, FScheduledImport{ ArchivePath, ExtractDir, Name, JobId });
		}
	}
	if (Id == 0)
	{
		// Too late: the module is shutting down and its import code may be gone by the next tick.
		NotRun(ArchivePath, ExtractDir, Name, JobId);
		return;
	}
	FTSTicker::GetCoreTicker().AddTicker(FTickerDelegate::CreateLambda([Id, ArchivePath, ExtractDir, Name, Kind, JobId](float)
	{
		{
			std::lock_guard<std::mutex> Lock(ScheduledMutex);
			if (ScheduledImports.erase(Id) == 0)
			{
				return false; // dropped at shut-down, already reported
			}
		}
		MOLDARIJobs::FJobScope Job(JobId);
		if (ExtractDir.IsEmpty())
		{
			ImportArchive(ArchivePath, Name, Kind);
		}
		else
		{
			ImportExtractedArchive(ExtractDir, Name);
		}
		return false;
	}), 0.0f);
}

void CancelScheduledImports()
{
	std::map<uint64, FScheduledImport> Dropped;
	{
		std::lock_guard<std::mutex> Lock(ScheduledMutex);
		bSchedulingClosed = true;
		Dropped.swap(ScheduledImports);
	}
	for (const auto& Entry : Dropped)
	{
		NotRun(Entry.second.ArchivePath, Entry.second.ExtractDir, Entry.second.Name, Entry.second.JobId);
	}
}

void ReopenImportScheduling()
{
	std::lock_guard<std::mutex> Lock(ScheduledMutex);
	bSchedulingClosed = false;
}
