// The server while clients hammer it: started and stopped again and again, and serving while the
// main thread imports real archives. Every answer a client gets must be the whole, right answer;
// nothing may crash, hang or stay behind (threads, descriptors, memory). Meant to run under the
// address and thread sanitizers as well (make test-asan, make test-tsan).
#include "Misc/AutomationTest.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "MOLDARIImport.h"
#include "MOLDARIImportTestUtils.h"
#include "MOLDARIServer.h"
#include "MOLDARITestClient.h"

#include "HAL/PlatformProcess.h"
#include "HAL/PlatformTime.h"
#include "Misc/PackageName.h"

#if PLATFORM_LINUX
#include <dirent.h>
#endif

// Under AddressSanitizer the leak checker can be asked in the middle of the run (the editor
// leaves without running its exit handlers, so this is where a leak is seen).
// MSVC defines __SANITIZE_ADDRESS__ under /fsanitize=address but has no LeakSanitizer header.
#if defined(_MSC_VER)
#define MOLDARI_WITH_LEAK_CHECK 0
#elif defined(__SANITIZE_ADDRESS__)
#define MOLDARI_WITH_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MOLDARI_WITH_LEAK_CHECK 1
#endif
#endif
#ifndef MOLDARI_WITH_LEAK_CHECK
#define MOLDARI_WITH_LEAK_CHECK 0
#endif
#if MOLDARI_WITH_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	const EAutomationTestFlags MOLDARITestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;
	// Ports of their own, so the toolbar's port and the other server tests stay free.
	const int32 StartStopPort = 5395;
	const int32 ImportLoadPort = 5394;

	using MOLDARITest::Response;

	FString Escaped(const FString& Text)
	{
		return Text.Replace(TEXT("\r"), TEXT("\\r")).Replace(TEXT("\n"), TEXT("\\n"));
	}

	// One request a load client sends, with the only answer it may get (empty: none at all).
	struct FLoadRequest
	{
		FString Request;
		FString Expected;
		// Sent in part, then the client hangs up without reading.
		bool bHangUp = false;
	};

	// Status requests and the requests a hostile or broken page sends, none of which may start a
	// download or an import.
	TArray<FLoadRequest> StatusAndBadRequests()
	{
		const FString DevOriginCors = MOLDARITest::CorsLines(TEXT("http://localhost:5173"));
		const FString Status = Response(TEXT("HTTP/1.1 200 OK"), MOLDARITest::StatusDocument());
		TArray<FLoadRequest> Requests;
		Requests.Add({ TEXT("GET /status HTTP/1.1\r\nHost: localhost\r\n\r\n"), Status });
		Requests.Add({ TEXT("GET /status HTTP/1.1\r\nOrigin: http://localhost:5173\r\n\r\n"), Response(TEXT("HTTP/1.1 200 OK"), MOLDARITest::StatusDocument(), DevOriginCors) });
		Requests.Add({ TEXT("OPTIONS /import HTTP/1.1\r\nOrigin: http://localhost:5173\r\n\r\n"), Response(TEXT("HTTP/1.1 200 OK"), FString(), DevOriginCors) });
		Requests.Add({ TEXT("GET /nothing-here HTTP/1.1\r\n\r\n"), Response(TEXT("HTTP/1.1 404 Not Found"), TEXT("{\"error\":\"not found\"}")) });
		Requests.Add({ MOLDARITest::ImportRequest(TEXT("not json!")), Response(TEXT("HTTP/1.1 400 Bad Request"), TEXT("{\"error\":\"invalid JSON\"}")) });
		Requests.Add({ MOLDARITest::ImportRequest(TEXT("{\"url\":\"ftp://x/a.zip\",\"name\":\"../x\"}")), Response(TEXT("HTTP/1.1 400 Bad Request"), TEXT("{\"error\":\"unsupported URL scheme\"}")) });
		Requests.Add({ MOLDARITest::ImportRequest(TEXT("{\"name\":\"chair\"}")), Response(TEXT("HTTP/1.1 400 Bad Request"), TEXT("{\"error\":\"missing field: url\"}")) });
		Requests.Add({ MOLDARITest::ImportRequest(TEXT("{\"url\":\"http://127.0.0.1:1/a.zip\"}"), TEXT("Origin: https://evil.example\r\n")),
			Response(TEXT("HTTP/1.1 403"), TEXT("{\"error\":\"origin not allowed\"}")) });
		Requests.Add({ TEXT("POST /import HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\n"), Response(TEXT("HTTP/1.1 413"), TEXT("{\"error\":\"request too large\"}")) });
		Requests.Add({ TEXT("\x01\x02\xff\r\n\r\n"), FString() });
		Requests.Add({ TEXT("GET\r\n\r\n"), FString() });
		Requests.Add({ TEXT("POST /import HTTP/1.1\r\nContent-Len"), FString(), true });
		return Requests;
	}

	// Client threads that send the requests round-robin, each on a new connection, until told to
	// stop, and check every answer. A refused or unanswered connection is allowed (the server
	// may be stopped); a wrong or partial answer is not.
	class FLoadClients
	{
	public:
		FLoadClients(int32 InPort, const TArray<FLoadRequest>& InRequests, int32 NumThreads)
			: Port(InPort), Requests(InRequests)
		{
			for (int32 Index = 0; Index < NumThreads; ++Index)
			{
				Threads.emplace_back([this, Index] { Loop(Index); });
			}
		}

		~FLoadClients() { Stop(); }

		void Stop()
		{
			bStop = true;
			for (std::thread& Thread : Threads)
			{
				if (Thread.joinable()) { Thread.join(); }
			}
		}

		std::atomic<int32> Answered{ 0 };   // a non-empty answer, the right one
		std::atomic<int32> Wrong{ 0 };
		std::atomic<int32> Refused{ 0 };

		// Once stopped: no wrong or partial answer, the first one named.
		void TestNoneWrong(FAutomationTestBase& Test)
		{
			if (!Test.TestEqual(TEXT("wrong or partial answers"), Wrong.load(), 0))
			{
				std::lock_guard<std::mutex> Lock(WrongMutex);
				Test.AddError(FirstWrongText);
			}
		}

	private:
		void Loop(int32 ThreadIndex)
		{
			for (int32 Turn = ThreadIndex; !bStop; ++Turn)
			{
				const FLoadRequest& Request = Requests[Turn % Requests.Num()];
				FSocket* Socket = MOLDARITest::Connect(Port);
				if (Socket == nullptr)
				{
					++Refused;
					FPlatformProcess::Sleep(0.002f);
					continue;
				}
				MOLDARITest::SendAll(Socket, Request.Request);
				if (Request.bHangUp)
				{
					MOLDARITest::Destroy(Socket);
					continue;
				}
				// Longer than the server's 5 s request deadline: an answer never comes later.
				const FString Answer = MOLDARITest::BytesToString(MOLDARITest::ReadUntilClosed(Socket, 8.0));
				MOLDARITest::Destroy(Socket);
				if (Answer.IsEmpty())
				{
					continue;
				}
				if (Answer.Equals(Request.Expected, ESearchCase::CaseSensitive))
				{
					++Answered;
					continue;
				}
				++Wrong;
				std::lock_guard<std::mutex> Lock(WrongMutex);
				if (FirstWrongText.IsEmpty())
				{
					FirstWrongText = FString::Printf(TEXT("request %s answered %s"), *Escaped(Request.Request), *Escaped(Answer));
				}
			}
		}

		const int32 Port;
		const TArray<FLoadRequest> Requests;
		std::atomic<bool> bStop{ false };
		std::vector<std::thread> Threads;
		std::mutex WrongMutex;
		FString FirstWrongText;
	};

	// Open descriptors of the process, or -1 where they cannot be counted.
	int32 CountOpenDescriptors()
	{
#if PLATFORM_LINUX
		DIR* Dir = opendir("/proc/self/fd");
		if (Dir == nullptr)
		{
			return -1;
		}
		int32 Count = 0;
		while (const dirent* Entry = readdir(Dir))
		{
			Count += Entry->d_name[0] != '.' ? 1 : 0;
		}
		closedir(Dir);
		return Count - 1; // the listing's own descriptor
#else
		return -1;
#endif
	}

	bool WaitForAnswers(FLoadClients& Clients, int32 Target, double TimeoutSeconds)
	{
		return MOLDARITest::WaitFor([&Clients, Target] { return Clients.Answered.load() >= Target; }, TimeoutSeconds);
	}
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIServerStartStopUnderLoadTest, "MOLDARI.Server.StartStopUnderLoad", MOLDARITestFlags)
bool FMOLDARIServerStartStopUnderLoadTest::RunTest(const FString& Parameters)
{
	const int32 Cycles = 12;
	FMOLDARIServer::StopServer();
	const int32 DescriptorsBefore = CountOpenDescriptors();
	{
		FLoadClients Clients(StartStopPort, StatusAndBadRequests(), 3);
		for (int32 Cycle = 0; Cycle < Cycles; ++Cycle)
		{
			const int32 AnsweredBefore = Clients.Answered.load();
			FMOLDARIServer::StartServer(StartStopPort);
			// Each server answers a few requests before it is stopped in the middle of the stream.
			const bool bServed = WaitForAnswers(Clients, AnsweredBefore + 3, 10.0);
			const double StopStart = FPlatformTime::Seconds();
			FMOLDARIServer::StopServer();
			const double StopSeconds = FPlatformTime::Seconds() - StopStart;
			if (!TestTrue(FString::Printf(TEXT("cycle %d: the restarted server answers"), Cycle), bServed))
			{
				break;
			}
			TestFalse(FString::Printf(TEXT("cycle %d: gone after stop"), Cycle), FMOLDARIServer::IsServerRunning());
			// A stop waits for the connection in progress, whose deadline is 5 s.
			TestTrue(FString::Printf(TEXT("cycle %d: stop took %.3f s"), Cycle, StopSeconds), StopSeconds < 6.0);
			// Clients run into the closed port for a moment before the next start.
			FPlatformProcess::Sleep(0.01f * static_cast<float>(Cycle % 3));
		}
		Clients.Stop();
		Clients.TestNoneWrong(*this);
		TestTrue(FString::Printf(TEXT("answers: %d"), Clients.Answered.load()), Clients.Answered.load() >= 3 * Cycles);
		AddInfo(FString::Printf(TEXT("%d cycles: %d right answers, %d refused connections"), Cycles, Clients.Answered.load(), Clients.Refused.load()));
	}
	TestTrue(TEXT("nothing listens after the last stop"), MOLDARITest::Connect(StartStopPort) == nullptr);
	if (DescriptorsBefore >= 0)
	{
		TestEqual(TEXT("open descriptors after the last stop"), CountOpenDescriptors(), DescriptorsBefore);
	}
#if MOLDARI_WITH_LEAK_CHECK
	TestEqual(TEXT("leak reports (see the sanitizer's output above)"), __lsan_do_recoverable_leak_check(), 0);
#endif
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIImportWhileRequestsArriveTest, "MOLDARI.Import.WhileRequestsArrive", MOLDARITestFlags)
bool FMOLDARIImportWhileRequestsArriveTest::RunTest(const FString& Parameters)
{
	using namespace MOLDARIImportTest;
	struct FArchiveCase
	{
		const TCHAR* File;
		const TCHAR* Name;
	};
	const FArchiveCase Archives[] = {
		{ TEXT("archives/embedded_cube_stored.zip"), TEXT("LoadCube") },
		{ TEXT("archives/sausage_skinned_pbr_png.zip"), TEXT("LoadSausage") },
		{ TEXT("archives/spider_static_multimaterial_jpeg.zip"), TEXT("LoadSpider") },
	};
	for (const FArchiveCase& Archive : Archives)
	{
		IFileManager::Get().DeleteDirectory(*ImportFolderOnDisk(Archive.Name), false, true);
	}

	FMOLDARIServer::StopServer();
	FMOLDARIServer::StartServer(ImportLoadPort);
	if (!TestTrue(TEXT("serving"), MOLDARITest::WaitUntilServing(ImportLoadPort, 5.0)))
	{
		FMOLDARIServer::StopServer();
		return false;
	}

	FLogCapture Log;
	int32 AnsweredDuringImports = 0;
	{
		FLoadClients Clients(ImportLoadPort, StatusAndBadRequests(), 2);
		TestTrue(TEXT("clients are answered before the imports"), WaitForAnswers(Clients, 3, 10.0));
		const int32 AnsweredBefore = Clients.Answered.load();
		for (const FArchiveCase& Archive : Archives)
		{
			ImportArchive(StageArchive(TestDataDir() / Archive.File, Archive.Name), Archive.Name, TEXT("zip"));
		}
		AnsweredDuringImports = Clients.Answered.load() - AnsweredBefore;
		TestTrue(TEXT("the server answered while the main thread imported"), AnsweredDuringImports > 0);
		// One more round after the imports: the server is still serving.
		TestTrue(TEXT("clients are answered after the imports"), WaitForAnswers(Clients, Clients.Answered.load() + 3, 10.0));
		Clients.Stop();
		Clients.TestNoneWrong(*this);
		TestEqual(TEXT("refused connections"), Clients.Refused.load(), 0);
		AddInfo(FString::Printf(TEXT("%d right answers, %d of them while importing"), Clients.Answered.load(), AnsweredDuringImports));
	}
	FMOLDARIServer::StopServer();

	// The log is read once no other thread can write to it.
	for (const FArchiveCase& Archive : Archives)
	{
		TestTrue(FString::Printf(TEXT("%s imported"), Archive.Name), Log.IndexOf(FString(TEXT("[MOLDARI] Done: ")) + Archive.Name) != INDEX_NONE);
		const FString Material = FString::Printf(TEXT("/Game/MOLDARIImports/%s/M_%s_PBR"), Archive.Name, Archive.Name);
		TestTrue(FString::Printf(TEXT("%s saved"), *Material), FPackageName::DoesPackageExist(Material));
	}
	TestEqual(TEXT("no import was started by a request"), Log.CountStartingWith(TEXT("[MOLDARI] /import received")), 0);
	return true;
}

#endif
