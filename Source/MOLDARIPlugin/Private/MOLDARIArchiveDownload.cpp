// Fetching an archive with the engine's HTTP module, bounding its size while it arrives,
// checking its signature, storing it and scheduling the import on the main thread.
#include "MOLDARIArchiveDownload.h"
#include "MOLDARIImport.h"
#include "MOLDARIImportJobs.h"

#include <atomic>
#include <map>
#include <mutex>

#include "Containers/Ticker.h"
#include "HAL/FileManager.h"
#include "HAL/PlatformProcess.h"
#include "HttpModule.h"
#include "Interfaces/IHttpRequest.h"
#include "Interfaces/IHttpResponse.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"

namespace
{
	// Unique in this process; the process id keeps two editors apart.
	std::atomic<uint32> NextArchiveFolder{ 0 };

	// Imports handed to the core ticker that have not started yet, so that shutting the editor
	// down can say which never ran and remove their archives. Scheduled from the HTTP or the
	// listener thread, taken on the main thread.
	struct FScheduledImport
	{
		FString ArchivePath;
		FString Name;
		int64 JobId = 0;
	};
	std::mutex ScheduledMutex;
	std::map<uint64, FScheduledImport> ScheduledImports;
	uint64 NextScheduledImport = 0;
	bool bSchedulingClosed = false;

	// Removes a stored archive with the folder of its own it sits in.
	void RemoveTempArchive(const FString& ArchivePath)
	{
		const FString Folder = FPaths::GetPath(ArchivePath);
		if (MOLDARIIntake::IsTempArchiveFolder(Folder))
		{
			IFileManager::Get().DeleteDirectory(*Folder, false, true);
		}
		else
		{
			IFileManager::Get().Delete(*ArchivePath, false, false, true);
		}
	}

	// Downloads in flight, so that shutting the module down can cut them off. Added on the
	// listener thread, removed on the HTTP thread at completion or on the main thread at shut-down.
	struct FDownloadState
	{
		std::atomic<bool> bTooLarge{ false };   // cut off for its size; the completion has nothing to add
		std::atomic<bool> bAbandoned{ false };  // cut off at shut-down; its delegates do nothing
	};
	struct FDownloadInFlight
	{
		TSharedRef<IHttpRequest, ESPMode::ThreadSafe> Request;
		TSharedRef<FDownloadState, ESPMode::ThreadSafe> State;
		FString Name;
		int64 JobId = 0;
	};
	std::mutex DownloadsMutex;
	std::map<uint64, FDownloadInFlight> Downloads;
	uint64 NextDownload = 0;

	void ForgetDownload(uint64 Id)
	{
		std::lock_guard<std::mutex> Lock(DownloadsMutex);
		Downloads.erase(Id);
	}

	void LogImportNotRun(const FString& Name)
	{
		UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Import not run (editor shutting down): %s"), *Name);
	}
}

FString MOLDARIIntake::GetTempDir()
{
	FString TempDir = FPaths::ProjectSavedDir();
	TempDir.PathAppend(TEXT("Temp/MOLDARI"), 12);
	return TempDir;
}

bool MOLDARIIntake::IsTempArchiveFolder(const FString& Folder)
{
	FString Parent = FPaths::GetPath(Folder);
	FString TempDir = GetTempDir();
	FPaths::NormalizeDirectoryName(Parent);
	FPaths::NormalizeDirectoryName(TempDir);
	return Parent == TempDir && FPaths::GetCleanFilename(Folder).StartsWith(MOLDARI_ARCHIVE_FOLDER_PREFIX, ESearchCase::CaseSensitive);
}

