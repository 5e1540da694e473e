// The HTTP module against a small HTTP server on an ephemeral loopback port: bodies arrive
// intact, every status is a connected response, delegates run once and where the engine runs
// them, a cancel stops a transfer at once, from any thread, and a response stream gets the body
// on the HTTP thread instead of the response.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CoreMinimal.h"
#include "Containers/Ticker.h"
#include "TickerHost.h"
#include "HAL/PlatformTime.h"
#include "HttpModule.h"
#include "Interfaces/IHttpRequest.h"
#include "Interfaces/IHttpResponse.h"
#include "Modules/ModuleManager.h"
#include "LogCapture.h"

namespace
{
	constexpr double DeadlineSeconds = 20.0;

	uint8 PatternByte(uint64 Index) { return static_cast<uint8>((Index * 131u + Index / 251u) & 0xFFu); }

	bool HasPattern(const TArray<uint8>& Body)
	{
		for (int32 Index = 0; Index < Body.Num(); ++Index) { if (Body[Index] != PatternByte(Index)) { return false; } }
		return true;
	}

	// One request per connection. Routes:
	//   /bytes/N      200 with N pattern bytes (zeros included)
	//   /notfound     404 with an HTML page
	//   /hop/K/N      302 to /hop/K-1/N, and /hop/0/N to /bytes/N: K + 1 redirects
	//   /slow/N       200 announcing N bytes, sent in 64 KiB pieces with short pauses
	//   /announce/N   200 announcing N bytes, 1 KiB of them, then silence
	//   /echo         200 with the request's head as the body
	//   /unannounced/N  200 with N pattern bytes, no Content-Length: the body ends when the server closes
	class FTestHttpServer
	{
	public:
		FTestHttpServer()
		{
			ListenFd = socket(AF_INET, SOCK_STREAM, 0);
			sockaddr_in Address{};
			Address.sin_family = AF_INET;
			Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
			Address.sin_port = 0;
			EXPECT_EQ(bind(ListenFd, reinterpret_cast<sockaddr*>(&Address), sizeof(Address)), 0);
			EXPECT_EQ(listen(ListenFd, 16), 0);
			socklen_t Length = sizeof(Address);
			getsockname(ListenFd, reinterpret_cast<sockaddr*>(&Address), &Length);
			Port = ntohs(Address.sin_port);
			AcceptThread = std::thread([this]() { AcceptLoop(); });
		}

		~FTestHttpServer()
		{
			bStop = true;
			AcceptThread.join();
			close(ListenFd);
			std::lock_guard<std::mutex> Lock(ThreadsMutex);
			for (std::thread& Thread : Connections) { Thread.join(); }
		}

		FString Url(const char* Path) const { return FString::Printf(TEXT("http://127.0.0.1:%d%s"), Port, ANSI_TO_TCHAR(Path)); }

		int Port = 0;
		std::atomic<uint64> SlowBytesSent{ 0 };
		std::atomic<bool> bSlowClientGone{ false };
		std::atomic<int32> Requests{ 0 };

	private:
		void AcceptLoop()
		{
			while (!bStop)
			{
				pollfd Poll{ ListenFd, POLLIN, 0 };
				if (poll(&Poll, 1, 20) <= 0) { continue; }
				const int Fd = accept(ListenFd, nullptr, nullptr);
				if (Fd < 0) { continue; }
				std::lock_guard<std::mutex> Lock(ThreadsMutex);
				Connections.emplace_back([this, Fd]() { Serve(Fd); close(Fd); });
			}
		}

		bool SendAll(int Fd, const char* Data, size_t Size)
		{
			while (Size > 0)
			{
				pollfd Poll{ Fd, POLLOUT, 0 };
				if (bStop || poll(&Poll, 1, 50) < 0) { return false; }
				if (!(Poll.revents & POLLOUT)) { if (Poll.revents & (POLLERR | POLLHUP)) { return false; } continue; }
				const ssize_t Sent = send(Fd, Data, Size, MSG_NOSIGNAL);
				if (Sent <= 0) { return false; }
				Data += Sent;
				Size -= static_cast<size_t>(Sent);
			}
			return true;
		}

		bool SendHead(int Fd, const char* Status, uint64 Length, const std::string& Extra = std::string())
		{
			const std::string Head = std::string("HTTP/1.1 ") + Status + "\r\nContent-Length: " + std::to_string(Length) + "\r\nConnection: close\r\n" + Extra + "\r\n";
			return SendAll(Fd, Head.data(), Head.size());
		}

		bool SendPattern(int Fd, uint64 Count, bool bSlow)
		{
			std::vector<char> Piece(64 * 1024);
			for (uint64 Offset = 0; Offset < Count;)
			{
				const size_t Size = static_cast<size_t>(std::min<uint64>(Piece.size(), Count - Offset));
				for (size_t Index = 0; Index < Size; ++Index) { Piece[Index] = static_cast<char>(PatternByte(Offset + Index)); }
				if (!SendAll(Fd, Piece.data(), Size)) { return false; }
				Offset += Size;
				if (bSlow)
				{
					SlowBytesSent = Offset;
					std::this_thread::sleep_for(std::chrono::milliseconds(2)); // pacing of the slow body
				}
			}
			return true;
		}

		// Holds the connection open until the client closes it or the server stops.
		bool WaitForClientClose(int Fd)
		{
			char Byte;
			while (!bStop)
			{
				pollfd Poll{ Fd, POLLIN, 0 };
				if (poll(&Poll, 1, 20) > 0 && recv(Fd, &Byte, 1, 0) <= 0) { return true; }
			}
			return false;
		}

