// The server object, its thread and the accept loop.
#include "MOLDARIServer.h"

#include "HAL/PlatformProcess.h"
#include "HAL/RunnableThread.h"
#include "IPAddress.h"
#include "Misc/Timespan.h"
#include "SocketSubsystem.h"
#include "Sockets.h"

namespace
{
	const TCHAR* const ServerThreadName = TEXT("MOLDARIServer");
	const TCHAR* const ListenSocketDescription = TEXT("MOLDARIServer");
	const TCHAR* const ClientSocketDescription = TEXT("MOLDARIClient");
	const int32 ListenBacklog = 8;
	// The accept loop waits this long for a client before it looks at the stop flag again.
	const double AcceptWaitSeconds = 0.05;
}

FMOLDARIServer* FMOLDARIServer::ServerInstance = nullptr;

namespace
{
	// True when something accepts a connection on the address: a listener is already there.
	bool IsPortServed(ISocketSubsystem& SocketSubsystem, const FInternetAddr& Address)
	{
		FSocket* Probe = SocketSubsystem.CreateSocket(NAME_Stream, TEXT("MOLDARIPortProbe"), false);
		if (Probe == nullptr)
		{
			return false;
		}
		const bool bAnswered = Probe->Connect(Address);
		Probe->Close();
		SocketSubsystem.DestroySocket(Probe);
		return bAnswered;
	}
}

void FMOLDARIServer::StartServer(int32 InPort)
{
	if (ServerInstance != nullptr)
	{
		UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Server already running"));
		return;
	}
	ServerInstance = new FMOLDARIServer();
	ServerInstance->Port = InPort;
	ServerInstance->bRunning = true;
	ServerInstance->Thread = FRunnableThread::Create(ServerInstance, ServerThreadName, 0, TPri_BelowNormal);
	if (ServerInstance->Thread == nullptr)
	{
		ServerInstance->bSetupFailed = true;
	}
	UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Server thread launched on port %d"), InPort);
}

void FMOLDARIServer::StopServer()
{
	if (ServerInstance == nullptr)
	{
		return;
	}
	// The accept loop sees the flag within one accept wait; the listen socket stays the server
	// thread's alone (Exit destroys it there), so it is never closed under a thread waiting on it.
	ServerInstance->bRunning = false;
	if (ServerInstance->Thread != nullptr)
	{
		ServerInstance->Thread->Kill(true);
		delete ServerInstance->Thread;
		ServerInstance->Thread = nullptr;
	}
	delete ServerInstance;
	ServerInstance = nullptr;
	UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Server stopped"));
}

bool FMOLDARIServer::IsServerRunning()
{
	return ServerInstance != nullptr;
}

bool FMOLDARIServer::HasServerFailed()
{
	return ServerInstance != nullptr && ServerInstance->bSetupFailed;
}

bool FMOLDARIServer::Init()
{
	return true;
}

uint32 FMOLDARIServer::Run()
{
	ISocketSubsystem* SocketSubsystem = ISocketSubsystem::Get(PLATFORM_SOCKETSUBSYSTEM);
	FSocket* Socket = SocketSubsystem->CreateSocket(NAME_Stream, ListenSocketDescription, false);
	if (Socket == nullptr)
	{
		// Recorded before the log line, so whoever reads the line sees the toggle off.
		bSetupFailed = true;
		UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Failed to create listener socket"));
		return 1;
	}
	ListenSocket = Socket;

	TSharedRef<FInternetAddr> Address = SocketSubsystem->CreateInternetAddr();
	// Loopback only: the bridge is never reachable from another machine.
	Address->SetLoopbackAddress();
	Address->SetPort(Port);

#if !PLATFORM_WINDOWS
	// Address reuse allows a quick restart over connections of the last run still in TIME_WAIT.
	// On Linux the engine also sets SO_REUSEPORT with it, which lets a second socket that does
	// the same (another editor's bridge) listen on the port beside a running one and take half
	// its connections. So a port that already answers counts as taken. (On Windows address reuse
	// would let another process take the port while we listen; it is left off there.)
	const bool bPortServed = IsPortServed(*SocketSubsystem, *Address);
	Socket->SetReuseAddr(true);
#else
	const bool bPortServed = false;
#endif
	Socket->SetNonBlocking(true);

	if (bPortServed || !Socket->Bind(*Address))
	{
		bSetupFailed = true;
		UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Failed to bind to port %d"), Port);
		return 1;
	}
	if (!Socket->Listen(ListenBacklog))
	{
		bSetupFailed = true;
		UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Failed to listen on port %d"), Port);
		return 1;
	}
	UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Listening on http://localhost:%d"), Port);

	while (bRunning)
	{
		bool bHasPendingConnection = false;
		// Waits for a client instead of polling and sleeping, so a connection is served the
		// moment it arrives and a stop is seen within the wait.
		const bool bPolled = Socket->WaitForPendingConnection(bHasPendingConnection, FTimespan::FromSeconds(AcceptWaitSeconds));
		if (bPolled && bHasPendingConnection)
		{
			if (FSocket* Client = Socket->Accept(ClientSocketDescription))
			{
				HandleConnection(Client);
				Client->Close();
				SocketSubsystem->DestroySocket(Client);
			}
		}
		else if (!bPolled)
		{
			FPlatformProcess::Sleep(static_cast<float>(AcceptWaitSeconds));
		}
	}
	return 0;
}

void FMOLDARIServer::Stop()
{
	bRunning = false;
}

void FMOLDARIServer::Exit()
{
	if (ListenSocket != nullptr)
	{
		ISocketSubsystem::Get(PLATFORM_SOCKETSUBSYSTEM)->DestroySocket(ListenSocket);
		ListenSocket = nullptr;
	}
}

FSingleThreadRunnable* FMOLDARIServer::GetSingleThreadInterface()
{
	return nullptr;
}

FMOLDARIServer::~FMOLDARIServer() = default;