void StartArchiveDownload(const FString& Url, const FString& Name, const FString& Kind, int64 JobId)
{
	TSharedRef<IHttpRequest, ESPMode::ThreadSafe> Request = FHttpModule::Get().CreateRequest();
	Request->SetVerb(TEXT("GET"));
	Request->SetURL(Url);
	// Progress and completion on the HTTP thread, so the size bound holds whatever the main
	// thread is doing; the completion handler touches nothing shared.
	Request->SetDelegateThreadPolicy(EHttpRequestDelegateThreadPolicy::CompleteOnHttpThread);
	TSharedRef<FDownloadState, ESPMode::ThreadSafe> State = MakeShared<FDownloadState, ESPMode::ThreadSafe>();
	uint64 DownloadId = 0;
	{
		std::lock_guard<std::mutex> Lock(DownloadsMutex);
		DownloadId = ++NextDownload;
		Downloads.emplace(DownloadId, FDownloadInFlight{ Request, State, Name, JobId });
	}
	Request->OnRequestProgress64().BindLambda([State, JobId](FHttpRequestPtr InRequest, uint64 BytesSent, uint64 BytesReceived)
	{
		if (State->bTooLarge.load() || State->bAbandoned.load() || !InRequest.IsValid())
		{
			return;
		}
		const FHttpResponsePtr Response = InRequest->GetResponse();
		const uint64 Announced = Response.IsValid() ? Response->GetContentLength() : 0;
		const uint64 Limit = static_cast<uint64>(MOLDARIIntake::MaxDownloadBytes);
		if (BytesReceived > Limit || Announced > Limit)
		{
			State->bTooLarge.store(true);
			const uint64 Reported = FMath::Min<uint64>(FMath::Max(BytesReceived, Announced), static_cast<uint64>(MAX_int32));
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Download too large (%d bytes, limit %lld)"), static_cast<int32>(Reported), static_cast<long long>(MOLDARIIntake::MaxDownloadBytes));
			MOLDARIJobs::Fail(JobId, FString::Printf(TEXT("Download too large (%d bytes, limit %lld)"), static_cast<int32>(Reported),
				static_cast<long long>(MOLDARIIntake::MaxDownloadBytes)));
			InRequest->CancelRequest();
			return;
		}
		MOLDARIJobs::SetDownloading(JobId, static_cast<int64>(BytesReceived), Announced > 0 ? static_cast<int64>(Announced) : -1);
	});
	Request->OnProcessRequestComplete().BindLambda([Name, Kind, State, JobId, DownloadId](FHttpRequestPtr InRequest, FHttpResponsePtr Response, bool bConnectedSuccessfully)
	{
		if (State->bAbandoned.load())
		{
			return; // shut down: reported as not run
		}
		ForgetDownload(DownloadId);
		if (State->bTooLarge.load())
		{
			return; // already reported
		}
		HandleDownloadComplete(InRequest, Response, bConnectedSuccessfully, Name, Kind, JobId);
	});
	Request->ProcessRequest();
}

void HandleDownloadComplete(FHttpRequestPtr Request, FHttpResponsePtr Response, bool bConnectedSuccessfully, const FString& Name, const FString& Kind,
	int64 JobId)
{
	if (!bConnectedSuccessfully || !Response.IsValid())
	{
		UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Download failed: %s"), *Name);
		MOLDARIJobs::Fail(JobId, TEXT("Download failed"));
		return;
	}
	const TArray<uint8>& Content = Response->GetContent();
	if (static_cast<int64>(Content.Num()) > MOLDARIIntake::MaxDownloadBytes)
	{
		UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Download too large (%d bytes, limit %lld)"), Content.Num(), static_cast<long long>(MOLDARIIntake::MaxDownloadBytes));
		MOLDARIJobs::Fail(JobId, FString::Printf(TEXT("Download too large (%d bytes, limit %lld)"), Content.Num(), static_cast<long long>(MOLDARIIntake::MaxDownloadBytes)));
		return;
	}
	if (!IsArchiveSignature(Content))
	{
		UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Downloaded file is not a valid archive"));
		MOLDARIJobs::Fail(JobId, TEXT("Downloaded file is not a valid archive"));
		return;
	}
	MOLDARIJobs::SetDownloading(JobId, Content.Num(), Content.Num());
	const FString ArchivePath = StoreTempArchive(Content, Name, Kind);
	if (ArchivePath.IsEmpty())
	{
		// Already logged; an import of nothing, or of an older file, must not follow.
		MOLDARIJobs::Fail(JobId, TEXT("Cannot store archive"));
		return;
	}
	ScheduleImport(ArchivePath, Name, Kind, JobId);
}