		void Serve(int Fd)
		{
			std::string Head;
			char Buffer[4096];
			while (Head.find("\r\n\r\n") == std::string::npos)
			{
				pollfd Poll{ Fd, POLLIN, 0 };
				if (bStop) { return; }
				if (poll(&Poll, 1, 20) <= 0) { continue; }
				const ssize_t Read = recv(Fd, Buffer, sizeof(Buffer), 0);
				if (Read <= 0) { return; }
				Head.append(Buffer, static_cast<size_t>(Read));
			}
			++Requests;
			const size_t PathStart = Head.find(' ') + 1;
			const std::string Path = Head.substr(PathStart, Head.find(' ', PathStart) - PathStart);
			unsigned long long A = 0, B = 0;
			if (std::sscanf(Path.c_str(), "/bytes/%llu", &A) == 1)
			{
				if (SendHead(Fd, "200 OK", A, "Content-Type: application/octet-stream\r\n")) { SendPattern(Fd, A, false); }
			}
			else if (Path == "/notfound")
			{
				const std::string Page = "<html><body><h1>Not Found</h1></body></html>";
				if (SendHead(Fd, "404 Not Found", Page.size(), "Content-Type: text/html\r\n")) { SendAll(Fd, Page.data(), Page.size()); }
			}
			else if (std::sscanf(Path.c_str(), "/hop/%llu/%llu", &A, &B) == 2)
			{
				const std::string Next = A > 0 ? "/hop/" + std::to_string(A - 1) + "/" + std::to_string(B) : "/bytes/" + std::to_string(B);
				SendHead(Fd, "302 Found", 0, "Location: " + Next + "\r\n");
			}
			else if (std::sscanf(Path.c_str(), "/slow/%llu", &A) == 1)
			{
				if (SendHead(Fd, "200 OK", A) && !SendPattern(Fd, A, true)) { bSlowClientGone = true; }
			}
			else if (std::sscanf(Path.c_str(), "/announce/%llu", &A) == 1)
			{
				if (SendHead(Fd, "200 OK", A) && SendPattern(Fd, 1024, false) && WaitForClientClose(Fd)) { bSlowClientGone = true; }
			}
			else if (std::sscanf(Path.c_str(), "/unannounced/%llu", &A) == 1)
			{
				const std::string Head = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
				if (SendAll(Fd, Head.data(), Head.size())) { SendPattern(Fd, A, false); }
			}
			else if (Path == "/echo")
			{
				if (SendHead(Fd, "200 OK", Head.size())) { SendAll(Fd, Head.data(), Head.size()); }
			}
			else
			{
				SendHead(Fd, "500 Internal Server Error", 0);
			}
		}

		int ListenFd = -1;
		std::atomic<bool> bStop{ false };
		std::thread AcceptThread;
		std::mutex ThreadsMutex;
		std::vector<std::thread> Connections;
	};

	// A loopback port with nobody listening: the test server's, once it has gone.
	int ClosedPort() { return FTestHttpServer().Port; }

	// Ticks the core ticker, as the main loop does, until Condition holds or the deadline passes.
	bool PumpUntil(const std::function<bool()>& Condition, double Seconds = DeadlineSeconds)
	{
		const double Deadline = FPlatformTime::Seconds() + Seconds;
		while (FPlatformTime::Seconds() < Deadline)
		{
			FTSTicker::GetCoreTicker().Tick(0.001f);
			if (Condition()) { return true; }
			std::this_thread::yield();
		}
		return Condition();
	}

	// Pumps until nothing is left on the core ticker, so a second delivery would have happened.
	void PumpUntilTickerIdle() { PumpUntil([]() { return FHeadlessTicker::GetNumTickers(FTSTicker::GetCoreTicker()) == 0; }, 5.0); }

	// What the completion delegate saw.
	struct FCompletion
	{
		std::atomic<int32> Calls{ 0 };
		std::atomic<bool> bConnected{ false };
		std::atomic<bool> bHadResponse{ false };
		std::thread::id Thread;
		FHttpResponsePtr Response;

		void Bind(const FHttpRequestRef& Request)
		{
			Request->OnProcessRequestComplete().BindLambda([this](FHttpRequestPtr, FHttpResponsePtr InResponse, bool bConnectedSuccessfully) {
				Response = InResponse;
				bHadResponse = InResponse.IsValid();
				bConnected = bConnectedSuccessfully;
				Thread = std::this_thread::get_id();
				++Calls;
			});
		}
		bool Done() const { return Calls.load() > 0; }

		// Binds, starts the request and pumps the ticker until it completes (bounded).
		::testing::AssertionResult RunToEnd(const FHttpRequestRef& Request)
		{
			Bind(Request);
			if (!Request->ProcessRequest()) { return ::testing::AssertionFailure() << "ProcessRequest refused the request"; }
			if (!PumpUntil([this]() { return Done(); })) { return ::testing::AssertionFailure() << "no completion before the deadline"; }
			return ::testing::AssertionSuccess();
		}
	};

	FHttpRequestRef MakeGet(const FString& Url)
	{
		FHttpRequestRef Request = FHttpModule::Get().CreateRequest();
		Request->SetVerb(TEXT("GET"));
		Request->SetURL(Url);
		return Request;
	}
}

TEST(HttpTest, BinaryBodyArrivesIntactOnceOnTheTickingThread)
{
	FTestHttpServer Server;
	constexpr int32 Size = 5 * 1024 * 1024 + 17;
	FHttpRequestRef Request = MakeGet(Server.Url("/bytes/5242897"));
	FCompletion Completion;
	Completion.Bind(Request);
	std::vector<uint64> Received;
	bool bProgressOffThread = false;
	bool bProgressAfterCompletion = false;
	const std::thread::id TestThread = std::this_thread::get_id();
	Request->OnRequestProgress64().BindLambda([&](FHttpRequestPtr, uint64, uint64 BytesReceived) {
		Received.push_back(BytesReceived);
		bProgressOffThread = bProgressOffThread || std::this_thread::get_id() != TestThread;
		bProgressAfterCompletion = bProgressAfterCompletion || Completion.Done();
	});
	ASSERT_TRUE(Request->ProcessRequest());
	EXPECT_EQ(Request->GetStatus(), EHttpRequestStatus::Processing);

	ASSERT_TRUE(PumpUntil([&]() { return Completion.Done(); }));
	PumpUntilTickerIdle();
	EXPECT_EQ(Completion.Calls.load(), 1);
	EXPECT_EQ(Completion.Thread, TestThread);
	EXPECT_TRUE(Completion.bConnected.load());
	ASSERT_TRUE(Completion.Response.IsValid());
	EXPECT_EQ(Completion.Response, Request->GetResponse());
	EXPECT_EQ(Completion.Response->GetResponseCode(), 200);
	EXPECT_EQ(Completion.Response->GetContentLength(), static_cast<uint64>(Size));
	EXPECT_EQ(Completion.Response->GetHeader(TEXT("content-type")), TEXT("application/octet-stream"));
	ASSERT_EQ(Completion.Response->GetContent().Num(), Size);
	EXPECT_TRUE(HasPattern(Completion.Response->GetContent()));
	EXPECT_EQ(Request->GetStatus(), EHttpRequestStatus::Succeeded);
	EXPECT_EQ(Request->GetFailureReason(), EHttpFailureReason::None);
	// The response carries the request's final status too, as the engine's does.
	EXPECT_EQ(Completion.Response->GetStatus(), EHttpRequestStatus::Succeeded);
	EXPECT_EQ(Completion.Response->GetFailureReason(), EHttpFailureReason::None);
	EXPECT_EQ(Completion.Response->GetContentType(), TEXT("application/octet-stream"));

	// Progress grows, on the ticking thread, before the completion, and ends at the body size.
	ASSERT_GE(Received.size(), 2u);
	for (size_t Index = 1; Index < Received.size(); ++Index) { EXPECT_GT(Received[Index], Received[Index - 1]) << "report " << Index; }
	EXPECT_EQ(Received.back(), static_cast<uint64>(Size));
	EXPECT_FALSE(bProgressOffThread);
	EXPECT_FALSE(bProgressAfterCompletion);
}

