#pragma once

#include <atomic>

#include "CoreMinimal.h"
#include "HAL/Runnable.h"
#include "MOLDARIHttpRequest.h"

class FRunnableThread;
class FSocket;

// The bridge server: a small HTTP/1.1 server on its own thread, serving one connection at a
// time on the loopback address. Started and stopped from the main thread by the toolbar toggle.
class FMOLDARIServer : public FRunnable
{
public:
	// Main thread.
	static void StartServer(int32 InPort);
	static void StopServer();
	// True while a server object exists (listening, or ended by a failed set-up).
	static bool IsServerRunning();
	// True when the server exists but its socket set-up failed (port taken, ...).
	static bool HasServerFailed();

	// FRunnable, in the order the thread calls them.
	virtual bool Init() override;
	virtual uint32 Run() override;
	virtual void Stop() override;
	virtual void Exit() override;
	virtual class FSingleThreadRunnable* GetSingleThreadInterface() override;
	virtual ~FMOLDARIServer() override;

	// Server thread: one request per connection.
	void HandleConnection(FSocket* Socket);
	void HandleStatus(FSocket* Socket, const FString& Origin);
	void HandleImport(FSocket* Socket, const FString& Body, const FString& Origin);
	// GET /imports and GET /imports/<id>: the import jobs, for a request naming the loopback.
	void HandleImports(FSocket* Socket, const MOLDARIHttp::FRequestHead& Head, int64 JobId);
	// The only writer to a client socket.
	static void SendResponse(FSocket* Socket, int32 StatusCode, const FString& Body, const FString& Origin);
	// The same with a body already in UTF-8 (empty: text/plain, no body).
	static void SendResponseBytes(FSocket* Socket, int32 StatusCode, const TArray<uint8>& BodyUtf8, const FString& Origin);
	static void AppendCorsHeaders(FString& Headers, const FString& Origin);

private:
	// Server thread only: made in Run, destroyed in Exit.
	FSocket* ListenSocket = nullptr;
	// Main thread only.
	FRunnableThread* Thread = nullptr;
	// Atomic; both threads: the stop flag.
	std::atomic<bool> bRunning{ false };
	// Atomic; written by the server thread when set-up fails, read by the main thread.
	std::atomic<bool> bSetupFailed{ false };
	int32 Port = 0;

	// Main thread only.
	static FMOLDARIServer* ServerInstance;
};
