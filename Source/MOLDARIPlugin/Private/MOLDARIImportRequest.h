// The pure half of POST /import: the request's Origin value and body in, the import's URL, name
// and kind (or the refusal with its fixed reply) out. No socket, file or network is touched, so
// the rules can be exercised on their own; the endpoint does the rest.
#pragma once

#include "CoreMinimal.h"

namespace MOLDARIIntake
{
	struct FImportRequest
	{
		// The "url" field exactly as received.
		FString Url;
		// The sanitised asset name (SanitizeImportName).
		FString Name;
		// "zip" or "usdz" (ImportKindOf).
		FString Kind;
		// A file:// URL: the archive is read from the local disk instead of downloaded.
		bool bLocalFile = false;
	};

	// A request that is not taken: the status code and the fixed JSON body to answer with.
	struct FImportRefusal
	{
		int32 StatusCode = 0;
		FString Body;
	};

	// Checks the origin (a foreign one is refused; none at all is served), parses the body and
	// derives the name and the kind. True with OutRequest set when the import is accepted; false
	// with OutRefusal set otherwise. Logs nothing.
	bool ParseImportRequest(const FString& Body, const FString& Origin, FImportRequest& OutRequest, FImportRefusal& OutRefusal);

	// The queued reply for Name, in the engine's pretty-printed JSON form.
	FString MakeQueuedReply(const FString& Name);
}
