// The server over real loopback connections: lifecycle, the status document, the response
// layout and the cross-origin policy. Uses a port of its own so the toolbar's port stays free.
#include "Misc/AutomationTest.h"

#include "MOLDARIServer.h"
#include "MOLDARITestClient.h"

#include "HAL/PlatformTime.h"

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	const EAutomationTestFlags MOLDARITestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;
	const int32 TestPort = 5399;

	const TCHAR* const CorsBlock = TEXT("Access-Control-Allow-Methods: GET, POST, OPTIONS\r\nAccess-Control-Allow-Headers: Content-Type\r\n")
		TEXT("Access-Control-Allow-Private-Network: true\r\nAccess-Control-Max-Age: 86400\r\n");

	// SendResponse on its own: one accepted loopback connection, read back by the client side.
	FString CaptureResponse(int32 StatusCode, const FString& Body, const FString& Origin)
	{
		ISocketSubsystem* Subsystem = ISocketSubsystem::Get(PLATFORM_SOCKETSUBSYSTEM);
		FSocket* Listener = Subsystem->CreateSocket(NAME_Stream, TEXT("MOLDARITestListener"), false);
		TSharedRef<FInternetAddr> Address = Subsystem->CreateInternetAddr();
		Address->SetLoopbackAddress();
		Address->SetPort(0);
		Listener->Bind(*Address);
		Listener->Listen(1);
		FSocket* Client = MOLDARITest::Connect(Listener->GetPortNo());
		bool bPending = false;
		Listener->WaitForPendingConnection(bPending, FTimespan::FromSeconds(2.0));
		FSocket* Accepted = Listener->Accept(TEXT("MOLDARITestAccepted"));
		FMOLDARIServer Server;
		Server.SendResponse(Accepted, StatusCode, Body, Origin);
		MOLDARITest::Destroy(Accepted);
		const FString Response = MOLDARITest::BytesToString(MOLDARITest::ReadUntilClosed(Client, 2.0));
		MOLDARITest::Destroy(Client);
		MOLDARITest::Destroy(Listener);
		return Response;
	}
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIServerLifecycleTest, "MOLDARI.Server.Lifecycle", MOLDARITestFlags)
bool FMOLDARIServerLifecycleTest::RunTest(const FString& Parameters)
{
	FMOLDARIServer::StopServer();
	TestFalse(TEXT("no server before the first start"), FMOLDARIServer::IsServerRunning());

	FMOLDARIServer::StartServer(TestPort);
	TestTrue(TEXT("serving after start"), MOLDARITest::WaitUntilServing(TestPort, 5.0));
	AddExpectedErrorPlain(TEXT("LogTemp: [MOLDARI] Server already running"), EAutomationExpectedErrorFlags::Exact, 1);
	FMOLDARIServer::StartServer(TestPort + 1);
	TestTrue(TEXT("the first server keeps serving"), MOLDARITest::WaitUntilServing(TestPort, 2.0));

	// How quickly an idle stop is seen is timed over several stops by the black-box tests.
	FMOLDARIServer::StopServer();
	TestFalse(TEXT("gone after stop"), FMOLDARIServer::IsServerRunning());
	TestTrue(TEXT("nothing answers after stop"), MOLDARITest::Connect(TestPort) == nullptr);
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIServerPortTakenTest, "MOLDARI.Server.PortTaken", MOLDARITestFlags)
bool FMOLDARIServerPortTakenTest::RunTest(const FString& Parameters)
{
	FSocket* Squatter = MOLDARITest::HoldPort(TestPort);
	if (!TestNotNull(TEXT("test holds the port"), Squatter))
	{
		return false;
	}

	AddExpectedErrorPlain(FString::Printf(TEXT("LogTemp: [MOLDARI] Failed to bind to port %d"), TestPort), EAutomationExpectedErrorFlags::Exact, 1);
	FMOLDARIServer::StartServer(TestPort);
	MOLDARITest::WaitFor([] { return FMOLDARIServer::HasServerFailed(); }, 2.0);
	TestTrue(TEXT("set-up failure is known"), FMOLDARIServer::HasServerFailed());
	TestTrue(TEXT("the failed server object still exists"), FMOLDARIServer::IsServerRunning());
	FMOLDARIServer::StopServer();
	TestFalse(TEXT("stop clears the failed server"), FMOLDARIServer::IsServerRunning());
	MOLDARITest::Destroy(Squatter);
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIServerStatusTest, "MOLDARI.Server.Status", MOLDARITestFlags)
bool FMOLDARIServerStatusTest::RunTest(const FString& Parameters)
{
	const MOLDARITest::FScopedServer Server(TestPort);
	TestTrue(TEXT("serving"), Server.bServing);

	const FString Expected = MOLDARITest::Response(TEXT("HTTP/1.1 200 OK"), MOLDARITest::StatusDocument());
	TestEqualSensitive(TEXT("status document, exact bytes"), MOLDARITest::Exchange(TestPort, TEXT("GET /status HTTP/1.1\r\nHost: localhost\r\n\r\n")), Expected);
	// The routing rules are MOLDARI.Http.Route's; here, that each route's answer reaches the client.
	TestEqualSensitive(TEXT("an unknown path"), MOLDARITest::Exchange(TestPort, TEXT("GET /status?x=1 HTTP/1.1\r\n\r\n")),
		MOLDARITest::Response(TEXT("HTTP/1.1 404 Not Found"), TEXT("{\"error\":\"not found\"}")));
	TestEqualSensitive(TEXT("POST /import reaches the import endpoint"), MOLDARITest::Exchange(TestPort, TEXT("POST /import HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}")),
		FString(TEXT("HTTP/1.1 400 Bad Request\r\nContent-Type: application/json\r\nContent-Length: 30\r\n\r\n{\"error\":\"missing field: url\"}")));
	TestEqualSensitive(TEXT("a request line of one word gets nothing"), MOLDARITest::Exchange(TestPort, TEXT("GET\r\n\r\n")), FString());
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIServerCorsTest, "MOLDARI.Server.Cors", MOLDARITestFlags)
bool FMOLDARIServerCorsTest::RunTest(const FString& Parameters)
{
	const MOLDARITest::FScopedServer Server(TestPort);
	TestTrue(TEXT("serving"), Server.bServing);

	TestEqualSensitive(TEXT("pre-flight from the dev origin"),
		MOLDARITest::Exchange(TestPort, TEXT("OPTIONS /import HTTP/1.1\r\nOrigin: http://localhost:5173\r\nAccess-Control-Request-Method: POST\r\n\r\n")),
		FString(TEXT("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 0\r\nAccess-Control-Allow-Origin: http://localhost:5173\r\n")) + CorsBlock + TEXT("\r\n"));
	TestEqualSensitive(TEXT("pre-flight without an origin"), MOLDARITest::Exchange(TestPort, TEXT("OPTIONS / HTTP/1.1\r\n\r\n")),
		FString(TEXT("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 0\r\n\r\n")));

	TestEqualSensitive(TEXT("a 404 from an allowed origin carries the lines"),
		MOLDARITest::Exchange(TestPort, TEXT("GET /missing HTTP/1.1\r\nOrigin: https://app.moldari.com\r\n\r\n")),
		MOLDARITest::Response(TEXT("HTTP/1.1 404 Not Found"), TEXT("{\"error\":\"not found\"}"), FString(TEXT("Access-Control-Allow-Origin: https://app.moldari.com\r\n")) + CorsBlock));

	// Origins are matched without regard to case and echoed as sent.
	TArray<FString> Allowed = MOLDARITest::SharedCases(TEXT("allowedOrigins"));
	TestEqual(TEXT("allowed origins listed"), Allowed.Num(), 3);
	Allowed.Append({ TEXT("HTTP://LOCALHOST:5173"), TEXT("HTTPS://App.Moldari.COM") });
	for (const FString& Origin : Allowed)
	{
		FString Headers;
		FMOLDARIServer::AppendCorsHeaders(Headers, Origin);
		TestEqualSensitive(FString::Printf(TEXT("allowed %s"), *Origin), Headers, FString(TEXT("Access-Control-Allow-Origin: ")) + Origin + TEXT("\r\n") + CorsBlock);
	}
	const TArray<FString> Refused = MOLDARITest::SharedCases(TEXT("refusedOrigins"));
	TestTrue(TEXT("refused origins listed"), Refused.Num() > 0);
	for (const FString& Origin : Refused)
	{
		FString Headers;
		FMOLDARIServer::AppendCorsHeaders(Headers, Origin);
		TestTrue(FString::Printf(TEXT("refused '%s'"), *Origin), Headers.IsEmpty());
	}
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIResponseLayoutTest, "MOLDARI.Server.ResponseLayout", MOLDARITestFlags)
bool FMOLDARIResponseLayoutTest::RunTest(const FString& Parameters)
{
	TestEqualSensitive(TEXT("unknown status code: no reason phrase"), CaptureResponse(302, FString(), FString()),
		FString(TEXT("HTTP/1.1 302\r\nContent-Type: text/plain\r\nContent-Length: 0\r\n\r\n")));
	TestEqualSensitive(TEXT("length counts UTF-8 bytes"), CaptureResponse(200, TEXT("\u00e9"), FString()),
		FString(TEXT("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 2\r\n\r\n\u00e9")));
	TestEqualSensitive(TEXT("500 status line"), CaptureResponse(500, TEXT("{}"), FString()).Left(37), FString(TEXT("HTTP/1.1 500 Internal Server Error\r\nC")));
	return true;
}

#endif
