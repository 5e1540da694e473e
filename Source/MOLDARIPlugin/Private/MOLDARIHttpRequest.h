#pragma once

#include "CoreMinimal.h"

// The pure half of request reading: bytes in, request parts out, no socket. The server's
// connection loop does the waiting and the deadline around it.
namespace MOLDARIHttp
{
	// Request limits: a header block or a body beyond these is answered at once and never held.
	constexpr int32 MaxHeaderBytes = 64 * 1024;
	constexpr int64 MaxBodyBytes = 1024 * 1024;

	// Index just past the first CR LF CR LF in Buffer[0, Num), searching from SearchFrom (which
	// may be up to 3 bytes before the previous end, so a split terminator is found); INDEX_NONE if none.
	int32 FindHeaderEnd(const uint8* Buffer, int32 Num, int32 SearchFrom);

	struct FRequestHead
	{
		FString Method;
		FString Path;
		FString Origin;
		// The last Host header's value, trimmed; unset when the request has none.
		TOptional<FString> Host;
		// Saturates instead of overflowing: a value past 32 bits reads as too large, never wraps.
		int64 ContentLength = 0;
	};

	// Parses a decoded header block. False when it has no line, or its request line has fewer
	// than two words: such a request gets no answer.
	bool ParseRequestHead(const FString& HeaderText, FRequestHead& Out);

	// A Content-Length value: optional sign and decimal digits from the start; no digits gives 0.
	int64 ParseContentLength(const FString& Value);

	// The route a request takes, by method and path compared whole, ignoring case. GET /imports
	// lists the import jobs; GET /imports/<id> (decimal digits) is one of them, whose id goes to
	// OutJobId.
	enum class ERoute : uint8 { Preflight, Status, Import, Imports, ImportJob, NotFound };
	ERoute RouteRequest(const FString& Method, const FString& Path, int64* OutJobId = nullptr);

	// True when a page may read the import jobs: the request names the loopback as its host
	// ("localhost", "127.0.0.1" or "[::1]", with port 5325 or none), so a page of another site
	// that a DNS trick points at the loopback cannot. A request without a Host header comes from
	// no browser (every browser sends one) and is served.
	bool IsLoopbackHost(const TOptional<FString>& Host);
}
