// The pure half of POST /import: origin, JSON body, URL scheme, asset name and kind.
#include "MOLDARIImportRequest.h"
#include "MOLDARIArchiveDownload.h"
#include "MOLDARIJsonDepth.h"
#include "MOLDARIServer.h"

#include <cwctype>

#include "Dom/JsonObject.h"
#include "Misc/Paths.h"
#include "Policies/PrettyJsonPrintPolicy.h"
#include "Serialization/JsonReader.h"
#include "Serialization/JsonSerializer.h"
#include "Serialization/JsonWriter.h"

FString MOLDARIIntake::SanitizeImportName(const FString& RawName)
{
	// Separators at the end are set aside first: the engine's GetCleanFilename gives "" for
	// "dir/lamp/", where the name is "lamp".
	FString Trimmed = RawName.IsEmpty() ? FString(TEXT("asset")) : RawName;
	while (Trimmed.EndsWith(TEXT("/")) || Trimmed.EndsWith(TEXT("\\")))
	{
		Trimmed.LeftChopInline(1);
	}
	const FString CleanName = FPaths::GetCleanFilename(Trimmed);
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

bool MOLDARIIntake::ParseImportRequest(const FString& Body, const FString& Origin, FImportRequest& OutRequest, FImportRefusal& OutRefusal)
{
	auto Refuse = [&OutRefusal](int32 StatusCode, const TCHAR* ReplyBody)
	{
		OutRefusal.StatusCode = StatusCode;
		OutRefusal.Body = ReplyBody;
		return false;
	};

	// A page from a foreign origin may not start imports: a form post or a text/plain fetch
	// needs no pre-flight. Requests without an origin (tools) are served.
	if (!Origin.IsEmpty())
	{
		FString CorsHeaders;
		FMOLDARIServer::AppendCorsHeaders(CorsHeaders, Origin);
		if (CorsHeaders.IsEmpty())
		{
			return Refuse(403, TEXT("{\"error\":\"origin not allowed\"}"));
		}
	}

	// A body nested deeper than any request needs is refused unread (see MOLDARIJsonDepth.h).
	TSharedPtr<FJsonObject> Request;
	if (!MOLDARIJson::IsWithinDepth(Body) || !FJsonSerializer::Deserialize(TJsonReaderFactory<TCHAR>::Create(Body), Request) || !Request.IsValid())
	{
		return Refuse(400, TEXT("{\"error\":\"invalid JSON\"}"));
	}

	FString Url;
	if (!Request->TryGetStringField(TEXT("url"), Url))
	{
		return Refuse(400, TEXT("{\"error\":\"missing field: url\"}"));
	}
	const bool bLocalFile = Url.StartsWith(TEXT("file://"), ESearchCase::IgnoreCase);
	if (!bLocalFile && !Url.StartsWith(TEXT("http://"), ESearchCase::IgnoreCase) && !Url.StartsWith(TEXT("https://"), ESearchCase::IgnoreCase))
	{
		return Refuse(400, TEXT("{\"error\":\"unsupported URL scheme\"}"));
	}

	FString RawName;
	Request->TryGetStringField(TEXT("name"), RawName);
	OutRequest.Url = Url;
	OutRequest.Name = SanitizeImportName(RawName);
	OutRequest.Kind = ImportKindOf(Url);
	OutRequest.bLocalFile = bLocalFile;
	return true;
}

FString MOLDARIIntake::MakeQueuedReply(const FString& Name)
{
	TSharedRef<FJsonObject> Reply = MakeShared<FJsonObject>();
	Reply->SetStringField(TEXT("status"), TEXT("queued"));
	Reply->SetStringField(TEXT("name"), Name);
	FString ReplyText;
	TSharedRef<TJsonWriter<TCHAR, TPrettyJsonPrintPolicy<TCHAR>>> Writer = TJsonWriterFactory<TCHAR, TPrettyJsonPrintPolicy<TCHAR>>::Create(&ReplyText, 0);
	FJsonSerializer::Serialize(Reply, Writer);
	return ReplyText;
}
