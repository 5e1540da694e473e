// POST /import: checks the request, derives the asset name and kind, answers "queued" and
// starts the download. Runs on the server thread.
#include "MOLDARIServer.h"
#include "MOLDARIArchiveDownload.h"

#include <cwctype>

#include "Dom/JsonObject.h"
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
	if (!Url.StartsWith(TEXT("http://"), ESearchCase::IgnoreCase) && !Url.StartsWith(TEXT("https://"), ESearchCase::IgnoreCase))
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
	SendResponse(Socket, 200, ReplyText, Origin);

	StartArchiveDownload(Url, Name, Kind);
}
