// POST /import: checks the request, derives the asset name and kind, answers "queued" and
// starts the download. Runs on the server thread.
#include "MOLDARIServer.h"
#include "MOLDARIArchiveDownload.h"

#include <cwctype>

#include "Dom/JsonObject.h"
#include "HAL/FileManager.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"
#include "Policies/PrettyJsonPrintPolicy.h"
#include "Serialization/JsonReader.h"
#include "Serialization/JsonSerializer.h"
#include "Serialization/JsonWriter.h"

FString MOLDARIIntake::SanitizeImportName(const FString& RawName)
{
	const FString CleanName = FPaths::GetCleanFilename(RawName.IsEmpty() ? FString(TEXT("asset")) : RawName);
	FString Name;
	Name.Reserve(FMath::Min(CleanName.Len(), MaxNameLength));
	for (const TCHAR Char : CleanName)
	{
		if (Name.Len() >= MaxNameLength)
		{
			break;
		}
		const bool bKeep = std::iswalnum(static_cast<wint_t>(Char)) != 0 || Char == TEXT('_') || Char == TEXT('-');
		Name.AppendChar(bKeep ? Char : TEXT('_'));
	}
	return Name.IsEmpty() ? FString(TEXT("asset")) : Name;
}

FString MOLDARIIntake::ImportKindOf(const FString& Url)
{
	return Url.ToLower().EndsWith(TEXT(".usdz"), ESearchCase::IgnoreCase) ? FString(TEXT("usdz")) : FString(TEXT("zip"));
}

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

FString MOLDARIIntake::UrlForLog(const FString& Url)
{
	FString Safe = Url;
	for (TCHAR& Char : Safe)
	{
		if (static_cast<uint32>(Char) < 0x20)
		{
			Char = TEXT('?');
		}
	}
	return Safe;
}

void FMOLDARIServer::HandleImport(FSocket* Socket, const FString& Body, const FString& Origin)
{
	// A page from a foreign origin may not start imports: a form post or a text/plain fetch
	// needs no pre-flight. Requests without an origin (tools) are served.
	if (!Origin.IsEmpty())
	{
		FString CorsHeaders;
		AppendCorsHeaders(CorsHeaders, Origin);
		if (CorsHeaders.IsEmpty())
		{
			SendResponse(Socket, 403, TEXT("{\"error\":\"origin not allowed\"}"), Origin);
			return;
		}
	}

	TSharedPtr<FJsonObject> Request;
	const TSharedRef<TJsonReader<TCHAR>> Reader = TJsonReaderFactory<TCHAR>::Create(Body);
	if (!FJsonSerializer::Deserialize(Reader, Request) || !Request.IsValid())
	{
		SendResponse(Socket, 400, TEXT("{\"error\":\"invalid JSON\"}"), Origin);
		return;
	}

	FString Url;
	if (!Request->TryGetStringField(TEXT("url"), Url))
	{
		SendResponse(Socket, 400, TEXT("{\"error\":\"missing field: url\"}"), Origin);
		return;
	}
	const bool bLocalFile = Url.StartsWith(TEXT("file://"), ESearchCase::IgnoreCase);
	if (!bLocalFile && !Url.StartsWith(TEXT("http://"), ESearchCase::IgnoreCase) && !Url.StartsWith(TEXT("https://"), ESearchCase::IgnoreCase))
	{
		SendResponse(Socket, 400, TEXT("{\"error\":\"unsupported URL scheme\"}"), Origin);
		return;
	}

	FString RawName;
	Request->TryGetStringField(TEXT("name"), RawName);
	const FString Name = MOLDARIIntake::SanitizeImportName(RawName);

	UE_LOG(LogTemp, Log, TEXT("[MOLDARI] /import received: name=%s url=%s"), *Name, *MOLDARIIntake::UrlForLog(Url));

	const FString Kind = MOLDARIIntake::ImportKindOf(Url);

	TSharedRef<FJsonObject> Reply = MakeShared<FJsonObject>();
	Reply->SetStringField(TEXT("status"), TEXT("queued"));
	Reply->SetStringField(TEXT("name"), Name);
	FString ReplyText;
	TSharedRef<TJsonWriter<TCHAR, TPrettyJsonPrintPolicy<TCHAR>>> Writer = TJsonWriterFactory<TCHAR, TPrettyJsonPrintPolicy<TCHAR>>::Create(&ReplyText, 0);
	FJsonSerializer::Serialize(Reply, Writer);

	if (bLocalFile)
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
		SendResponse(Socket, 200, ReplyText, Origin);
		ScheduleImport(ArchivePath, Name, Kind);
		return;
	}

	SendResponse(Socket, 200, ReplyText, Origin);

	StartArchiveDownload(Url, Name, Kind);
}
