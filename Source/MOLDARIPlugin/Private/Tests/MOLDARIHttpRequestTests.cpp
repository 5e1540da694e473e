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
	TestEqual(TEXT("bare LF LF is not a terminator"), HeaderEndOf("GET /\n\n"), INDEX_NONE);
	// The reader resumes 3 bytes before the old end: CR LF CR in one read, LF in the next.
	const char* Split = "GET / HTTP/1.1\r\n\r\n";
	const int32 FirstReadEnd = 17;
	TestEqual(TEXT("split terminator found from old end - 3"), HeaderEndOf(Split, FirstReadEnd - 3), 18);
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

	MOLDARIHttp::FRequestHead Bad;
	TestFalse(TEXT("one word"), MOLDARIHttp::ParseRequestHead(TEXT("GET\r\nHost: x\r\n\r\n"), Bad));
	TestFalse(TEXT("no lines at all"), MOLDARIHttp::ParseRequestHead(TEXT("\r\n\r\n"), Bad));
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
	TestTrue(TEXT("query string"), MOLDARIHttp::RouteRequest(TEXT("GET"), TEXT("/status?x=1")) == ERoute::NotFound);
	TestTrue(TEXT("trailing slash"), MOLDARIHttp::RouteRequest(TEXT("GET"), TEXT("/status/")) == ERoute::NotFound);
	TestTrue(TEXT("POST /status"), MOLDARIHttp::RouteRequest(TEXT("POST"), TEXT("/status")) == ERoute::NotFound);
	TestTrue(TEXT("GET /import"), MOLDARIHttp::RouteRequest(TEXT("GET"), TEXT("/import")) == ERoute::NotFound);
	TestTrue(TEXT("GET /Status2"), MOLDARIHttp::RouteRequest(TEXT("GET"), TEXT("/Status2")) == ERoute::NotFound);
	TestTrue(TEXT("GET /"), MOLDARIHttp::RouteRequest(TEXT("GET"), TEXT("/")) == ERoute::NotFound);
	TestTrue(TEXT("PUT /status"), MOLDARIHttp::RouteRequest(TEXT("PUT"), TEXT("/status")) == ERoute::NotFound);
	TestTrue(TEXT("DELETE /import"), MOLDARIHttp::RouteRequest(TEXT("DELETE"), TEXT("/import")) == ERoute::NotFound);
	return true;
}

#endif
