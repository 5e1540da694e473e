// Fetching an archive with the engine's HTTP module: the body is written to the archive's file
// as it arrives on the HTTP thread, its first four bytes decide whether it is an archive at all,
// and the size bound holds on the stream; the whole body is never in memory.
#include "MOLDARIArchiveDownload.h"
#include "MOLDARIImportJobs.h"

#include <map>
#include <mutex>

#include "HAL/CriticalSection.h"
#include "HAL/FileManager.h"
#include "HttpModule.h"
#include "Interfaces/IHttpRequest.h"
#include "Interfaces/IHttpResponse.h"
#include "Misc/ScopeLock.h"
#include "Serialization/Archive.h"
#include "Templates/UniquePtr.h"

namespace
{
	// The job's progress is told after each this many bytes.
	constexpr int64 ProgressStepBytes = 1024 * 1024;

	// Why a download stopped before its end, when it did.
	enum class EStop : uint8
	{
		None,
		NotAnArchive,
		TooLarge,
		CannotStore,
		Abandoned,   // the module shut down: it cleaned up and reported
	};

	// One download: touched on the HTTP thread (the stream, progress and completion) and, at
	// shut-down, on the main thread; Lock guards all of it.
	struct FDownload
	{
		FCriticalSection Lock;
		FString Name;
		FString Kind;
		int64 JobId = 0;
		FString ArchivePath;            // set with the writer
		TUniquePtr<FArchive> Writer;    // opened at the first bytes
		uint8 Head[4] = {};
		int32 HeadBytes = 0;
		int64 Received = 0;
		EStop Stop = EStop::None;
		// The length the server announced (-1: none), and what the job was last told.
		int64 Announced = -1;
		int64 Reported = 0;

		void LogTooLarge(int64 Bytes)
		{
			const int32 Shown = static_cast<int32>(FMath::Min<int64>(Bytes, MAX_int32));
			const FString Reason = FString::Printf(TEXT("Download too large (%d bytes, limit %lld)"), Shown, static_cast<long long>(MOLDARIIntake::MaxDownloadBytes));
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] %s"), *Reason);
			MOLDARIJobs::Fail(JobId, Reason);
		}

		// The stream: takes a piece, or refuses it (InOutLength changed), which ends the transfer.
		void Receive(const uint8* Data, int64& InOutLength)
		{
			FScopeLock Guard(&Lock);
			const int64 Length = InOutLength;
			if (Stop != EStop::None)
			{
				InOutLength = 0;
				return;
			}
			if (Received + Length > MOLDARIIntake::MaxDownloadBytes)
			{
				Stop = EStop::TooLarge;
				LogTooLarge(Received + Length);
				InOutLength = 0;
				return;
			}
			for (int64 Index = 0; HeadBytes < 4 && Index < Length; ++Index)
			{
				Head[HeadBytes++] = Data[Index];
			}
			if (HeadBytes == 4 && !IsArchiveSignature(Head, 4))
			{
				Stop = EStop::NotAnArchive;
				InOutLength = 0;
				return;
			}
			if (!Writer)
			{
				if (MOLDARIIntake::MakeArchiveFolder(Name, Kind, ArchivePath))
				{
					// The file is new in a new folder: opened to append, so it is not truncated,
					// which on ext4 would make its close wait for the write-back of every byte.
					Writer.Reset(IFileManager::Get().CreateFileWriter(*ArchivePath, FILEWRITE_Silent | FILEWRITE_Append));
				}
				if (!Writer)
				{
					StopStoring();
					InOutLength = 0;
					return;
				}
			}
			Writer->Serialize(const_cast<uint8*>(Data), Length);
			if (Writer->IsError())
			{
				StopStoring();
				InOutLength = 0;
				return;
			}
			Received += Length;
		}

		// Lock held: the file cannot be written; nothing of it stays.
		void StopStoring()
		{
			Stop = EStop::CannotStore;
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Cannot store archive: %s"), *ArchivePath);
			MOLDARIJobs::Fail(JobId, TEXT("Cannot store archive"));
			DiscardFile();
		}

		// Lock held.
		void DiscardFile()
		{
			Writer.Reset();
			if (!ArchivePath.IsEmpty())
			{
				MOLDARIIntake::RemoveTempArchive(ArchivePath);
			}
		}
	};

	// Downloads in flight, so that shutting the module down can cut them off. Added on the
	// listener thread, removed on the HTTP thread at completion or on the main thread at shut-down.
	struct FInFlight
	{
		TSharedRef<IHttpRequest, ESPMode::ThreadSafe> Request;
		TSharedRef<FDownload, ESPMode::ThreadSafe> Download;
	};
	std::mutex InFlightMutex;
	std::map<uint64, FInFlight> InFlight;
	uint64 NextInFlight = 0;

	void Forget(uint64 Id)
	{
		std::lock_guard<std::mutex> Lock(InFlightMutex);
		InFlight.erase(Id);
	}

	// HTTP thread: the end of a transfer. True hands the stored archive on.
	bool Finish(FDownload& Download, FHttpResponsePtr Response, bool bConnectedSuccessfully)
	{
		FScopeLock Guard(&Download.Lock);
		switch (Download.Stop)
		{
		case EStop::Abandoned:
		case EStop::TooLarge:
		case EStop::CannotStore:
			Download.DiscardFile();
			return false; // reported when it stopped
		case EStop::NotAnArchive:
			break;
		case EStop::None:
			if (!bConnectedSuccessfully || !Response.IsValid())
			{
				UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Download failed: %s"), *Download.Name);
				MOLDARIJobs::Fail(Download.JobId, TEXT("Download failed"));
				Download.DiscardFile();
				return false;
			}
			break;
		}
		if (Download.Stop == EStop::NotAnArchive || Download.HeadBytes < 4)
		{
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Downloaded file is not a valid archive"));
			MOLDARIJobs::Fail(Download.JobId, TEXT("Downloaded file is not a valid archive"));
			Download.DiscardFile();
			return false;
		}
		// The last bytes reach the disk before anything reads the file.
		if (!Download.Writer->Close())
		{
			Download.StopStoring();
			return false;
		}
		Download.Writer.Reset();
		MOLDARIJobs::SetDownloading(Download.JobId, Download.Received, Download.Received);
		return true;
	}
}