namespace
{
	// Peak resident memory of this process (kibibytes), or -1 when /proc cannot tell.
	int64 PeakResidentKiB()
	{
		std::ifstream Status("/proc/self/status");
		std::string Line;
		while (std::getline(Status, Line))
		{
			if (Line.rfind("VmHWM:", 0) == 0) { return std::atoll(Line.c_str() + 6); }
		}
		return -1;
	}

	// Sets the peak back to the current resident memory; false when the kernel does not allow it.
	bool ResetPeakResident()
	{
		std::ofstream ClearRefs("/proc/self/clear_refs");
		ClearRefs << "5";
		ClearRefs.flush();
		return ClearRefs.good();
	}
}

TEST(HttpTest, BodyMemoryStaysNearTheBodySize)
{
	FTestHttpServer Server;
	{
		// Just past a power of two: a buffer grown by doubling would hold the old 32 MiB and the
		// new buffer's copied 32 MiB at once, 1.6 times the body. Reserved from the announced
		// length, the body is written once into its final buffer.
		constexpr int32 Size = 40 * 1024 * 1024 + 1;
		if (PeakResidentKiB() < 0 || !ResetPeakResident()) { GTEST_SKIP() << "the peak resident memory cannot be read or reset here"; }
		const int64 Before = PeakResidentKiB();
		FHttpRequestRef Request = MakeGet(Server.Url("/bytes/41943041"));
		FCompletion Completion;
		ASSERT_TRUE(Completion.RunToEnd(Request));
		ASSERT_TRUE(Completion.Response.IsValid());
		const TArray<uint8>& Body = Completion.Response->GetContent();
		ASSERT_EQ(Body.Num(), Size);
		EXPECT_EQ(Body.Max(), Size) << "the buffer is exactly the announced size";
		const int64 GrowthKiB = PeakResidentKiB() - Before;
		EXPECT_LT(GrowthKiB, Size / 1024 * 5 / 4) << "peak growth " << GrowthKiB << " KiB for a body of " << Size / 1024 << " KiB";
		EXPECT_TRUE(HasPattern(Body));
	}
	{
		// Without Content-Length the buffer grows as the bytes come, and the body still ends whole.
		constexpr int32 Size = 3 * 1024 * 1024 + 5;
		FHttpRequestRef Request = MakeGet(Server.Url("/unannounced/3145733"));
		FCompletion Completion;
		ASSERT_TRUE(Completion.RunToEnd(Request));
		ASSERT_TRUE(Completion.Response.IsValid());
		EXPECT_TRUE(Completion.bConnected.load());
		const TArray<uint8>& Body = Completion.Response->GetContent();
		ASSERT_EQ(Body.Num(), Size);
		EXPECT_TRUE(HasPattern(Body));
		EXPECT_EQ(Completion.Response->GetContentLength(), static_cast<uint64>(Size));
	}
}

TEST(HttpTest, ErrorStatusesAreConnectedResponses)
{
	FTestHttpServer Server;
	FHttpRequestRef Request = MakeGet(Server.Url("/notfound"));
	FCompletion Completion;
	ASSERT_TRUE(Completion.RunToEnd(Request));
	EXPECT_TRUE(Completion.bConnected.load());
	ASSERT_TRUE(Completion.Response.IsValid());
	EXPECT_EQ(Completion.Response->GetResponseCode(), 404);
	EXPECT_TRUE(Completion.Response->GetContentAsString().Contains(TEXT("<h1>Not Found</h1>")));
	EXPECT_EQ(Request->GetStatus(), EHttpRequestStatus::Succeeded);

	// A finished request may be sent again: one more completion, with a fresh response.
	const FHttpResponsePtr First = Completion.Response;
	ASSERT_TRUE(Request->ProcessRequest());
	ASSERT_TRUE(PumpUntil([&]() { return Completion.Calls.load() == 2; }));
	EXPECT_TRUE(Completion.bConnected.load());
	ASSERT_TRUE(Completion.Response.IsValid());
	EXPECT_NE(Completion.Response, First);
	EXPECT_EQ(Completion.Response->GetResponseCode(), 404);

	FHttpRequestRef Unknown = MakeGet(Server.Url("/no-such-route"));
	FCompletion UnknownCompletion;
	ASSERT_TRUE(UnknownCompletion.RunToEnd(Unknown));
	EXPECT_TRUE(UnknownCompletion.bConnected.load());
	ASSERT_TRUE(UnknownCompletion.Response.IsValid());
	EXPECT_EQ(UnknownCompletion.Response->GetResponseCode(), 500);
	EXPECT_EQ(UnknownCompletion.Response->GetContent().Num(), 0);
}

