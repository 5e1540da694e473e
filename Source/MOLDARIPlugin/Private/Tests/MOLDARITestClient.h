#pragma once

#include "CoreMinimal.h"
#include "Dom/JsonObject.h"
#include "HAL/PlatformProcess.h"
#include "HAL/PlatformTime.h"
#include "Interfaces/IPluginManager.h"
#include "IPAddress.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"
#include "Misc/Timespan.h"
#include "Serialization/JsonReader.h"
#include "Serialization/JsonSerializer.h"
#include "SocketSubsystem.h"
#include "Sockets.h"

#include "MOLDARIServer.h"

// A loopback client for the automation tests, over the engine's own sockets so the tests run
// the same in the editor and in the headless host.
namespace MOLDARITest
{
	inline FSocket* Connect(int32 Port)
	{
		ISocketSubsystem* Subsystem = ISocketSubsystem::Get(PLATFORM_SOCKETSUBSYSTEM);
		FSocket* Socket = Subsystem->CreateSocket(NAME_Stream, TEXT("MOLDARITestClient"), false);
		if (Socket == nullptr)
		{
			return nullptr;
		}
		TSharedRef<FInternetAddr> Address = Subsystem->CreateInternetAddr();
		Address->SetLoopbackAddress();
		Address->SetPort(Port);
		if (!Socket->Connect(*Address))
		{
			Subsystem->DestroySocket(Socket);
			return nullptr;
		}
		return Socket;
	}

	inline void Destroy(FSocket* Socket)
	{
		if (Socket != nullptr)
		{
			Socket->Close();
			ISocketSubsystem::Get(PLATFORM_SOCKETSUBSYSTEM)->DestroySocket(Socket);
		}
	}

	inline bool SendAll(FSocket* Socket, const FString& Text)
	{
		FTCHARToUTF8 Utf8(*Text);
		int32 Offset = 0;
		while (Offset < Utf8.Length())
		{
			int32 Sent = 0;
			if (!Socket->Send(reinterpret_cast<const uint8*>(Utf8.Get()) + Offset, Utf8.Length() - Offset, Sent) || Sent <= 0)
			{
				return false;
			}
			Offset += Sent;
		}
		return true;
	}

	// Reads until the peer closes or the time runs out; the bytes as they came.
	inline TArray<uint8> ReadUntilClosed(FSocket* Socket, double TimeoutSeconds)
	{
		TArray<uint8> Bytes;
		const double Deadline = FPlatformTime::Seconds() + TimeoutSeconds;
		uint8 Chunk[4096];
		while (FPlatformTime::Seconds() < Deadline)
		{
			// Never a negative wait: the engine's sockets take that as "wait for ever".
			if (!Socket->Wait(ESocketWaitConditions::WaitForRead, FTimespan::FromSeconds(FMath::Max(0.0, Deadline - FPlatformTime::Seconds()))))
			{
				continue;
			}
			int32 Read = 0;
			if (!Socket->Recv(Chunk, sizeof(Chunk), Read))
			{
				break;
			}
			Bytes.Append(Chunk, Read);
		}
		return Bytes;
	}

	inline FString BytesToString(const TArray<uint8>& Bytes)
	{
		FUTF8ToTCHAR Text(reinterpret_cast<const ANSICHAR*>(Bytes.GetData()), Bytes.Num());
		return FString(Text.Length(), Text.Get());
	}

	// One whole exchange: connect, send, read the answer until the server closes.
	inline FString Exchange(int32 Port, const FString& Request, double TimeoutSeconds = 7.0)
	{
		FSocket* Socket = Connect(Port);
		if (Socket == nullptr)
		{
			return FString(TEXT("<connect failed>"));
		}
		SendAll(Socket, Request);
		const FString Response = BytesToString(ReadUntilClosed(Socket, TimeoutSeconds));
		Destroy(Socket);
		return Response;
	}

	// True once the bridge answers a status request on the port, within the time given. Only
	// whole requests are sent: a bare connection would hold the one-at-a-time server for 5 s.
	inline bool WaitUntilServing(int32 Port, double TimeoutSeconds)
	{
		const double Deadline = FPlatformTime::Seconds() + TimeoutSeconds;
		while (FPlatformTime::Seconds() < Deadline)
		{
			if (Exchange(Port, TEXT("GET /status HTTP/1.1\r\nHost: localhost\r\n\r\n"), 2.0).StartsWith(TEXT("HTTP/1.1 200 OK")))
			{
				return true;
			}
			FPlatformProcess::Sleep(0.01f);
		}
		return false;
	}

