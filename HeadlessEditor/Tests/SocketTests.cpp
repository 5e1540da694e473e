// The stand-in's sockets follow the engine's rules where the bridge depends on them.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "CoreMinimal.h"
#include "HAL/PlatformTime.h"
#include "IPAddress.h"
#include "SocketSubsystem.h"
#include "Sockets.h"

namespace
{
	struct FLoopbackPair
	{
		ISocketSubsystem* Subsystem = ISocketSubsystem::Get(PLATFORM_SOCKETSUBSYSTEM);
		FSocket* Listener = nullptr;
		FSocket* Client = nullptr;
		FSocket* Server = nullptr;

		explicit FLoopbackPair(bool bNonBlockingListener)
		{
			Listener = Subsystem->CreateSocket(NAME_Stream, TEXT("TestListener"), false);
			TSharedRef<FInternetAddr> Address = Subsystem->CreateInternetAddr();
			Address->SetLoopbackAddress();
			Address->SetPort(0);
			EXPECT_TRUE(Listener->Bind(*Address));
			EXPECT_TRUE(Listener->Listen(4));
			Listener->SetNonBlocking(bNonBlockingListener);
			Address->SetPort(Listener->GetPortNo());
			Client = Subsystem->CreateSocket(NAME_Stream, TEXT("TestClient"), false);
			EXPECT_TRUE(Client->Connect(*Address));
			bool bPending = false;
			EXPECT_TRUE(Listener->WaitForPendingConnection(bPending, FTimespan::FromSeconds(2.0)));
			EXPECT_TRUE(bPending);
			Server = Listener->Accept(TEXT("TestAccepted"));
			EXPECT_NE(Server, nullptr);
		}
		~FLoopbackPair()
		{
			for (FSocket* Socket : { Server, Client, Listener }) { if (Socket) { Subsystem->DestroySocket(Socket); } }
		}
	};

	bool SendText(FSocket* Socket, const char* Text)
	{
		int32 Sent = 0;
		return Socket->Send(reinterpret_cast<const uint8*>(Text), static_cast<int32>(strlen(Text)), Sent) && Sent == static_cast<int32>(strlen(Text));
	}
}

TEST(SocketTest, RecvReportsWouldBlockAndGracefulCloseLikeTheEngine)
{
	FLoopbackPair Pair(true);
	uint8 Buffer[16];
	int32 Read = -1;
	// Accepted sockets inherit non-blocking mode, as on Windows: nothing there is "true, 0 bytes".
	EXPECT_TRUE(Pair.Server->Recv(Buffer, sizeof(Buffer), Read));
	EXPECT_EQ(Read, 0);
	uint32 Pending = 1;
	EXPECT_FALSE(Pair.Server->HasPendingData(Pending));
	EXPECT_EQ(Pending, 0u);

	ASSERT_TRUE(SendText(Pair.Client, "hello"));
	ASSERT_TRUE(Pair.Server->Wait(ESocketWaitConditions::WaitForRead, FTimespan::FromSeconds(2.0)));
	EXPECT_TRUE(Pair.Server->HasPendingData(Pending));
	EXPECT_EQ(Pending, 5u);
	// Recv may return fewer bytes than pending when asked for fewer.
	EXPECT_TRUE(Pair.Server->Recv(Buffer, 2, Read));
	EXPECT_EQ(Read, 2);
	EXPECT_TRUE(Pair.Server->Recv(Buffer, sizeof(Buffer), Read));
	EXPECT_EQ(Read, 3);

	Pair.Client->Close();
	ASSERT_TRUE(Pair.Server->Wait(ESocketWaitConditions::WaitForRead, FTimespan::FromSeconds(2.0)));
	EXPECT_FALSE(Pair.Server->HasPendingData(Pending)); // end of stream is not pending data
	EXPECT_FALSE(Pair.Server->Recv(Buffer, sizeof(Buffer), Read)); // graceful close
	EXPECT_EQ(Read, 0);
}

TEST(SocketTest, BlockingListenerGivesBlockingClients)
{
	FLoopbackPair Pair(false);
	std::thread Writer([&Pair]() {
		std::this_thread::sleep_for(std::chrono::milliseconds(50));
		SendText(Pair.Client, "x");
	});
	uint8 Byte = 0;
	int32 Read = 0;
	EXPECT_TRUE(Pair.Server->Recv(&Byte, 1, Read)); // blocks until the byte arrives
	EXPECT_EQ(Read, 1);
	Writer.join();
}

