// POST /import: checks the request, derives the asset name and kind, answers "queued" and
// starts the download. Runs on the server thread.
#include "MOLDARIServer.h"
#include "MOLDARIArchiveDownload.h"
#include "MOLDARIImportJobs.h"
#include "MOLDARIImportRequest.h"

#include "HAL/FileManager.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"

namespace
{
	// The file path of a file:// URL: the text after the scheme, without the '/' in front of a
	// drive letter ("/C:/x" is "C:/x"), with forward slashes.
	FString LocalPathOf(const FString& Url)
	{
		FString Path = Url.RightChop(7);
		if (Path.Len() > 2 && Path[0] == TEXT('/') && Path[2] == TEXT(':'))
		{
			Path.RightChopInline(1);
		}
		FPaths::NormalizeFilename(Path);
		return Path;
	}

	enum class ELocalArchiveRead
	{
		Read,
		Unreadable,
		NotAnArchive,
	};

	// Reads a local archive on the listener thread. The size comes first, so that nothing
	// which cannot be sized (folders, missing files) is opened, nothing too small to hold the
	// signature (a pipe or a device reports 0) is read, and nothing larger than a download
	// may be is held in memory.
	ELocalArchiveRead ReadLocalArchive(const FString& Path, TArray<uint8>& Bytes)
	{
		const int64 Size = IFileManager::Get().FileSize(*Path);
		if (Size < 0)
		{
			return ELocalArchiveRead::Unreadable;
		}
		if (Size < 4)
		{
			return ELocalArchiveRead::NotAnArchive;
		}
		if (Size > MOLDARIIntake::MaxDownloadBytes)
		{
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Local file too large (%lld bytes, limit %lld)"), Size, MOLDARIIntake::MaxDownloadBytes);
			return ELocalArchiveRead::Unreadable;
		}
		if (!FFileHelper::LoadFileToArray(Bytes, *Path) || Bytes.Num() > MOLDARIIntake::MaxDownloadBytes)
		{
			Bytes.Empty();
			return ELocalArchiveRead::Unreadable;
		}
		return IsArchiveSignature(Bytes) ? ELocalArchiveRead::Read : ELocalArchiveRead::NotAnArchive;
	}
}

void FMOLDARIServer::HandleImport(FSocket* Socket, const FString& Body, const FString& Origin)
{
	MOLDARIIntake::FImportRequest Request;
	MOLDARIIntake::FImportRefusal Refusal;
	if (!MOLDARIIntake::ParseImportRequest(Body, Origin, Request, Refusal))
	{
		SendResponse(Socket, Refusal.StatusCode, Refusal.Body, Origin);
		return;
	}
	const FString& Url = Request.Url;
	const FString& Name = Request.Name;
	const FString& Kind = Request.Kind;

	UE_LOG(LogTemp, Log, TEXT("[MOLDARI] /import received: name=%s url=%s"), *Name, *MOLDARIIntake::UrlForLog(Url));

	const FString ReplyText = MOLDARIIntake::MakeQueuedReply(Name);

	if (Request.bLocalFile)
	{
		// A local archive is read and stored before the reply, so the client learns whether
		// it could be read; the import follows on the main thread as for a download.
		TArray<uint8> Bytes;
		switch (ReadLocalArchive(LocalPathOf(Url), Bytes))
		{
		case ELocalArchiveRead::Unreadable:
			SendResponse(Socket, 500, TEXT("{\"error\":\"failed to read local file\"}"), Origin);
			return;
		case ELocalArchiveRead::NotAnArchive:
			SendResponse(Socket, 500, TEXT("{\"error\":\"not a valid archive\"}"), Origin);
			return;
		case ELocalArchiveRead::Read:
			break;
		}
		const FString ArchivePath = StoreTempArchive(Bytes, Name, Kind);
		if (ArchivePath.IsEmpty())
		{
			// Nothing will be imported (a full disk, an unwritable temporary folder): say so.
			SendResponse(Socket, 500, TEXT("{\"error\":\"failed to store archive\"}"), Origin);
			return;
		}
		// Queued: the page can follow it at GET /imports from here on.
		const int64 JobId = MOLDARIJobs::AddJob(Name, Kind, MOLDARIIntake::UrlForLog(Url));
		SendResponse(Socket, 200, ReplyText, Origin);
		ScheduleImport(ArchivePath, Name, Kind, JobId);
		return;
	}

	const int64 JobId = MOLDARIJobs::AddJob(Name, Kind, MOLDARIIntake::UrlForLog(Url));
	SendResponse(Socket, 200, ReplyText, Origin);

	StartArchiveDownload(Url, Name, Kind, JobId);
}