TEST(HttpTest, RefusedConnectionOrUnusableUrlCompletesOnceWithoutAResponse)
{
	// A refused connection fails once started; an unusable URL is not even started.
	const FString Refused = FString::Printf(TEXT("http://127.0.0.1:%d/archive.zip"), ClosedPort());
	for (const FString& Url : { Refused, FString(), FString(TEXT("ftp://127.0.0.1/archive.zip")), FString(TEXT("file:///etc/passwd")) })
	{
		FHttpRequestRef Request = MakeGet(Url);
		FCompletion Completion;
		Completion.Bind(Request);
		EXPECT_EQ(Request->ProcessRequest(), Url == Refused) << TCHAR_TO_UTF8(*Url);
		ASSERT_TRUE(PumpUntil([&]() { return Completion.Done(); })) << TCHAR_TO_UTF8(*Url);
		PumpUntilTickerIdle();
		EXPECT_EQ(Completion.Calls.load(), 1) << TCHAR_TO_UTF8(*Url);
		EXPECT_FALSE(Completion.bConnected.load()) << TCHAR_TO_UTF8(*Url);
		EXPECT_FALSE(Completion.bHadResponse.load()) << TCHAR_TO_UTF8(*Url);
		EXPECT_FALSE(Request->GetResponse().IsValid()) << TCHAR_TO_UTF8(*Url);
		EXPECT_EQ(Request->GetStatus(), EHttpRequestStatus::Failed) << TCHAR_TO_UTF8(*Url);
		if (Url == Refused) { EXPECT_EQ(Request->GetFailureReason(), EHttpFailureReason::ConnectionError); }
	}
}

TEST(HttpTest, RedirectsAreFollowedUpToTheLimit)
{
	// Ten redirects are the limit: eleven fail.
	FTestHttpServer Server;
	for (const auto& [Path, Size] : { std::pair("/hop/2/70000", 70000), std::pair("/hop/9/10", 10), std::pair("/hop/10/10", -1) })
	{
		FHttpRequestRef Request = MakeGet(Server.Url(Path));
		FCompletion Completion;
		ASSERT_TRUE(Completion.RunToEnd(Request)) << Path;
		EXPECT_EQ(Completion.bConnected.load(), Size >= 0) << Path;
		if (Size < 0) { continue; }
		ASSERT_TRUE(Completion.Response.IsValid()) << Path;
		EXPECT_EQ(Completion.Response->GetResponseCode(), 200) << Path;
		ASSERT_EQ(Completion.Response->GetContent().Num(), Size) << Path;
		EXPECT_TRUE(HasPattern(Completion.Response->GetContent())) << Path;
		EXPECT_TRUE(Completion.Response->GetHeader(TEXT("Location")).IsEmpty()) << "headers are the final response's";
	}
}

TEST(HttpTest, CancelOnTheHttpThreadStopsTheBodyWhereItIs)
{
	// With delegates on the HTTP thread, a cancel made in the progress delegate stops the
	// body before the next piece is stored: no further progress, the body never grows on.
	FTestHttpServer Server;
	constexpr uint64 Limit = 3 * 1024 * 1024;
	FHttpRequestRef Request = MakeGet(Server.Url("/slow/1073741824"));
	Request->SetDelegateThreadPolicy(EHttpRequestDelegateThreadPolicy::CompleteOnHttpThread);
	FCompletion Completion;
	Completion.Bind(Request);
	std::atomic<bool> bCancelled{ false };
	std::atomic<int32> ReportsAfterCancel{ 0 };
	std::atomic<uint64> ReceivedAtCancel{ 0 };
	std::atomic<bool> bOnTestThread{ false };
	const std::thread::id TestThread = std::this_thread::get_id();
	Request->OnRequestProgress64().BindLambda([&](FHttpRequestPtr Self, uint64, uint64 BytesReceived) {
		bOnTestThread = bOnTestThread || std::this_thread::get_id() == TestThread;
		if (bCancelled) { ++ReportsAfterCancel; return; }
		if (BytesReceived > Limit)
		{
			ReceivedAtCancel = BytesReceived;
			bCancelled = true;
			Self->CancelRequest();
		}
	});
	ASSERT_TRUE(Request->ProcessRequest());
	// No ticking: delivery does not depend on the game thread.
	const double Deadline = FPlatformTime::Seconds() + DeadlineSeconds;
	while (!Completion.Done() && FPlatformTime::Seconds() < Deadline) { std::this_thread::yield(); }
	ASSERT_TRUE(Completion.Done());
	EXPECT_NE(Completion.Thread, TestThread);
	EXPECT_FALSE(bOnTestThread.load());
	EXPECT_FALSE(Completion.bConnected.load());
	EXPECT_EQ(ReportsAfterCancel.load(), 0);
	EXPECT_GT(ReceivedAtCancel.load(), Limit);
	EXPECT_LE(ReceivedAtCancel.load(), Limit + 256 * 1024) << "one piece of the body at most past the limit";
	EXPECT_EQ(Request->GetFailureReason(), EHttpFailureReason::Cancelled);
	EXPECT_EQ(Completion.Calls.load(), 1);
}

TEST(HttpTest, AnnouncedLengthIsKnownBeforeTheBodyAndACancelFromAnotherThreadIsImmediate)
{
	// A server that announces 600 MB, sends 1 KiB and then nothing: the caller can judge the
	// announced length from the first progress report, and a cancel needs no further byte.
	// Three rounds: a stalled transfer also wakes on curl's own timers (every 200 ms or so),
	// so only a steadily quick cancel shows that the cancel itself wakes the HTTP thread.
	FTestHttpServer Server;
	std::vector<double> CancelSeconds;
	for (int32 Round = 0; Round < 3; ++Round)
	{
		FHttpRequestRef Request = MakeGet(Server.Url("/announce/600000000"));
		FCompletion Completion;
		Completion.Bind(Request);
		std::atomic<uint64> Announced{ 0 };
		Request->OnRequestProgress64().BindLambda([&](FHttpRequestPtr Self, uint64, uint64) {
			if (FHttpResponsePtr Response = Self->GetResponse()) { Announced = Response->GetContentLength(); }
		});
		Server.bSlowClientGone = false;
		ASSERT_TRUE(Request->ProcessRequest());
		ASSERT_TRUE(PumpUntil([&]() { return Announced.load() != 0; }));
		EXPECT_EQ(Announced.load(), 600000000u);
		EXPECT_EQ(Request->GetResponse()->GetResponseCode(), 200);
		EXPECT_EQ(Request->GetResponse()->GetContent().Num(), 0) << "the body is not readable before the end";

		const double Start = FPlatformTime::Seconds();
		std::thread([&Request]() { Request->CancelRequest(); }).join();
		ASSERT_TRUE(PumpUntil([&]() { return Completion.Done(); }));
		CancelSeconds.push_back(FPlatformTime::Seconds() - Start);
		EXPECT_FALSE(Completion.bConnected.load());
		EXPECT_EQ(Request->GetFailureReason(), EHttpFailureReason::Cancelled);
		EXPECT_TRUE(PumpUntil([&]() { return Server.bSlowClientGone.load(); }, 5.0));
	}
	std::sort(CancelSeconds.begin(), CancelSeconds.end());
	EXPECT_LT(CancelSeconds[1], 0.1) << "median time from cancel to completion";
}