TEST(SocketTest, SendToAClosedPeerFailsWithoutKillingTheProcess)
{
	FLoopbackPair Pair(true);
	Pair.Client->Close();
	std::vector<uint8> Data(1 << 20, 'x');
	bool bFailed = false;
	for (int Attempt = 0; Attempt < 50 && !bFailed; ++Attempt)
	{
		int32 Sent = 0;
		bFailed = !Pair.Server->Send(Data.data(), static_cast<int32>(Data.size()), Sent);
		std::this_thread::sleep_for(std::chrono::milliseconds(2));
	}
	EXPECT_TRUE(bFailed); // and no SIGPIPE ended the test binary
	EXPECT_NE(Pair.Server->GetConnectionState(), SCS_NotConnected);
}

TEST(SocketTest, ClosingAListenerWakesAThreadWaitingOnIt)
{
	ISocketSubsystem* Subsystem = ISocketSubsystem::Get(PLATFORM_SOCKETSUBSYSTEM);
	FSocket* Listener = Subsystem->CreateSocket(NAME_Stream, TEXT("TestListener"), false);
	TSharedRef<FInternetAddr> Address = Subsystem->CreateInternetAddr();
	Address->SetLoopbackAddress();
	Address->SetPort(0);
	ASSERT_TRUE(Listener->Bind(*Address) && Listener->Listen(1));

	std::atomic<double> WokeAfter{ -1.0 };
	std::thread Waiter([&]() {
		const double Start = FPlatformTime::Seconds();
		bool bPending = false;
		Listener->WaitForPendingConnection(bPending, FTimespan::FromSeconds(5.0));
		WokeAfter = FPlatformTime::Seconds() - Start;
	});
	std::this_thread::sleep_for(std::chrono::milliseconds(50));
	EXPECT_TRUE(Listener->Close());
	Waiter.join();
	EXPECT_LT(WokeAfter.load(), 1.0);
	EXPECT_FALSE(Listener->Close()); // already closed
	bool bPending = true;
	EXPECT_FALSE(Listener->WaitForPendingConnection(bPending, FTimespan::Zero()));
	EXPECT_FALSE(bPending);
	Subsystem->DestroySocket(Listener);
}

// On Linux the engine's address reuse also sets SO_REUSEPORT: two sockets that both ask for it
// may listen on one port; a socket that did not ask still finds the port taken.
TEST(SocketTest, AddressReuseLetsTwoListenersShareAPortAsOnLinux)
{
	ISocketSubsystem* Subsystem = ISocketSubsystem::Get(PLATFORM_SOCKETSUBSYSTEM);
	FSocket* First = Subsystem->CreateSocket(NAME_Stream, TEXT("First"), false);
	FSocket* Second = Subsystem->CreateSocket(NAME_Stream, TEXT("Second"), false);
	FSocket* Third = Subsystem->CreateSocket(NAME_Stream, TEXT("Third"), false);
	ASSERT_TRUE(First->SetReuseAddr(true) && Second->SetReuseAddr(true));
	TSharedRef<FInternetAddr> Address = Subsystem->CreateInternetAddr();
	Address->SetLoopbackAddress();
	Address->SetPort(0);
	ASSERT_TRUE(First->Bind(*Address) && First->Listen(1));
	Address->SetPort(First->GetPortNo());
	EXPECT_TRUE(Second->Bind(*Address) && Second->Listen(1));
	EXPECT_FALSE(Third->Bind(*Address));
	EXPECT_EQ(Subsystem->GetLastErrorCode(), SE_EADDRINUSE);
	// As the engine names errors: the enumerator's name, for the last error or a given one.
	EXPECT_EQ(FString(Subsystem->GetSocketError()), TEXT("SE_EADDRINUSE"));
	EXPECT_EQ(FString(Subsystem->GetSocketError(SE_ECONNREFUSED)), TEXT("SE_ECONNREFUSED"));
	for (FSocket* Socket : { First, Second, Third }) { Subsystem->DestroySocket(Socket); }
}
