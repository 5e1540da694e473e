// Reading one request from a connection, routing it, and the status endpoint.
#include "MOLDARIServer.h"
#include "MOLDARIImportJobs.h"
#include "MOLDARIHttpRequest.h"

#include "Containers/StringConv.h"
#include "Dom/JsonObject.h"
#include "HAL/PlatformProcess.h"
#include "Math/UnrealMathUtility.h"
#include "HAL/PlatformTime.h"
#include "Misc/Timespan.h"
#include "Policies/PrettyJsonPrintPolicy.h"
#include "Runtime/Launch/Resources/Version.h"
#include "Serialization/JsonSerializer.h"
#include "Serialization/JsonWriter.h"
#include "Sockets.h"

namespace
{
	// One deadline for the header block and the body, counted from the hand-over.
	const double RequestDeadlineSeconds = 5.0;
	const int32 InitialBufferCapacity = 16384;
	// After refusing an oversized request, what the client still sends is read and dropped for
	// at most this long, so that closing does not reset the connection before it reads the answer.
	const double DiscardSeconds = 1.0;
	const int64 DiscardMaxBytes = 8 * 1024 * 1024;

	enum class EReadResult : uint8 { Data, TimedOut, Closed };

	// Waits for bytes until the deadline and appends at most MaxBytes of them (those pending).
	EReadResult ReadSome(FSocket* Socket, TArray<uint8>& Buffer, int32 MaxBytes, double Deadline)
	{
		while (true)
		{
			const double Remaining = Deadline - FPlatformTime::Seconds();
			if (Remaining <= 0.0)
			{
				return EReadResult::TimedOut;
			}
			if (!Socket->Wait(ESocketWaitConditions::WaitForRead, FTimespan::FromSeconds(Remaining)))
			{
				// Timed out (the loop ends above), or the wait itself failed: do not spin on it.
				FPlatformProcess::Sleep(0.005f);
				continue;
			}
			uint32 PendingBytes = 0;
			Socket->HasPendingData(PendingBytes);
			// Readable with nothing pending means the peer closed or failed: one read tells which.
			const int32 ToRead = PendingBytes > 0 ? static_cast<int32>(FMath::Min<uint32>(PendingBytes, static_cast<uint32>(MaxBytes))) : 1;
			const int32 OldNum = Buffer.Num();
			Buffer.AddUninitialized(ToRead);
			int32 BytesRead = 0;
			const bool bReceived = Socket->Recv(Buffer.GetData() + OldNum, ToRead, BytesRead, ESocketReceiveFlags::None);
			Buffer.SetNum(OldNum + (bReceived ? BytesRead : 0));
			if (!bReceived)
			{
				return EReadResult::Closed;
			}
			if (BytesRead > 0)
			{
				return EReadResult::Data;
			}
		}
	}

	void DiscardUntilClosed(FSocket* Socket)
	{
		Socket->Shutdown(ESocketShutdownMode::Write);
		const double Deadline = FPlatformTime::Seconds() + DiscardSeconds;
		TArray<uint8> Scratch;
		int64 Discarded = 0;
		while (Discarded < DiscardMaxBytes)
		{
			Scratch.Reset();
			if (ReadSome(Socket, Scratch, 64 * 1024, Deadline) != EReadResult::Data)
			{
				return;
			}
			Discarded += Scratch.Num();
		}
	}

	FString DecodeUtf8(const uint8* Bytes, int32 Count)
	{
		if (Count <= 0)
		{
			return FString();
		}
		FUTF8ToTCHAR Converted(reinterpret_cast<const ANSICHAR*>(Bytes), Count);
		return FString(Converted.Length(), Converted.Get());
	}
}