TEST(HttpTest, TimeOutFailsAStalledTransfer)
{
	FTestHttpServer Server;
	FHttpRequestRef Request = MakeGet(Server.Url("/announce/5000"));
	Request->SetTimeout(0.5f);
	FCompletion Completion;
	const double Start = FPlatformTime::Seconds();
	ASSERT_TRUE(Completion.RunToEnd(Request));
	const double Elapsed = FPlatformTime::Seconds() - Start;
	EXPECT_GE(Elapsed, 0.4);
	EXPECT_LT(Elapsed, 5.0);
	EXPECT_FALSE(Completion.bConnected.load());
	EXPECT_EQ(Request->GetFailureReason(), EHttpFailureReason::TimedOut);
}

TEST(HttpTest, VerbAndHeadersReachTheServer)
{
	FTestHttpServer Server;
	FHttpRequestRef Request = FHttpModule::Get().CreateRequest();
	EXPECT_EQ(Request->GetVerb(), TEXT("GET"));
	Request->SetVerb(TEXT("delete"));
	Request->SetURL(Server.Url("/echo"));
	Request->SetHeader(TEXT("X-Moldari-Test"), TEXT("first"));
	Request->SetHeader(TEXT("X-Moldari-Test"), TEXT("second"));
	EXPECT_EQ(Request->GetHeader(TEXT("x-moldari-test")), TEXT("second"));
	FCompletion Completion;
	ASSERT_TRUE(Completion.RunToEnd(Request));
	ASSERT_TRUE(Completion.Response.IsValid());
	const FString Echo = Completion.Response->GetContentAsString();
	EXPECT_TRUE(Echo.StartsWith(TEXT("DELETE /echo HTTP/1.1\r\n"), ESearchCase::CaseSensitive)) << TCHAR_TO_UTF8(*Echo);
	EXPECT_TRUE(Echo.Contains(TEXT("\r\nX-Moldari-Test: second\r\n"), ESearchCase::CaseSensitive)) << TCHAR_TO_UTF8(*Echo);
	EXPECT_FALSE(Echo.Contains(TEXT("first"))) << TCHAR_TO_UTF8(*Echo);
}

TEST(HttpTest, ManyConcurrentRequestsMadeOnAWorkerThreadEachCompleteOnceOnTheTickingThread)
{
	FTestHttpServer Server;
	constexpr int32 Count = 12;
	std::vector<FHttpRequestPtr> Requests;
	std::vector<std::unique_ptr<FCompletion>> Completions;
	std::thread Worker([&]() {
		for (int32 Index = 0; Index < Count; ++Index)
		{
			Requests.push_back(MakeGet(Server.Url(Index % 3 == 0 ? "/notfound" : "/bytes/200000")));
			Completions.push_back(std::make_unique<FCompletion>());
			Completions.back()->Bind(Requests.back().ToSharedRef());
			EXPECT_TRUE(Requests.back()->ProcessRequest());
		}
	});
	const std::thread::id WorkerId = Worker.get_id();
	Worker.join();
	ASSERT_TRUE(PumpUntil([&]() {
		for (const auto& C : Completions) { if (!C->Done()) { return false; } }
		return true;
	}));
	PumpUntilTickerIdle();
	for (int32 Index = 0; Index < Count; ++Index)
	{
		EXPECT_EQ(Completions[Index]->Calls.load(), 1) << Index;
		EXPECT_EQ(Completions[Index]->Thread, std::this_thread::get_id()) << Index;
		EXPECT_NE(Completions[Index]->Thread, WorkerId) << Index;
		EXPECT_TRUE(Completions[Index]->bConnected.load()) << Index;
		EXPECT_EQ(Requests[Index]->GetStatus(), EHttpRequestStatus::Succeeded) << Index;
		ASSERT_TRUE(Completions[Index]->Response.IsValid()) << Index;
		EXPECT_EQ(Completions[Index]->Response->GetResponseCode(), Index % 3 == 0 ? 404 : 200) << Index;
		if (Index % 3 != 0) { EXPECT_EQ(Completions[Index]->Response->GetContent().Num(), 200000) << Index; }
	}
}

TEST(HttpTest, ShuttingTheModuleDownCancelsARequestInFlight)
{
	FTestHttpServer Server;
	FHttpModule::Get(); // loaded
	FHttpRequestRef Request = MakeGet(Server.Url("/slow/1073741824"));
	FCompletion Completion;
	Completion.Bind(Request);
	ASSERT_TRUE(Request->ProcessRequest());
	ASSERT_TRUE(PumpUntil([&]() { return Server.SlowBytesSent.load() > 0; }));

	const double Start = FPlatformTime::Seconds();
	ASSERT_TRUE(FModuleManager::Get().UnloadModule(TEXT("HTTP")));
	EXPECT_LT(FPlatformTime::Seconds() - Start, 2.0);
	// As the engine's manager, the shut-down unbinds the delegates of a request still
	// outstanding before it cancels it: its caller hears nothing, then or later.
	EXPECT_EQ(Completion.Calls.load(), 0);
	EXPECT_EQ(Request->GetStatus(), EHttpRequestStatus::Failed);
	EXPECT_EQ(Request->GetFailureReason(), EHttpFailureReason::Cancelled);
	EXPECT_TRUE(PumpUntil([&]() { return Server.bSlowClientGone.load(); }, 5.0));
	PumpUntilTickerIdle();
	EXPECT_EQ(Completion.Calls.load(), 0);

	// The old request outlives its module: starting it again fails, once, without a crash.
	Request->CancelRequest();
	FCompletion Again;
	Again.Bind(Request);
	EXPECT_FALSE(Request->ProcessRequest());
	ASSERT_TRUE(PumpUntil([&]() { return Again.Done(); }));
	EXPECT_FALSE(Again.bConnected.load());

	// Get() loads the module again and it works as before.
	EXPECT_FALSE(FModuleManager::Get().IsModuleLoaded(TEXT("HTTP")));
	FHttpRequestRef Fresh = MakeGet(Server.Url("/bytes/1000"));
	EXPECT_TRUE(FModuleManager::Get().IsModuleLoaded(TEXT("HTTP")));
	FCompletion FreshCompletion;
	ASSERT_TRUE(FreshCompletion.RunToEnd(Fresh));
	EXPECT_TRUE(FreshCompletion.bConnected.load());
}