bool IsArchiveSignature(const TArray<uint8>& Bytes)
{
	return Bytes.Num() >= 4 && Bytes[0] == 0x50 && Bytes[1] == 0x4B && Bytes[2] == 0x03 && Bytes[3] == 0x04;
}

FString StoreTempArchive(const TArray<uint8>& Bytes, const FString& Name, const FString& Kind)
{
	IFileManager& FileManager = IFileManager::Get();
	const FString TempDir = MOLDARIIntake::GetTempDir();
	FileManager.MakeDirectory(*TempDir, true);

	// A folder of its own, so two imports of one name never share a file; the file keeps the
	// name, which the USDZ road depends on.
	FString Folder;
	do
	{
		Folder = TempDir;
		const FString Leaf = FString::Printf(TEXT("%s%u_%u"), MOLDARI_ARCHIVE_FOLDER_PREFIX, FPlatformProcess::GetCurrentProcessId(), NextArchiveFolder.fetch_add(1));
		Folder.PathAppend(*Leaf, Leaf.Len());
	} while (FileManager.DirectoryExists(*Folder));
	FileManager.MakeDirectory(*Folder, true);

	FString ArchivePath = Folder;
	ArchivePath.PathAppend(*Name, Name.Len());
	ArchivePath += Kind.Equals(TEXT("usdz"), ESearchCase::IgnoreCase) ? TEXT(".usdz") : TEXT(".zip");
	// The write is whole or absent (a full disk, or a file where the folder should be): an
	// archive that is not on disk is reported here, and no import is made of it.
	if (!FFileHelper::SaveArrayToFile(Bytes, *ArchivePath, &FileManager, 0))
	{
		UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Cannot store archive: %s"), *ArchivePath);
		FileManager.DeleteDirectory(*Folder, false, true);
		return FString();
	}
	return ArchivePath;
}

void ScheduleImport(const FString& ArchivePath, const FString& Name, const FString& Kind, int64 JobId)
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
			ScheduledImports.emplace(Id, FScheduledImport{ ArchivePath, Name, JobId });
		}
	}
	if (Id == 0)
	{
		// Too late: the module is shutting down and its import code may be gone by the next tick.
		LogImportNotRun(Name);
		MOLDARIJobs::MarkNotRun(JobId);
		RemoveTempArchive(ArchivePath);
		return;
	}
	FTSTicker::GetCoreTicker().AddTicker(FTickerDelegate::CreateLambda([Id, ArchivePath, Name, Kind, JobId](float)
	{
		{
			std::lock_guard<std::mutex> Lock(ScheduledMutex);
			if (ScheduledImports.erase(Id) == 0)
			{
				return false; // dropped at shut-down, already reported
			}
		}
		MOLDARIJobs::FJobScope Job(JobId);
		ImportArchive(ArchivePath, Name, Kind);
		return false;
	}), 0.0f);
}

void CancelScheduledImports()
{
	std::map<uint64, FScheduledImport> NotRun;
	{
		std::lock_guard<std::mutex> Lock(ScheduledMutex);
		bSchedulingClosed = true;
		NotRun.swap(ScheduledImports);
	}
	for (const auto& Entry : NotRun)
	{
		LogImportNotRun(Entry.second.Name);
		MOLDARIJobs::MarkNotRun(Entry.second.JobId);
		RemoveTempArchive(Entry.second.ArchivePath);
	}
}

void AbandonDownloads()
{
	std::map<uint64, FDownloadInFlight> Abandoned;
	{
		std::lock_guard<std::mutex> Lock(DownloadsMutex);
		Abandoned.swap(Downloads);
	}
	for (auto& Entry : Abandoned)
	{
		Entry.second.State->bAbandoned.store(true);
		LogImportNotRun(Entry.second.Name);
		MOLDARIJobs::MarkNotRun(Entry.second.JobId);
		Entry.second.Request->CancelRequest();
	}
}

void ReopenImportScheduling()
{
	std::lock_guard<std::mutex> Lock(ScheduledMutex);
	bSchedulingClosed = false;
}