void FMOLDARIServer::HandleConnection(FSocket* Socket)
{
	const double Deadline = FPlatformTime::Seconds() + RequestDeadlineSeconds;
	TArray<uint8> Buffer;
	Buffer.Reserve(InitialBufferCapacity);

	int32 HeaderEnd = INDEX_NONE;
	while (HeaderEnd == INDEX_NONE)
	{
		const int32 OldNum = Buffer.Num();
		// Never hold more than one byte past the header cap.
		if (ReadSome(Socket, Buffer, MOLDARIHttp::MaxHeaderBytes + 1 - OldNum, Deadline) != EReadResult::Data)
		{
			return; // silence, or a client gone before its header block ended: no answer
		}
		HeaderEnd = MOLDARIHttp::FindHeaderEnd(Buffer.GetData(), Buffer.Num(), OldNum - 3);
		if ((HeaderEnd == INDEX_NONE && Buffer.Num() > MOLDARIHttp::MaxHeaderBytes) || HeaderEnd > MOLDARIHttp::MaxHeaderBytes)
		{
			SendResponse(Socket, 431, TEXT("{\"error\":\"request header too large\"}"), FString());
			DiscardUntilClosed(Socket);
			return;
		}
	}

	MOLDARIHttp::FRequestHead Head;
	if (!MOLDARIHttp::ParseRequestHead(DecodeUtf8(Buffer.GetData(), HeaderEnd), Head))
	{
		return;
	}

	FString Body;
	if (Head.ContentLength > MOLDARIHttp::MaxBodyBytes)
	{
		SendResponse(Socket, 413, TEXT("{\"error\":\"request too large\"}"), Head.Origin);
		DiscardUntilClosed(Socket);
		return;
	}
	if (Head.ContentLength > 0)
	{
		const int32 ContentLength = static_cast<int32>(Head.ContentLength);
		// The body is exactly Content-Length bytes: what follows them is not read into it.
		Buffer.SetNum(FMath::Min<int32>(Buffer.Num(), HeaderEnd + ContentLength));
		while (Buffer.Num() - HeaderEnd < ContentLength)
		{
			// A short body is routed as it is once the deadline passes or the client has closed.
			if (ReadSome(Socket, Buffer, HeaderEnd + ContentLength - Buffer.Num(), Deadline) != EReadResult::Data)
			{
				break;
			}
		}
		Body = DecodeUtf8(Buffer.GetData() + HeaderEnd, Buffer.Num() - HeaderEnd);
	}

	int64 JobId = 0;
	switch (MOLDARIHttp::RouteRequest(Head.Method, Head.Path, &JobId))
	{
	case MOLDARIHttp::ERoute::Preflight:
		SendResponse(Socket, 200, FString(), Head.Origin);
		break;
	case MOLDARIHttp::ERoute::Status:
		HandleStatus(Socket, Head.Origin);
		break;
	case MOLDARIHttp::ERoute::Import:
		HandleImport(Socket, Body, Head.Origin);
		break;
	case MOLDARIHttp::ERoute::Imports:
	case MOLDARIHttp::ERoute::ImportJob:
		HandleImports(Socket, Head, JobId);
		break;
	case MOLDARIHttp::ERoute::NotFound:
		SendResponse(Socket, 404, TEXT("{\"error\":\"not found\"}"), Head.Origin);
		break;
	}
}

void FMOLDARIServer::HandleImports(FSocket* Socket, const MOLDARIHttp::FRequestHead& Head, int64 JobId)
{
	if (!MOLDARIHttp::IsLoopbackHost(Head.Host))
	{
		SendResponse(Socket, 403, TEXT("{\"error\":\"host not allowed\"}"), Head.Origin);
		return;
	}
	if (MOLDARIHttp::RouteRequest(Head.Method, Head.Path) == MOLDARIHttp::ERoute::Imports)
	{
		SendResponseBytes(Socket, 200, MOLDARIJobs::GetJobsDocumentUtf8(), Head.Origin);
		return;
	}
	const TOptional<MOLDARIJobs::FImportJob> Job = MOLDARIJobs::FindJob(JobId);
	if (!Job.IsSet())
	{
		SendResponse(Socket, 404, TEXT("{\"error\":\"not found\"}"), Head.Origin);
		return;
	}
	SendResponse(Socket, 200, MOLDARIJobs::JobDocument(Job.GetValue()), Head.Origin);
}

void FMOLDARIServer::HandleStatus(FSocket* Socket, const FString& Origin)
{
	TSharedRef<FJsonObject> Status = MakeShared<FJsonObject>();
	Status->SetStringField(TEXT("dcc"), TEXT("unreal"));
	Status->SetStringField(TEXT("version"), FString::Printf(TEXT("%d.%d"), ENGINE_MAJOR_VERSION, ENGINE_MINOR_VERSION));
	Status->SetStringField(TEXT("status"), TEXT("running"));

	FString Text;
	TSharedRef<TJsonWriter<TCHAR, TPrettyJsonPrintPolicy<TCHAR>>> Writer = TJsonWriterFactory<TCHAR, TPrettyJsonPrintPolicy<TCHAR>>::Create(&Text);
	FJsonSerializer::Serialize(Status, Writer);
	SendResponse(Socket, 200, Text, Origin);
}

// HandleImport lives in MOLDARIImportEndpoint.cpp.