// ---- Response streams -----------------------------------------------------------------------

namespace
{
	// What a response stream saw, each piece checked against the server's pattern as it came.
	struct FStreamRecord
	{
		std::atomic<uint64> Bytes{ 0 };
		std::atomic<int64> FirstBad{ -1 };
		std::atomic<int32> Calls{ 0 };
		std::atomic<int32> CallsOffHttpThread{ 0 }; // on a thread not named as the HTTP thread
		std::atomic<int64> LargestPiece{ 0 };

		void Take(const void* Ptr, int64 Length)
		{
			const uint8* Data = static_cast<const uint8*>(Ptr);
			const uint64 Offset = Bytes.load();
			for (int64 Index = 0; Index < Length && FirstBad.load() < 0; ++Index)
			{
				if (Data[Index] != PatternByte(Offset + Index)) { FirstBad = static_cast<int64>(Offset + Index); }
			}
			char Name[16] = {};
			pthread_getname_np(pthread_self(), Name, sizeof(Name));
			if (std::strcmp(Name, "HttpManager") != 0) { ++CallsOffHttpThread; }
			++Calls;
			LargestPiece = std::max(LargestPiece.load(), Length);
			Bytes += static_cast<uint64>(Length);
		}

		FHttpRequestStreamDelegateV2 Delegate()
		{
			return FHttpRequestStreamDelegateV2::CreateLambda([this](void* Ptr, int64& InOutLength) { Take(Ptr, InOutLength); });
		}
	};
}

TEST(HttpStreamTest, AStreamedBodyArrivesWholeInOrderOnTheHttpThreadAndIsNotKept)
{
	FTestHttpServer Server;
	{
		// 50 MiB through the stream with the default delegate policy: the process never holds the
		// body, progress never runs ahead of the stream and has no report before the first byte.
		constexpr uint64 Size = 50ull * 1024 * 1024;
		const bool bCanMeasure = PeakResidentKiB() >= 0 && ResetPeakResident();
		const int64 Before = PeakResidentKiB();
		FStreamRecord Stream;
		FHttpRequestRef Request = MakeGet(Server.Url("/bytes/52428800"));
		EXPECT_TRUE(Request->SetResponseBodyReceiveStreamDelegateV2(Stream.Delegate()));
		std::vector<std::pair<uint64, uint64>> Reports; // (BytesReceived, bytes streamed by then)
		Request->OnRequestProgress64().BindLambda([&](FHttpRequestPtr, uint64, uint64 BytesReceived) { Reports.emplace_back(BytesReceived, Stream.Bytes.load()); });
		FCompletion Completion;
		ASSERT_TRUE(Completion.RunToEnd(Request));
		const int32 CallsAtCompletion = Stream.Calls.load();
		EXPECT_EQ(Stream.Bytes.load(), Size) << "every piece was streamed before the completion";
		PumpUntilTickerIdle();
		EXPECT_EQ(Stream.Calls.load(), CallsAtCompletion);
		EXPECT_EQ(Stream.FirstBad.load(), -1) << "first byte out of order or wrong";
		EXPECT_GT(Stream.Calls.load(), 1);
		EXPECT_EQ(Stream.CallsOffHttpThread.load(), 0);
		EXPECT_LE(Stream.LargestPiece.load(), 64 * 1024) << "the engine's curl buffer size";
		EXPECT_TRUE(Completion.bConnected.load());
		ASSERT_TRUE(Completion.Response.IsValid());
		EXPECT_EQ(Completion.Response->GetResponseCode(), 200);
		EXPECT_EQ(Completion.Response->GetContent().Num(), 0);
		EXPECT_TRUE(Completion.Response->GetContentAsString().IsEmpty());
		EXPECT_EQ(Completion.Response->GetContentLength(), Size);
		ASSERT_FALSE(Reports.empty());
		EXPECT_GT(Reports.front().first, 0u) << "no progress report before the body";
		for (const auto& Report : Reports) { EXPECT_LE(Report.first, Report.second); }
		EXPECT_EQ(Reports.back().first, Size);
		if (bCanMeasure)
		{
			const int64 GrowthKiB = PeakResidentKiB() - Before;
			EXPECT_LT(GrowthKiB, static_cast<int64>(Size / 1024 / 8)) << "peak growth " << GrowthKiB << " KiB for a streamed body of " << Size / 1024 << " KiB";
		}
	}
	{
		// With delegates on the HTTP thread, each progress report follows the piece it counts and
		// the completion follows the last piece; without Content-Length, the length is what streamed.
		constexpr uint64 Size = 3 * 1024 * 1024 + 5;
		FStreamRecord Stream;
		std::mutex EventsMutex;
		std::vector<std::pair<char, uint64>> Events;
		auto Note = [&](char Kind, uint64 Value) { std::lock_guard<std::mutex> Lock(EventsMutex); Events.emplace_back(Kind, Value); };
		FHttpRequestRef Request = MakeGet(Server.Url("/unannounced/3145733"));
		Request->SetDelegateThreadPolicy(EHttpRequestDelegateThreadPolicy::CompleteOnHttpThread);
		Request->SetResponseBodyReceiveStreamDelegateV2(FHttpRequestStreamDelegateV2::CreateLambda([&](void* Ptr, int64& InOutLength) {
			Stream.Take(Ptr, InOutLength);
			Note('S', Stream.Bytes.load());
		}));
		Request->OnRequestProgress64().BindLambda([&](FHttpRequestPtr, uint64, uint64 BytesReceived) { Note('P', BytesReceived); });
		FCompletion Completion;
		Request->OnProcessRequestComplete().BindLambda([&](FHttpRequestPtr, FHttpResponsePtr Response, bool bConnected) {
			Completion.Response = Response;
			Completion.bConnected = bConnected;
			Note('C', 0);
			++Completion.Calls;
		});
		ASSERT_TRUE(Request->ProcessRequest());
		const double Deadline = FPlatformTime::Seconds() + DeadlineSeconds;
		while (!Completion.Done() && FPlatformTime::Seconds() < Deadline) { std::this_thread::yield(); }
		ASSERT_TRUE(Completion.Done());
		std::lock_guard<std::mutex> Lock(EventsMutex);
		ASSERT_GE(Events.size(), 3u);
		EXPECT_EQ(Events.front().first, 'S');
		EXPECT_EQ(Events.back().first, 'C');
		uint64 Streamed = 0;
		for (size_t Index = 0; Index + 1 < Events.size(); ++Index)
		{
			if (Events[Index].first == 'S') { Streamed = Events[Index].second; }
			else { EXPECT_EQ(Events[Index].second, Streamed) << "report " << Index << " counts what was streamed before it"; }
		}
		EXPECT_EQ(Streamed, Size);
		EXPECT_EQ(Events[Events.size() - 2], std::make_pair('P', Size));
		EXPECT_EQ(Stream.FirstBad.load(), -1);
		EXPECT_EQ(Stream.CallsOffHttpThread.load(), 0);
		ASSERT_TRUE(Completion.Response.IsValid());
		EXPECT_EQ(Completion.Response->GetContentLength(), Size);
	}
}