	// A bridge server on the port for one test's scope.
	struct FScopedServer
	{
		const bool bServing;
		explicit FScopedServer(int32 Port) : bServing((FMOLDARIServer::StartServer(Port), WaitUntilServing(Port, 5.0))) {}
		~FScopedServer() { FMOLDARIServer::StopServer(); }
	};

	// Listens on the port so that the server cannot: null when the port could not be taken.
	inline FSocket* HoldPort(int32 Port)
	{
		ISocketSubsystem* Subsystem = ISocketSubsystem::Get(PLATFORM_SOCKETSUBSYSTEM);
		FSocket* Squatter = Subsystem->CreateSocket(NAME_Stream, TEXT("MOLDARITestSquatter"), false);
		Squatter->SetReuseAddr(true); // the port may still hold connections in TIME_WAIT
		TSharedRef<FInternetAddr> Address = Subsystem->CreateInternetAddr();
		Address->SetLoopbackAddress();
		Address->SetPort(Port);
		if (!Squatter->Bind(*Address) || !Squatter->Listen(1))
		{
			Destroy(Squatter);
			return nullptr;
		}
		return Squatter;
	}

	// The cases the black-box, browser and automation tests share: Tests/bridge_cases.json in
	// the plugin's folder. Empty when it cannot be read, so every test that needs it fails.
	inline TArray<FString> SharedCases(const TCHAR* Field)
	{
		static const TSharedPtr<FJsonObject> Cases = []()
		{
			const TSharedPtr<IPlugin> Plugin = IPluginManager::Get().FindPlugin(TEXT("MOLDARIPlugin"));
			FString Text;
			TSharedPtr<FJsonObject> Object;
			if (Plugin.IsValid() && FFileHelper::LoadFileToString(Text, *(Plugin->GetBaseDir() / TEXT("Tests/bridge_cases.json"))))
			{
				FJsonSerializer::Deserialize(TJsonReaderFactory<>::Create(Text), Object);
			}
			return Object;
		}();
		TArray<FString> Values;
		if (Cases.IsValid())
		{
			Cases->TryGetStringArrayField(Field, Values);
		}
		return Values;
	}

	// The status document with this platform's line ends.
	inline FString StatusDocument()
	{
		return FString::Join(SharedCases(TEXT("statusDocumentLines")), LINE_TERMINATOR);
	}

	// The queued reply, pretty-printed as the engine writes it on this platform: the platform's
	// line terminator (LF on Linux, CR LF on Windows), a tab per level.
	inline FString QueuedReply(const FString& Name)
	{
		return FString::Printf(TEXT("{%s\t\"status\": \"queued\",%s\t\"name\": \"%s\"%s}"), LINE_TERMINATOR, LINE_TERMINATOR, *Name, LINE_TERMINATOR);
	}

	// A response as the bridge lays it out: status line, content type, length in UTF-8 bytes,
	// any cross-origin lines, a blank line, the body.
	inline FString Response(const FString& StatusLine, const FString& Body, const FString& CorsLines = FString())
	{
		return FString::Printf(TEXT("%s\r\nContent-Type: %s\r\nContent-Length: %d\r\n%s\r\n%s"), *StatusLine,
			Body.IsEmpty() ? TEXT("text/plain") : TEXT("application/json"), FTCHARToUTF8(*Body).Length(), *CorsLines, *Body);
	}

	// The cross-origin lines the bridge adds for an allowed origin.
	inline FString CorsLines(const FString& Origin)
	{
		return FString::Printf(TEXT("Access-Control-Allow-Origin: %s\r\nAccess-Control-Allow-Methods: GET, POST, OPTIONS\r\n")
			TEXT("Access-Control-Allow-Headers: Content-Type\r\nAccess-Control-Allow-Private-Network: true\r\nAccess-Control-Max-Age: 86400\r\n"), *Origin);
	}

	// A POST /import request with the body's length; ExtraHeaders are whole lines.
	inline FString ImportRequest(const FString& Body, const FString& ExtraHeaders = FString())
	{
		return FString::Printf(TEXT("POST /import HTTP/1.1\r\n%sContent-Length: %d\r\n\r\n"), *ExtraHeaders, FTCHARToUTF8(*Body).Length()) + Body;
	}

	// Waits, bounded, until the condition holds; its last answer.
	template <typename ConditionType>
	inline bool WaitFor(ConditionType Condition, double TimeoutSeconds)
	{
		const double Deadline = FPlatformTime::Seconds() + TimeoutSeconds;
		while (!Condition() && FPlatformTime::Seconds() < Deadline)
		{
			FPlatformProcess::Sleep(0.005f);
		}
		return Condition();
	}
}