void StartArchiveDownload(const FString& Url, const FString& Name, const FString& Kind, int64 JobId)
{
	TSharedRef<IHttpRequest, ESPMode::ThreadSafe> Request = FHttpModule::Get().CreateRequest();
	Request->SetVerb(TEXT("GET"));
	Request->SetURL(Url);
	// Every delegate on the HTTP thread: the size bound and the writes hold whatever the main
	// thread is doing, and the main thread never waits for the disk.
	Request->SetDelegateThreadPolicy(EHttpRequestDelegateThreadPolicy::CompleteOnHttpThread);
	TSharedRef<FDownload, ESPMode::ThreadSafe> Download = MakeShared<FDownload, ESPMode::ThreadSafe>();
	Download->Name = Name;
	Download->Kind = Kind;
	Download->JobId = JobId;
	uint64 InFlightId = 0;
	{
		std::lock_guard<std::mutex> Lock(InFlightMutex);
		InFlightId = ++NextInFlight;
		InFlight.emplace(InFlightId, FInFlight{ Request, Download });
	}

	// Refusing a piece ends the transfer; a cancel from inside the stream is not allowed.
	Request->SetResponseBodyReceiveStreamDelegateV2(FHttpRequestStreamDelegateV2::CreateLambda([Download](void* Ptr, int64& InOutLength)
	{
		Download->Receive(static_cast<const uint8*>(Ptr), InOutLength);
	}));
	// An announced length over the bound ends the transfer at its header, before any body byte:
	// progress has no report until a body byte arrives, and a server may send none. Unlike a
	// cancel from inside the stream, a cancel here is safe: it only marks the request.
	Request->OnHeaderReceived().BindLambda([Download](FHttpRequestPtr InRequest, const FString& HeaderName, const FString& HeaderValue)
	{
		if (HeaderName != TEXT("Content-Length"))
		{
			return;
		}
		{
			FScopeLock Guard(&Download->Lock);
			Download->Announced = HeaderValue.IsNumeric() ? FCString::Atoi64(*HeaderValue) : -1;
			if (Download->Stop != EStop::None || Download->Announced <= MOLDARIIntake::MaxDownloadBytes)
			{
				return;
			}
			Download->Stop = EStop::TooLarge;
			Download->LogTooLarge(Download->Announced);
		}
		InRequest->CancelRequest();
	});
	// The job hears of the progress every MiB: a report per piece would cost more than the piece.
	Request->OnRequestProgress64().BindLambda([Download](FHttpRequestPtr InRequest, uint64 BytesSent, uint64 BytesReceived)
	{
		int64 Announced = -1;
		{
			FScopeLock Guard(&Download->Lock);
			if (Download->Stop != EStop::None)
			{
				return;
			}
			Announced = Download->Announced;
			if (Download->Reported > 0 && static_cast<int64>(BytesReceived) - Download->Reported < ProgressStepBytes
				&& static_cast<int64>(BytesReceived) != Announced)
			{
				return; // the first bytes, each MiB and the last byte are told
			}
			Download->Reported = static_cast<int64>(BytesReceived);
		}
		MOLDARIJobs::SetDownloading(Download->JobId, static_cast<int64>(BytesReceived), Announced);
	});
	Request->OnProcessRequestComplete().BindLambda([Download, InFlightId](FHttpRequestPtr InRequest, FHttpResponsePtr Response, bool bConnectedSuccessfully)
	{
		Forget(InFlightId);
		if (Finish(*Download, Response, bConnectedSuccessfully))
		{
			HandOffStoredArchive(Download->ArchivePath, Download->Name, Download->Kind, Download->JobId);
		}
	});
	Request->ProcessRequest();
}

void AbandonDownloads()
{
	std::map<uint64, FInFlight> Abandoned;
	{
		std::lock_guard<std::mutex> Lock(InFlightMutex);
		Abandoned.swap(InFlight);
	}
	for (auto& Entry : Abandoned)
	{
		FDownload& Download = Entry.second.Download.Get();
		{
			FScopeLock Guard(&Download.Lock);
			if (Download.Stop == EStop::None)
			{
				LogImportNotRun(Download.Name);
				MOLDARIJobs::MarkNotRun(Download.JobId);
			}
			Download.Stop = EStop::Abandoned;
		}
		// Once the cancel returns, the stream is not called again: the file can go.
		Entry.second.Request->CancelRequest();
		FScopeLock Guard(&Download.Lock);
		Download.DiscardFile();
	}
}