TEST(HttpTest, HeadersReachTheCallerBeforeTheBodyAndProgressOnlyWhenACountMoves)
{
	FTestHttpServer Server;
	{
		// On the HTTP thread each header is told from inside the transfer, so a length judged too
		// large can be cancelled there, with no body byte and no progress report ever coming, even
		// with body bytes already on their way.
		FHttpRequestRef Request = MakeGet(Server.Url("/announce/600000000"));
		Request->SetDelegateThreadPolicy(EHttpRequestDelegateThreadPolicy::CompleteOnHttpThread);
		FStreamRecord Stream;
		Request->SetResponseBodyReceiveStreamDelegateV2(Stream.Delegate());
		std::atomic<int32> Reports{ 0 };
		std::atomic<bool> bOffHttpThread{ false };
		FString Announced;
		const std::thread::id TestThread = std::this_thread::get_id();
		Request->OnRequestProgress64().BindLambda([&](FHttpRequestPtr, uint64, uint64) { ++Reports; });
		Request->OnHeaderReceived().BindLambda([&](FHttpRequestPtr Self, const FString& Name, const FString& Value) {
			bOffHttpThread = bOffHttpThread || std::this_thread::get_id() == TestThread;
			if (Name == TEXT("content-length")) { Announced = Value; Self->CancelRequest(); }
		});
		FCompletion Completion;
		const double Start = FPlatformTime::Seconds();
		ASSERT_TRUE(Completion.RunToEnd(Request));
		EXPECT_LT(FPlatformTime::Seconds() - Start, 2.0);
		EXPECT_EQ(Announced, TEXT("600000000"));
		EXPECT_FALSE(bOffHttpThread.load());
		EXPECT_EQ(Request->GetFailureReason(), EHttpFailureReason::Cancelled);
		EXPECT_EQ(Reports.load(), 0);
		EXPECT_EQ(Stream.Calls.load(), 0);
		EXPECT_TRUE(PumpUntil([&]() { return Server.bSlowClientGone.load(); }, 5.0));
	}
	for (const bool bStream : { false, true })
	{
		// On the game thread the headers come before the completion; a redirect's are not told.
		// An empty body moves no count, so there is no progress report at all, stream or not.
		FHttpRequestRef Request = MakeGet(Server.Url("/hop/1/0"));
		FStreamRecord Stream;
		if (bStream) { Request->SetResponseBodyReceiveStreamDelegateV2(Stream.Delegate()); }
		std::vector<std::string> Seen;
		int32 Reports = 0;
		FCompletion Completion;
		Request->OnRequestProgress64().BindLambda([&](FHttpRequestPtr, uint64, uint64) { ++Reports; });
		Request->OnHeaderReceived().BindLambda([&](FHttpRequestPtr, const FString& Name, const FString& Value) {
			Seen.push_back(Completion.Done() ? "late" : UE::HeadlessEditor::ToUtf8(Name + TEXT("=") + Value));
		});
		ASSERT_TRUE(Completion.RunToEnd(Request));
		PumpUntilTickerIdle();
		EXPECT_EQ(Seen, (std::vector<std::string>{ "Content-Length=0", "Connection=close", "Content-Type=application/octet-stream" })) << "stream " << bStream;
		EXPECT_EQ(Reports, 0) << "stream " << bStream;
		EXPECT_EQ(Completion.Response->GetResponseCode(), 200);
	}
}

