// POST /import: checks the request, derives the asset name and kind, answers "queued" and
// starts the download. Runs on the server thread.
#include "MOLDARIServer.h"
#include "MOLDARIArchiveDownload.h"
#include "MOLDARIImportJobs.h"
#include "MOLDARIImportRequest.h"

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
		// A local archive is copied before the reply, so the client learns whether it could be
		// read; extraction and import follow as for a download.
		FString ArchivePath;
		switch (StoreLocalArchive(LocalPathOf(Url), Name, Kind, ArchivePath))
		{
		case ELocalArchiveStore::Unreadable:
			SendResponse(Socket, 500, TEXT("{\"error\":\"failed to read local file\"}"), Origin);
			return;
		case ELocalArchiveStore::NotAnArchive:
			SendResponse(Socket, 500, TEXT("{\"error\":\"not a valid archive\"}"), Origin);
			return;
		case ELocalArchiveStore::CannotStore:
			// Nothing will be imported (a full disk, an unwritable temporary folder): say so.
			SendResponse(Socket, 500, TEXT("{\"error\":\"failed to store archive\"}"), Origin);
			return;
		case ELocalArchiveStore::Stored:
			break;
		}
		// Queued: the page can follow it at GET /imports from here on.
		const int64 JobId = MOLDARIJobs::AddJob(Name, Kind, MOLDARIIntake::UrlForLog(Url));
		SendResponse(Socket, 200, ReplyText, Origin);
		HandOffStoredArchive(ArchivePath, Name, Kind, JobId);
		return;
	}

	const int64 JobId = MOLDARIJobs::AddJob(Name, Kind, MOLDARIIntake::UrlForLog(Url));
	SendResponse(Socket, 200, ReplyText, Origin);

	StartArchiveDownload(Url, Name, Kind, JobId);
}
