// Writing responses, and the cross-origin policy: only the allowed web origins get the headers
// that let a page read the answer and pass the pre-flight.
#include "MOLDARIServer.h"

#include "Containers/StringConv.h"
#include "HAL/PlatformTime.h"
#include "Misc/Timespan.h"
#include "SocketSubsystem.h"
#include "Sockets.h"

namespace
{
	// How long a write may wait for room in a full send buffer before it gives up.
	const double SendStallSeconds = 1.0;

	const TArray<FString>& GetAllowedOrigins()
	{
		static const TArray<FString> AllowedOrigins = {
			TEXT("https://app.moldari.com"),
			TEXT("https://rc.moldari.com"),
			TEXT("http://localhost:5173"),
		};
		return AllowedOrigins;
	}

	FString GetStatusLine(int32 StatusCode)
	{
		switch (StatusCode)
		{
		case 200: return TEXT("HTTP/1.1 200 OK");
		case 400: return TEXT("HTTP/1.1 400 Bad Request");
		case 404: return TEXT("HTTP/1.1 404 Not Found");
		case 500: return TEXT("HTTP/1.1 500 Internal Server Error");
		default: return FString::Printf(TEXT("HTTP/1.1 %d"), StatusCode);
		}
	}
}

void FMOLDARIServer::AppendCorsHeaders(FString& Headers, const FString& Origin)
{
	if (Origin.IsEmpty())
	{
		return;
	}
	for (const FString& Allowed : GetAllowedOrigins())
	{
		if (Origin.Equals(Allowed, ESearchCase::IgnoreCase))
		{
			// Echo the origin as the request sent it, not the list's spelling.
			Headers += FString::Printf(
				TEXT("Access-Control-Allow-Origin: %s\r\nAccess-Control-Allow-Methods: GET, POST, OPTIONS\r\nAccess-Control-Allow-Headers: Content-Type\r\nAccess-Control-Allow-Private-Network: true\r\nAccess-Control-Max-Age: 86400\r\n"),
				*Origin);
			return;
		}
	}
}

void FMOLDARIServer::SendResponse(FSocket* Socket, int32 StatusCode, const FString& Body, const FString& Origin)
{
	FTCHARToUTF8 Encoded(*Body);
	TArray<uint8> BodyUtf8;
	BodyUtf8.Append(reinterpret_cast<const uint8*>(Encoded.Get()), Encoded.Length());
	SendResponseBytes(Socket, StatusCode, BodyUtf8, Origin);
}

void FMOLDARIServer::SendResponseBytes(FSocket* Socket, int32 StatusCode, const TArray<uint8>& BodyUtf8, const FString& Origin)
{
	const TCHAR* ContentType = BodyUtf8.Num() == 0 ? TEXT("text/plain") : TEXT("application/json");
	FString CorsHeaders;
	AppendCorsHeaders(CorsHeaders, Origin);
	const FString Head = FString::Printf(TEXT("%s\r\nContent-Type: %s\r\nContent-Length: %d\r\n%s\r\n"),
		*GetStatusLine(StatusCode), ContentType, BodyUtf8.Num(), *CorsHeaders);
	// One buffer, so head and body leave in as few writes as the socket allows.
	FTCHARToUTF8 EncodedHead(*Head);
	TArray<uint8> Response;
	Response.Reserve(EncodedHead.Length() + BodyUtf8.Num());
	Response.Append(reinterpret_cast<const uint8*>(EncodedHead.Get()), EncodedHead.Length());
	Response.Append(BodyUtf8);
	const uint8* Data = Response.GetData();
	int32 Remaining = Response.Num();

	double StallDeadline = FPlatformTime::Seconds() + SendStallSeconds;
	while (Remaining > 0)
	{
		if (Socket->GetConnectionState() != SCS_Connected)
		{
			return;
		}
		int32 BytesSent = 0;
		if (!Socket->Send(Data, Remaining, BytesSent) || BytesSent == 0)
		{
			// A full send buffer on a non-blocking socket is not a closed client: wait for room,
			// briefly. Anything else ends the write silently.
			const double Left = StallDeadline - FPlatformTime::Seconds();
			const bool bWouldBlock = BytesSent < 0 && ISocketSubsystem::Get(PLATFORM_SOCKETSUBSYSTEM)->GetLastErrorCode() == SE_EWOULDBLOCK;
			if (bWouldBlock && Left > 0.0 && Socket->Wait(ESocketWaitConditions::WaitForWrite, FTimespan::FromSeconds(Left)))
			{
				continue;
			}
			return;
		}
		Data += BytesSent;
		Remaining -= BytesSent;
		StallDeadline = FPlatformTime::Seconds() + SendStallSeconds;
	}
}
