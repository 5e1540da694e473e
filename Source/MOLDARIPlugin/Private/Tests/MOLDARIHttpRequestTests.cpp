// The request parser and router, without sockets.
#include "Misc/AutomationTest.h"

#include "MOLDARIHttpRequest.h"

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	const EAutomationTestFlags MOLDARITestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;

	int32 HeaderEndOf(const char* Text, int32 SearchFrom = 0)
	{
		return MOLDARIHttp::FindHeaderEnd(reinterpret_cast<const uint8*>(Text), FCStringAnsi::Strlen(Text), SearchFrom);
	}
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIHeaderEndTest, "MOLDARI.Http.HeaderEnd", MOLDARITestFlags)
bool FMOLDARIHeaderEndTest::RunTest(const FString& Parameters)
{
	TestEqual(TEXT("terminator at the end"), HeaderEndOf("GET / HTTP/1.1\r\n\r\n"), 18);
	TestEqual(TEXT("first terminator wins"), HeaderEndOf("A\r\n\r\nB\r\n\r\n"), 5);
	TestEqual(TEXT("no terminator"), HeaderEndOf("GET / HTTP/1.1\r\n\r"), INDEX_NONE);
	// Bare LF LF and a terminator split across reads: Tests/BlackBox/test_request_reading.py.
	TestEqual(TEXT("negative start is clamped"), HeaderEndOf("\r\n\r\n", -3), 4);
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIRequestHeadTest, "MOLDARI.Http.RequestHead", MOLDARITestFlags)
bool FMOLDARIRequestHeadTest::RunTest(const FString& Parameters)
{
	MOLDARIHttp::FRequestHead Head;
	TestTrue(TEXT("parsed"), MOLDARIHttp::ParseRequestHead(
		TEXT("post /Import HTTP/1.0\r\norigin:   http://localhost:5173  \r\nCONTENT-LENGTH: 12\r\nX-Other: 1\r\ncontent-length: 7\r\n\r\n"), Head));
	TestEqualSensitive(TEXT("method kept as sent"), Head.Method, FString(TEXT("post")));
	TestEqualSensitive(TEXT("path kept whole"), Head.Path, FString(TEXT("/Import")));
	TestEqualSensitive(TEXT("origin trimmed, any header case"), Head.Origin, FString(TEXT("http://localhost:5173")));
	TestEqual(TEXT("last Content-Length counts"), Head.ContentLength, static_cast<int64>(7));

	MOLDARIHttp::FRequestHead Query;
	TestTrue(TEXT("query kept in the path"), MOLDARIHttp::ParseRequestHead(TEXT("GET  /status?x=1\r\n\r\n"), Query) && Query.Path == TEXT("/status?x=1"));
	MOLDARIHttp::FRequestHead Spaced;
	TestTrue(TEXT("runs of spaces, any version"), MOLDARIHttp::ParseRequestHead(TEXT("GET   /status   HTTP/9.9\r\n\r\n"), Spaced) && Spaced.Path == TEXT("/status"));

	MOLDARIHttp::FRequestHead Origins;
	TestTrue(TEXT("two origins"), MOLDARIHttp::ParseRequestHead(TEXT("GET / HTTP/1.1\r\nOrigin: http://localhost:5173\r\nORIGIN:\thttps://rc.moldari.com\t\r\n\r\n"), Origins));
	TestEqualSensitive(TEXT("last origin counts, tabs trimmed"), Origins.Origin, FString(TEXT("https://rc.moldari.com")));
	// A request line of one word, or none: Tests/BlackBox/test_routing_and_status.py.
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIContentLengthTest, "MOLDARI.Http.ContentLength", MOLDARITestFlags)
bool FMOLDARIContentLengthTest::RunTest(const FString& Parameters)
{
	TestEqual(TEXT("plain"), MOLDARIHttp::ParseContentLength(TEXT(" 50 ")), static_cast<int64>(50));
	TestEqual(TEXT("sign"), MOLDARIHttp::ParseContentLength(TEXT("+5")), static_cast<int64>(5));
	TestEqual(TEXT("negative"), MOLDARIHttp::ParseContentLength(TEXT("-5")), static_cast<int64>(-5));
	TestEqual(TEXT("no digits"), MOLDARIHttp::ParseContentLength(TEXT("abc")), static_cast<int64>(0));
	TestEqual(TEXT("digits then junk"), MOLDARIHttp::ParseContentLength(TEXT("12abc")), static_cast<int64>(12));
	// Beyond 32 (and 64) bits a value must read as too large, never wrap to something small.
	for (const TCHAR* TooLarge : { TEXT("1048577"), TEXT("+2000000"), TEXT("2147483647"), TEXT("2147483648"), TEXT("4294967295"), TEXT("4294967296"),
			 TEXT("4294967297"), TEXT("18446744073709551617"), TEXT("9999999999999999999999999999999999999999") })
	{
		TestTrue(FString::Printf(TEXT("%s is too large"), TooLarge), MOLDARIHttp::ParseContentLength(TooLarge) > MOLDARIHttp::MaxBodyBytes);
	}
	TestEqual(TEXT("the limit itself"), MOLDARIHttp::ParseContentLength(TEXT("1048576")), MOLDARIHttp::MaxBodyBytes);
	TestTrue(TEXT("huge negative stays negative"), MOLDARIHttp::ParseContentLength(TEXT("-99999999999999999999")) < 0);
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIRouteTest, "MOLDARI.Http.Route", MOLDARITestFlags)
bool FMOLDARIRouteTest::RunTest(const FString& Parameters)
{
	using MOLDARIHttp::ERoute;
	for (const TCHAR* Path : { TEXT("/anything/at/all"), TEXT("*"), TEXT("x"), TEXT("/no/such/thing?q=1") })
	{
		TestTrue(FString::Printf(TEXT("OPTIONS %s"), Path), MOLDARIHttp::RouteRequest(TEXT("options"), Path) == ERoute::Preflight);
	}
	TestTrue(TEXT("GET /status"), MOLDARIHttp::RouteRequest(TEXT("GET"), TEXT("/status")) == ERoute::Status);
	TestTrue(TEXT("get /STATUS"), MOLDARIHttp::RouteRequest(TEXT("get"), TEXT("/STATUS")) == ERoute::Status);
	TestTrue(TEXT("POST /import"), MOLDARIHttp::RouteRequest(TEXT("Post"), TEXT("/IMPORT")) == ERoute::Import);
	// A query string, a trailing slash, the other method, a longer name, the root, other methods.
	const TCHAR* const NotFound[][2] = { { TEXT("GET"), TEXT("/status?x=1") }, { TEXT("GET"), TEXT("/status/") }, { TEXT("POST"), TEXT("/status") },
		{ TEXT("GET"), TEXT("/import") }, { TEXT("GET"), TEXT("/Status2") }, { TEXT("GET"), TEXT("/") }, { TEXT("PUT"), TEXT("/status") }, { TEXT("DELETE"), TEXT("/import") } };
	for (const auto& Request : NotFound)
	{
		TestTrue(FString::Printf(TEXT("%s %s"), Request[0], Request[1]), MOLDARIHttp::RouteRequest(Request[0], Request[1]) == ERoute::NotFound);
	}
	return true;
}

#endif