TEST(HttpStreamTest, AStreamThatRefusesBytesFailsTheRequest)
{
	FTestHttpServer Server;
	TestLog::FCapture Log(TEXT("LogHttp"));
	{
		// A changed length refuses the piece: curl stops with its write error, the request fails
		// with Other (not a cancel), keeps its status, and the stream hears nothing more.
		std::atomic<uint64> Taken{ 0 };
		std::atomic<bool> bRefused{ false };
		std::atomic<int32> CallsAfterRefusal{ 0 };
		FHttpRequestRef Request = MakeGet(Server.Url("/bytes/8388608"));
		Request->SetResponseBodyReceiveStreamDelegateV2(FHttpRequestStreamDelegateV2::CreateLambda([&](void*, int64& InOutLength) {
			if (bRefused) { ++CallsAfterRefusal; return; }
			Taken += static_cast<uint64>(InOutLength);
			if (Taken.load() > 1024 * 1024) { InOutLength = 0; bRefused = true; }
		}));
		FCompletion Completion;
		ASSERT_TRUE(Completion.RunToEnd(Request));
		PumpUntilTickerIdle();
		EXPECT_EQ(Completion.Calls.load(), 1);
		EXPECT_TRUE(bRefused.load());
		EXPECT_EQ(CallsAfterRefusal.load(), 0);
		EXPECT_FALSE(Completion.bConnected.load());
		EXPECT_EQ(Request->GetStatus(), EHttpRequestStatus::Failed);
		EXPECT_EQ(Request->GetFailureReason(), EHttpFailureReason::Other);
		ASSERT_TRUE(Completion.Response.IsValid());
		EXPECT_EQ(Completion.Response->GetResponseCode(), 200);
		EXPECT_EQ(Completion.Response->GetContent().Num(), 0);
		EXPECT_EQ(Log.Count(ELogVerbosity::Warning, "libcurl error 23"), 1);
	}
	{
		// The deprecated form: false refuses.
		FHttpRequestRef Request = MakeGet(Server.Url("/bytes/100000"));
		PRAGMA_DISABLE_DEPRECATION_WARNINGS
		Request->SetResponseBodyReceiveStreamDelegate(FHttpRequestStreamDelegate::CreateLambda([](void*, int64) { return false; }));
		PRAGMA_ENABLE_DEPRECATION_WARNINGS
		FCompletion Completion;
		ASSERT_TRUE(Completion.RunToEnd(Request));
		EXPECT_FALSE(Completion.bConnected.load());
		EXPECT_EQ(Request->GetFailureReason(), EHttpFailureReason::Other);
	}
	{
		// An unbound V2 delegate takes and drops every piece: success, nothing kept.
		FHttpRequestRef Request = MakeGet(Server.Url("/bytes/100000"));
		Request->SetResponseBodyReceiveStreamDelegateV2(FHttpRequestStreamDelegateV2());
		FCompletion Completion;
		ASSERT_TRUE(Completion.RunToEnd(Request));
		EXPECT_TRUE(Completion.bConnected.load());
		ASSERT_TRUE(Completion.Response.IsValid());
		EXPECT_EQ(Completion.Response->GetContent().Num(), 0);
	}
	{
		// The body of an error status goes to the stream like any other.
		std::string Page;
		FHttpRequestRef Request = MakeGet(Server.Url("/notfound"));
		Request->SetResponseBodyReceiveStreamDelegateV2(FHttpRequestStreamDelegateV2::CreateLambda([&](void* Ptr, int64& InOutLength) {
			Page.append(static_cast<const char*>(Ptr), static_cast<size_t>(InOutLength));
		}));
		FCompletion Completion;
		ASSERT_TRUE(Completion.RunToEnd(Request));
		EXPECT_TRUE(Completion.bConnected.load());
		ASSERT_TRUE(Completion.Response.IsValid());
		EXPECT_EQ(Completion.Response->GetResponseCode(), 404);
		EXPECT_EQ(Completion.Response->GetContent().Num(), 0);
		EXPECT_NE(Page.find("<h1>Not Found</h1>"), std::string::npos) << Page;
	}
}

namespace
{
	// A response stream that counts its calls and tells when it is destroyed.
	class FCountingArchive final : public FArchive
	{
	public:
		FCountingArchive(std::atomic<int32>& InCalls, std::atomic<bool>& InDestroyed) : Calls(InCalls), bDestroyed(InDestroyed) {}
		virtual ~FCountingArchive() override { bDestroyed = true; }
		virtual void Serialize(void*, int64) override { ++Calls; }

	private:
		std::atomic<int32>& Calls;
		std::atomic<bool>& bDestroyed;
	};

	// Cancels the request from inside its stream's own call, which the engine does not survive.
	void CancelInsideTheStream()
	{
		dup2(STDERR_FILENO, STDOUT_FILENO); // the log, and so the failed check, to standard error
		FTestHttpServer Server;
		FHttpRequestRef Request = MakeGet(Server.Url("/bytes/1048576"));
		IHttpRequest* const Raw = &Request.Get();
		Request->SetResponseBodyReceiveStreamDelegateV2(FHttpRequestStreamDelegateV2::CreateLambda([Raw](void*, int64&) { Raw->CancelRequest(); }));
		FCompletion Completion;
		Completion.RunToEnd(Request);
		std::fprintf(stderr, "the process survived the cancel\n");
	}
}

TEST(HttpTest, CancelFromTheProgressDelegateStopsTheTransferAndLetsGoOfTheStream)
{
	for (const bool bStream : { false, true })
	{
		// A cancel made on the game thread waits for a piece being streamed; once it returns, the
		// stream is not called again and the request has let go of it.
		FTestHttpServer Server;
		std::atomic<int32> StreamCalls{ 0 };
		std::atomic<bool> bDestroyed{ false };
		FHttpRequestRef Request = MakeGet(Server.Url("/slow/1073741824"));
		if (bStream) { EXPECT_TRUE(Request->SetResponseBodyReceiveStream(MakeShared<FCountingArchive>(StreamCalls, bDestroyed))); }
		uint64 ReceivedAtCancel = 0;
		int32 CallsAtCancel = -1;
		bool bDestroyedByCancel = false;
		double CancelTime = 0.0;
		Request->OnRequestProgress64().BindLambda([&](FHttpRequestPtr Self, uint64, uint64 BytesReceived) {
			if (BytesReceived <= 1024 * 1024 || ReceivedAtCancel > 0) { return; }
			ReceivedAtCancel = BytesReceived;
			CancelTime = FPlatformTime::Seconds();
			Self->CancelRequest();
			CallsAtCancel = StreamCalls.load();
			bDestroyedByCancel = bDestroyed.load();
		});
		FCompletion Completion;
		ASSERT_TRUE(Completion.RunToEnd(Request)) << "stream " << bStream;
		EXPECT_LT(FPlatformTime::Seconds() - CancelTime, 2.0);
		EXPECT_GT(ReceivedAtCancel, 0u);
		EXPECT_FALSE(Completion.bConnected.load());
		EXPECT_EQ(Request->GetFailureReason(), EHttpFailureReason::Cancelled);
		EXPECT_EQ(StreamCalls.load(), CallsAtCancel);
		EXPECT_EQ(bDestroyedByCancel, bStream);
		EXPECT_EQ(CallsAtCancel > 0, bStream);
		// The partial body is not kept; the status that arrived still is.
		if (Completion.Response.IsValid())
		{
			EXPECT_EQ(Completion.Response->GetContent().Num(), 0);
			EXPECT_EQ(Completion.Response->GetResponseCode(), 200);
		}
		// The server sees the connection go, long before its gigabyte is sent.
		ASSERT_TRUE(PumpUntil([&]() { return Server.bSlowClientGone.load(); }, 5.0));
		EXPECT_LT(Server.SlowBytesSent.load(), 256u * 1024 * 1024);
		PumpUntilTickerIdle();
		EXPECT_EQ(Completion.Calls.load(), 1);
	}
}

TEST(HttpStreamTest, ACancelFromInsideTheStreamStopsTheEditor)
{
	// From inside the stream's call, the engine's request drops the stream under the running call
	// and then reads its error through the emptied pointer: the shared pointer's check fails and
	// the editor stops. The stand-in stops the same way.
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_DEATH(CancelInsideTheStream(), "Assertion failed: IsValid\\(\\)");
}
