// libFuzzer harness over the /import intake without a socket: the input is the request body
// (UTF-8), optionally preceded by one byte < 4 that picks the Origin value. Accepted or refused,
// the outcome must keep the endpoint's promises:
//   - a refusal is one of the fixed replies, 403 only for a foreign origin;
//   - an accepted request has an http://, https:// or file:// URL, the kind "usdz" exactly when
//     the URL ends in ".usdz" (any case), and a name of 1 to 64 letters, digits, '_' or '-' (so
//     never "." or "..", never a separator): it names a folder and a file on disk;
//   - the queued reply reads back as JSON holding that name;
//   - the URL as logged holds no control character.
// The name rules are also applied to the whole input taken as a raw name.
#include "MOLDARIArchiveDownload.h"
#include "MOLDARIImportRequest.h"

#include "Dom/JsonObject.h"
#include "HeadlessEditorHost.h"
#include "Serialization/JsonReader.h"
#include "Serialization/JsonSerializer.h"
#include "HeadlessString.h"

#include <cstdint>
#include <cstdio>
#include <cwctype>

namespace
{
	const TCHAR* const Origins[] = { TEXT(""), TEXT("http://localhost:5173"), TEXT("https://evil.example"), TEXT("HTTP://LOCALHOST:5173") };

	[[noreturn]] void Fail(const char* What, const FString& Detail)
	{
		std::fprintf(stderr, "import_request_fuzzer: %s: '%s'\n", What, UE::HeadlessEditor::ToUtf8(Detail).c_str());
		__builtin_trap();
	}

	void CheckName(const FString& Name)
	{
		if (Name.Len() < 1 || Name.Len() > MOLDARIIntake::MaxNameLength)
		{
			Fail("name length out of 1..64", Name);
		}
		for (const TCHAR Char : Name)
		{
			if (!(std::iswalnum(static_cast<wint_t>(Char)) || Char == TEXT('_') || Char == TEXT('-')))
			{
				Fail("name holds a character other than a letter, digit, '_' or '-'", Name);
			}
		}
		if (Name == TEXT(".") || Name == TEXT("..") || Name.Contains(TEXT("/")) || Name.Contains(TEXT("\\")))
		{
			Fail("name is a dot folder or holds a separator", Name);
		}
	}

	bool StartsWithNoCase(const FString& Text, const TCHAR* Prefix)
	{
		return Text.StartsWith(Prefix, ESearchCase::IgnoreCase);
	}
}

extern "C" int LLVMFuzzerInitialize(int* Argc, char*** Argv)
{
	UE::HeadlessEditor::SetLogToStdout(false);
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
	FString Origin;
	if (Size > 0 && Data[0] < 4)
	{
		Origin = Origins[Data[0]];
		++Data;
		--Size;
	}
	const FString Body = UE::HeadlessEditor::FromUtf8(reinterpret_cast<const char*>(Data), Size);

	CheckName(MOLDARIIntake::SanitizeImportName(Body));

	MOLDARIIntake::FImportRequest Request;
	MOLDARIIntake::FImportRefusal Refusal;
	if (!MOLDARIIntake::ParseImportRequest(Body, Origin, Request, Refusal))
	{
		const bool bForeign = Origin == TEXT("https://evil.example");
		if ((Refusal.StatusCode == 403) != bForeign)
		{
			Fail("403 given for an allowed or absent origin, or a foreign origin let through", Refusal.Body);
		}
		if (!(Refusal.StatusCode == 403 && Refusal.Body == TEXT("{\"error\":\"origin not allowed\"}"))
			&& !(Refusal.StatusCode == 400 && (Refusal.Body == TEXT("{\"error\":\"invalid JSON\"}") || Refusal.Body == TEXT("{\"error\":\"missing field: url\"}")
				|| Refusal.Body == TEXT("{\"error\":\"unsupported URL scheme\"}"))))
		{
			Fail("a refusal that is not one of the fixed replies", Refusal.Body);
		}
		return 0;
	}
	if (Origin == TEXT("https://evil.example"))
	{
		Fail("a foreign origin was accepted", Body);
	}
	if (!StartsWithNoCase(Request.Url, TEXT("http://")) && !StartsWithNoCase(Request.Url, TEXT("https://")) && !StartsWithNoCase(Request.Url, TEXT("file://")))
	{
		Fail("accepted URL without an accepted scheme", Request.Url);
	}
	if (Request.bLocalFile != StartsWithNoCase(Request.Url, TEXT("file://")))
	{
		Fail("local-file flag differs from the URL's scheme", Request.Url);
	}
	const bool bUsdz = Request.Url.ToLower().EndsWith(TEXT(".usdz"));
	if (Request.Kind != (bUsdz ? TEXT("usdz") : TEXT("zip")))
	{
		Fail("kind does not follow the URL's ending", Request.Url);
	}
	CheckName(Request.Name);

	TSharedPtr<FJsonObject> Reply;
	FString ReplyName, ReplyStatus;
	if (!FJsonSerializer::Deserialize(TJsonReaderFactory<TCHAR>::Create(MOLDARIIntake::MakeQueuedReply(Request.Name)), Reply) || !Reply.IsValid()
		|| !Reply->TryGetStringField(TEXT("name"), ReplyName) || !Reply->TryGetStringField(TEXT("status"), ReplyStatus)
		|| !ReplyName.Equals(Request.Name, ESearchCase::CaseSensitive) || ReplyStatus != TEXT("queued"))
	{
		Fail("the queued reply does not read back with the name", Request.Name);
	}
	for (const TCHAR Char : MOLDARIIntake::UrlForLog(Request.Url))
	{
		if (static_cast<uint32>(Char) < 0x20)
		{
			Fail("a control character reaches the log line", Request.Url);
		}
	}
	return 0;
}
