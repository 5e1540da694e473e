// The server over real loopback connections: lifecycle, the response layout and the
// cross-origin policy. Uses a port of its own so the toolbar's port stays free.
#include "Misc/AutomationTest.h"

#include "MOLDARIServer.h"
#include "MOLDARITestClient.h"

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	const EAutomationTestFlags MOLDARITestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;
	const int32 TestPort = 5399;

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
	FMOLDARIServer::StartServer(TestPort);
	TestTrue(TEXT("serving after start"), MOLDARITest::WaitUntilServing(TestPort, 5.0));
	AddExpectedErrorPlain(TEXT("LogTemp: [MOLDARI] Server already running"), EAutomationExpectedErrorFlags::Exact, 1);
	FMOLDARIServer::StartServer(TestPort + 1);
	TestTrue(TEXT("the first server keeps serving"), MOLDARITest::WaitUntilServing(TestPort, 2.0));

	// How quickly an idle stop is seen is timed over several stops by the black-box tests.
	FMOLDARIServer::StopServer();
	TestFalse(TEXT("gone after stop"), FMOLDARIServer::IsServerRunning());
	TestTrue(TEXT("nothing answers after stop"), MOLDARITest::Connect(TestPort) == nullptr);

	// A port held by another: the failure is known, and a stop clears the failed server.
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

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIServerCorsTest, "MOLDARI.Server.Cors", MOLDARITestFlags)
bool FMOLDARIServerCorsTest::RunTest(const FString& Parameters)
{
	const MOLDARITest::FScopedServer Server(TestPort);
	TestTrue(TEXT("serving"), Server.bServing);

	// Answers with the lines, exact, from the dev origin: MOLDARI.Server.StartStopUnderLoad and the
	// black-box tests; here, an answer without them.
	TestEqualSensitive(TEXT("pre-flight without an origin"), MOLDARITest::Exchange(TestPort, TEXT("OPTIONS / HTTP/1.1\r\n\r\n")),
		MOLDARITest::Response(TEXT("HTTP/1.1 200 OK"), FString()));

	// Origins are matched without regard to case and echoed as sent.
	TArray<FString> Allowed = MOLDARITest::SharedCases(TEXT("allowedOrigins"));
	TestEqual(TEXT("allowed origins listed"), Allowed.Num(), 3);
	Allowed.Append({ TEXT("HTTP://LOCALHOST:5173"), TEXT("HTTPS://App.Moldari.COM") });
	for (const FString& Origin : Allowed)
	{
		FString Headers;
		FMOLDARIServer::AppendCorsHeaders(Headers, Origin);
		TestEqualSensitive(FString::Printf(TEXT("allowed %s"), *Origin), Headers, MOLDARITest::CorsLines(Origin));
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
	return true;
}

#endif
