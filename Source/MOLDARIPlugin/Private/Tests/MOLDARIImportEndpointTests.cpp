// POST /import over real loopback connections: the name and kind rules, every reply, the
// origin check and the log line. Uses a port of its own so the toolbar's port stays free.
#include "Misc/AutomationTest.h"

#include "MOLDARIArchiveDownload.h"
#include "MOLDARIJsonDepth.h"
#include "MOLDARIServer.h"
#include "MOLDARITestClient.h"
#include "MOLDARIImportTestUtils.h"

#include "Misc/OutputDeviceRedirector.h"

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	const EAutomationTestFlags MOLDARITestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;
	const int32 TestPort = 5397;
	// Nothing listens on port 1 of the loopback address: a download there fails at once.
	const TCHAR* const RefusedBase = TEXT("http://127.0.0.1:1/");

	FString PostImport(const FString& Body, const FString& Origin = FString())
	{
		const FString OriginLine = Origin.IsEmpty() ? FString() : TEXT("Origin: ") + Origin + TEXT("\r\n");
		return MOLDARITest::Exchange(TestPort, MOLDARITest::ImportRequest(Body, TEXT("Host: localhost\r\nContent-Type: application/json\r\n") + OriginLine));
	}

	FString ExpectedReply(const FString& StatusLine, const FString& Body) { return MOLDARITest::Response(StatusLine, Body); }

	FString Repeat(int32 Count, TCHAR Char)
	{
		FString Text;
		for (int32 Index = 0; Index < Count; ++Index) { Text.AppendChar(Char); }
		return Text;
	}
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIImportNameRulesTest, "MOLDARI.Import.Endpoint.NameRules", MOLDARITestFlags)
bool FMOLDARIImportNameRulesTest::RunTest(const FString& Parameters)
{
	using MOLDARIIntake::SanitizeImportName;
	TestEqualSensitive(TEXT("empty"), SanitizeImportName(TEXT("")), TEXT("asset"));
	TestEqualSensitive(TEXT("three slashes"), SanitizeImportName(TEXT("///")), TEXT("asset"));
	TestEqualSensitive(TEXT("three dots"), SanitizeImportName(TEXT("...")), TEXT("___"));
	TestEqualSensitive(TEXT("parent steps"), SanitizeImportName(TEXT("../../My Chair (v2).fbx")), TEXT("My_Chair__v2__fbx"));
	TestEqualSensitive(TEXT("backslashes"), SanitizeImportName(TEXT("C:\\models\\desk")), TEXT("desk"));
	TestEqualSensitive(TEXT("trailing slash set aside"), SanitizeImportName(TEXT("dir/lamp/")), TEXT("lamp"));
	TestEqualSensitive(TEXT("kept characters"), SanitizeImportName(TEXT("aZ09_-")), TEXT("aZ09_-"));
	TestEqualSensitive(TEXT("control and punctuation"), SanitizeImportName(TEXT("a\tb:c*d")), TEXT("a_b_c_d"));

	const FString Long = Repeat(100, TEXT('x'));
	TestEqualSensitive(TEXT("capped at 64"), SanitizeImportName(Long), Repeat(64, TEXT('x')));
	TestEqualSensitive(TEXT("64 stays"), SanitizeImportName(Repeat(64, TEXT('y'))), Repeat(64, TEXT('y')));
	TestEqualSensitive(TEXT("cap after the directory part goes"), SanitizeImportName(Repeat(70, TEXT('d')) + TEXT("/") + Repeat(65, TEXT('n'))), Repeat(64, TEXT('n')));

	using MOLDARIIntake::ImportKindOf;
	TestEqualSensitive(TEXT("usdz in capitals"), ImportKindOf(TEXT("HTTP://HOST/CHAIR.USDZ")), TEXT("usdz"));
	TestEqualSensitive(TEXT("usdz then a query"), ImportKindOf(TEXT("http://host/chair.usdz?x=1")), TEXT("zip"));
	TestEqualSensitive(TEXT("zip"), ImportKindOf(TEXT("http://host/chair.zip")), TEXT("zip"));

	TestEqualSensitive(TEXT("control characters for the log"), MOLDARIIntake::UrlForLog(TEXT("http://h/a\r\nb\tc\x01\x1f d\x7f")), TEXT("http://h/a??b?c?? d\x7f"));
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIImportRepliesTest, "MOLDARI.Import.Endpoint.Replies", MOLDARITestFlags)
bool FMOLDARIImportRepliesTest::RunTest(const FString& Parameters)
{
	const MOLDARITest::FScopedServer Server(TestPort);
	TestTrue(TEXT("serving"), Server.bServing);
	MOLDARIImportTest::FLogCapture Log;

	const FString InvalidJson = ExpectedReply(TEXT("HTTP/1.1 400 Bad Request"), TEXT("{\"error\":\"invalid JSON\"}"));
	TestEqualSensitive(TEXT("empty body"), PostImport(TEXT("")), InvalidJson);
	TestEqualSensitive(TEXT("array"), PostImport(TEXT("[1,2]")), InvalidJson);
	TestEqualSensitive(TEXT("bare string"), PostImport(TEXT("\"http://x/a.zip\"")), InvalidJson);
	TestEqualSensitive(TEXT("words"), PostImport(TEXT("plain words")), InvalidJson);
	// The engine's reader has no nesting limit, and freeing the tree of a deep enough text
	// overflows the stack: such a body is refused unread, with any depth that fits the size cap.
	const auto Nested = [](int32 Depth, const TCHAR* Inner)
	{
		FString Text;
		for (int32 Level = 0; Level < Depth; ++Level) { Text += TEXT("["); }
		Text += Inner;
		for (int32 Level = 0; Level < Depth; ++Level) { Text += TEXT("]"); }
		return Text;
	};
	TestEqualSensitive(TEXT("nested half a million deep"), PostImport(FString(TEXT("{\"url\":\"http://x/a.zip\",\"x\":")) + Nested(500000, TEXT("")) + TEXT("}")), InvalidJson);
	TestEqualSensitive(TEXT("one level past the bound"), PostImport(FString(TEXT("{\"url\":\"ftp://x\",\"x\":")) + Nested(MOLDARIJson::MaxDepth, TEXT("")) + TEXT("}")), InvalidJson);
	TestEqualSensitive(TEXT("brackets in a string do not count"), PostImport(FString(TEXT("{\"url\":\"ftp://x\",\"x\":\"")) + Nested(50, TEXT("")) + TEXT("\"}")),
		ExpectedReply(TEXT("HTTP/1.1 400 Bad Request"), TEXT("{\"error\":\"unsupported URL scheme\"}")));
	TestEqualSensitive(TEXT("at the bound"), PostImport(FString(TEXT("{\"url\":\"ftp://x\",\"x\":")) + Nested(MOLDARIJson::MaxDepth - 1, TEXT("")) + TEXT("}")),
		ExpectedReply(TEXT("HTTP/1.1 400 Bad Request"), TEXT("{\"error\":\"unsupported URL scheme\"}")));

	const FString MissingUrl = ExpectedReply(TEXT("HTTP/1.1 400 Bad Request"), TEXT("{\"error\":\"missing field: url\"}"));
	TestEqualSensitive(TEXT("empty object"), PostImport(TEXT("{}")), MissingUrl);
	TestEqualSensitive(TEXT("url array"), PostImport(TEXT("{\"url\":[\"http://x/a.zip\"]}")), MissingUrl);
	TestEqualSensitive(TEXT("url object"), PostImport(TEXT("{\"url\":{\"a\":1}}")), MissingUrl);

	const FString Scheme = ExpectedReply(TEXT("HTTP/1.1 400 Bad Request"), TEXT("{\"error\":\"unsupported URL scheme\"}"));
	TestEqualSensitive(TEXT("ftp"), PostImport(TEXT("{\"url\":\"ftp://x/a.zip\",\"name\":\"chair\"}")), Scheme);
	TestEqualSensitive(TEXT("empty url"), PostImport(TEXT("{\"url\":\"\"}")), Scheme);
	// file:// URLs take the local road; "file:" without the two slashes is no accepted prefix.
	TestEqualSensitive(TEXT("file: url"), PostImport(TEXT("{\"url\":\"file:/tmp/a.zip\"}")), Scheme);

	const FString Forbidden = TEXT("HTTP/1.1 403\r\nContent-Type: application/json\r\nContent-Length: 30\r\n\r\n{\"error\":\"origin not allowed\"}");
	TestEqualSensitive(TEXT("foreign origin"), PostImport(FString::Printf(TEXT("{\"url\":\"%schair.zip\",\"name\":\"chair\"}"), RefusedBase), TEXT("https://evil.example")), Forbidden);
	TestEqualSensitive(TEXT("foreign origin before the JSON check"), PostImport(TEXT("not json"), TEXT("null")), Forbidden);
	TestEqualSensitive(TEXT("allowed origin with another port"), PostImport(TEXT("{}"), TEXT("http://localhost:5174")), Forbidden);

	TestEqual(TEXT("no log line for refused requests"), Log.Texts().Num(), 0);
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIImportQueuedTest, "MOLDARI.Import.Endpoint.Queued", MOLDARITestFlags)
bool FMOLDARIImportQueuedTest::RunTest(const FString& Parameters)
{
	const MOLDARITest::FScopedServer Server(TestPort);
	TestTrue(TEXT("serving"), Server.bServing);
	MOLDARIImportTest::FLogCapture Log;
	AddExpectedErrorPlain(TEXT("LogTemp: [MOLDARI] Download failed: chair"), EAutomationExpectedErrorFlags::Exact, 1);
	AddExpectedErrorPlain(TEXT("LogTemp: [MOLDARI] Download failed: My_Chair__v2__fbx"), EAutomationExpectedErrorFlags::Exact, 1);
	AddExpectedErrorPlain(TEXT("LogTemp: [MOLDARI] Download failed: ctl"), EAutomationExpectedErrorFlags::Exact, 1);

	// Pretty printed, no origin headers.
	const FString Reply = PostImport(FString::Printf(TEXT("{\"url\":\"%schair.zip\",\"name\":\"chair\"}"), RefusedBase));
	TestEqualSensitive(TEXT("queued reply"), Reply, ExpectedReply(TEXT("HTTP/1.1 200 OK"), MOLDARITest::QueuedReply(TEXT("chair"))));
	TestTrue(TEXT("log line"), Log.Contains(FString::Printf(TEXT("[MOLDARI] /import received: name=chair url=%schair.zip"), RefusedBase)));

	// An allowed origin gets the same reply with the origin headers; capitals in the scheme pass.
	const FString Allowed = PostImport(TEXT("{\"url\":\"HTTPS://127.0.0.1:1/x.usdz\",\"name\":\"../../My Chair (v2).fbx\"}"), TEXT("http://localhost:5173"));
	TestTrue(TEXT("allowed origin served"), Allowed.StartsWith(TEXT("HTTP/1.1 200 OK\r\n")));
	TestTrue(TEXT("origin headers"), Allowed.Contains(TEXT("Access-Control-Allow-Origin: http://localhost:5173\r\n")));
	TestTrue(TEXT("sanitised name in the reply"), Allowed.EndsWith(MOLDARITest::QueuedReply(TEXT("My_Chair__v2__fbx"))));

	// Control characters reach the log only as '?'.
	PostImport(FString::Printf(TEXT("{\"url\":\"%sa\\r\\nb\\tc.zip\",\"name\":\"ctl\"}"), RefusedBase));
	TestTrue(TEXT("control characters written as ?"), Log.Contains(FString::Printf(TEXT("[MOLDARI] /import received: name=ctl url=%sa??b?c.zip"), RefusedBase)));

	// Every download above fails (nothing listens there), by name, without the URL: the expected
	// errors above match whole lines.
	const bool bAllFailed = MOLDARITest::WaitFor([&Log]()
	{
		int32 Failed = 0;
		for (const FString& Line : Log.Texts()) { Failed += Line.StartsWith(TEXT("[MOLDARI] Download failed: ")) ? 1 : 0; }
		return Failed == 3;
	}, 20.0);
	TestTrue(TEXT("three download failures logged"), bAllFailed);
	return true;
}

#endif
