// Requests and responses over libcurl easy handles. Settings are taken under a lock when a run
// starts; from then on the transfer state belongs to the HTTP thread, and the caller's threads
// see only atomics, the response's guarded headers and, once complete, its body.
#include "CurlHttp.h"

#include <algorithm>
#include <cstring>

#include "Containers/Ticker.h"
#include "CoreGlobals.h"
#include "HeadlessString.h"

namespace UE::HeadlessEditor
{
	namespace
	{
		std::string Trim(const std::string& Text)
		{
			const size_t First = Text.find_first_not_of(" \t\r\n");
			if (First == std::string::npos) { return std::string(); }
			const size_t Last = Text.find_last_not_of(" \t\r\n");
			return Text.substr(First, Last - First + 1);
		}

		bool EqualsIgnoreCase(const std::string& A, const char* B)
		{
			const size_t Length = std::strlen(B);
			if (A.size() != Length) { return false; }
			for (size_t Index = 0; Index < Length; ++Index)
			{
				if (std::tolower(static_cast<unsigned char>(A[Index])) != std::tolower(static_cast<unsigned char>(B[Index]))) { return false; }
			}
			return true;
		}

		bool IsHttpUrl(const FString& Url)
		{
			return Url.StartsWith(TEXT("http://")) || Url.StartsWith(TEXT("https://"));
		}
	}

	void TranslateCurlResult(CURLcode Result, bool bCancelled, bool bBodyTooLarge, bool& bOutSucceeded, EHttpFailureReason& OutReason)
	{
		// A cancel wins over whatever curl made of the abort (write error, callback abort).
		if (bCancelled) { bOutSucceeded = false; OutReason = EHttpFailureReason::Cancelled; return; }
		if (bBodyTooLarge) { bOutSucceeded = false; OutReason = EHttpFailureReason::Other; return; }
		switch (Result)
		{
		case CURLE_OK:
			bOutSucceeded = true; OutReason = EHttpFailureReason::None; return;
		case CURLE_COULDNT_RESOLVE_PROXY:
		case CURLE_COULDNT_RESOLVE_HOST:
		case CURLE_COULDNT_CONNECT:
		case CURLE_SSL_CONNECT_ERROR:
		case CURLE_PEER_FAILED_VERIFICATION:
		case CURLE_SEND_ERROR:
		case CURLE_RECV_ERROR:
		case CURLE_GOT_NOTHING:
		case CURLE_PARTIAL_FILE:
			bOutSucceeded = false; OutReason = EHttpFailureReason::ConnectionError; return;
		case CURLE_OPERATION_TIMEDOUT:
			bOutSucceeded = false; OutReason = EHttpFailureReason::TimedOut; return;
		case CURLE_ABORTED_BY_CALLBACK:
			bOutSucceeded = false; OutReason = EHttpFailureReason::Cancelled; return;
		default:
			bOutSucceeded = false; OutReason = EHttpFailureReason::Other; return;
		}
	}

	// ---- Response ----------------------------------------------------------------------------

	FString FCurlHttpResponse::GetHeader(const FString& HeaderName) const
	{
		const std::string Wanted = ToUtf8(HeaderName);
		std::lock_guard<std::mutex> Lock(HeaderMutex);
		std::string Joined;
		bool bFound = false;
		for (const auto& Header : Headers)
		{
			if (!EqualsIgnoreCase(Header.first, Wanted.c_str())) { continue; }
			if (bFound) { Joined += ", "; }
			Joined += Header.second;
			bFound = true;
		}
		return FromUtf8(Joined.data(), Joined.size());
	}

	uint64 FCurlHttpResponse::GetContentLength() const
	{
		if (bHasAnnouncedLength.load()) { return AnnouncedLength.load(); }
		// Without an announced length, the real size once the body is complete (what went to a
		// response stream counts, as the engine counts every byte taken).
		return bBodyReady.load(std::memory_order_acquire) ? static_cast<uint64>(Payload.Num()) + StreamedBytes.load() : 0;
	}

	const TArray<uint8>& FCurlHttpResponse::GetContent() const
	{
		// The body is the HTTP thread's until the transfer has ended.
		static const TArray<uint8> Empty;
		return bBodyReady.load(std::memory_order_acquire) ? Payload : Empty;
	}

	FString FCurlHttpResponse::GetContentAsString() const
	{
		const TArray<uint8>& Content = GetContent();
		return FromUtf8(reinterpret_cast<const char*>(Content.GetData()), static_cast<size_t>(Content.Num()));
	}

	void FCurlHttpResponse::BeginHeaderBlock(int32 Code)
	{
		{
			std::lock_guard<std::mutex> Lock(HeaderMutex);
			Headers.clear();
		}
		ResponseCode = Code;
		bHasAnnouncedLength = false;
		AnnouncedLength = 0;
		// A body that came with an earlier (redirect) response is not this response's body.
		Payload.Reset();
	}

	void FCurlHttpResponse::AddHeaderLine(const std::string& Name, const std::string& Value)
	{
		if (EqualsIgnoreCase(Name, "Content-Length"))
		{
			char* End = nullptr;
			const unsigned long long Length = std::strtoull(Value.c_str(), &End, 10);
			if (End && End != Value.c_str() && *End == '\0')
			{
				AnnouncedLength = static_cast<uint64>(Length);
				bHasAnnouncedLength = true;
			}
		}
		std::lock_guard<std::mutex> Lock(HeaderMutex);
		Headers.emplace_back(Name, Value);
	}

	bool FCurlHttpResponse::AppendBody(const uint8* Data, int64 Count)
	{
		const int64 NewSize = static_cast<int64>(Payload.Num()) + Count;
		if (NewSize > HttpDefaults::MaxBodyBytes) { return false; }
		if (NewSize > static_cast<int64>(Payload.Max()))
		{
			int64 Capacity = 0;
			const uint64 Announced = AnnouncedLength.load();
			if (bHasAnnouncedLength.load() && static_cast<uint64>(NewSize) <= Announced && Announced <= static_cast<uint64>(HttpDefaults::MaxUpfrontReserveBytes))
			{
				// The announced size at once: the body is never copied to a larger buffer, which
				// would hold the old and the new buffer together (1.6 times the body at the last
				// step of doubling). Pages are only touched as bytes arrive, so a false, larger
				// announcement costs address space, not memory; a larger one still grows by doubling,
				// so no server can make the module ask for gigabytes it never sends.
				Capacity = static_cast<int64>(Announced);
			}
			else
			{
				// No (or an outgrown) announcement: grow geometrically.
				Capacity = std::max<int64>({ NewSize, static_cast<int64>(Payload.Max()) * 2, HttpDefaults::InitialBodyReserve });
			}
			Payload.Reserve(static_cast<int32>(std::min<int64>(Capacity, HttpDefaults::MaxBodyBytes)));
		}
		// One memcpy into room made without initialising it: TArray::Append here copies through
		// the array's allocator one element at a time, which perf showed as most of the HTTP
		// thread's own time on a large download.
		const int32 OldNum = Payload.Num();
		Payload.AddUninitialized(static_cast<int32>(Count));
		std::memcpy(Payload.GetData() + OldNum, Data, static_cast<size_t>(Count));
		return true;
	}

	void FCurlHttpResponse::Complete(bool bSucceeded, EHttpFailureReason Reason)
	{
		FailureReason = bSucceeded ? EHttpFailureReason::None : Reason;
		CompletionStatus = bSucceeded ? EHttpRequestStatus::Succeeded : EHttpRequestStatus::Failed;
		if (!bSucceeded)
		{
			// A failed transfer keeps its status and headers; its partial body is freed at once.
			Payload.Empty();
		}
		bBodyReady.store(true, std::memory_order_release);
	}

	// ---- Request: settings -------------------------------------------------------------------

	const TArray<uint8> FCurlHttpRequest::EmptyContent;

	FCurlHttpRequest::~FCurlHttpRequest()
	{
		// Only reachable with a handle if the manager died without finishing this run.
		if (HeaderList) { curl_slist_free_all(HeaderList); }
		if (Easy) { curl_easy_cleanup(Easy); }
	}

	FString FCurlHttpRequest::GetURL() const
	{
		std::lock_guard<std::mutex> Lock(SettingsMutex);
		return URL;
	}

	FString FCurlHttpRequest::GetHeader(const FString& HeaderName) const
	{
		std::lock_guard<std::mutex> Lock(SettingsMutex);
		for (const TPair<FString, FString>& Header : RequestHeaders)
		{
			if (Header.Key == HeaderName) { return Header.Value; }
		}
		return FString();
	}

	FString FCurlHttpRequest::GetVerb() const
	{
		std::lock_guard<std::mutex> Lock(SettingsMutex);
		return Verb;
	}

	void FCurlHttpRequest::SetVerb(const FString& InVerb)
	{
		std::lock_guard<std::mutex> Lock(SettingsMutex);
		Verb = InVerb.TrimStartAndEnd().ToUpper();
	}

	void FCurlHttpRequest::SetURL(const FString& InURL)
	{
		std::lock_guard<std::mutex> Lock(SettingsMutex);
		URL = InURL;
	}

	void FCurlHttpRequest::SetHeader(const FString& HeaderName, const FString& HeaderValue)
	{
		std::lock_guard<std::mutex> Lock(SettingsMutex);
		for (TPair<FString, FString>& Header : RequestHeaders)
		{
			if (Header.Key == HeaderName) { Header.Value = HeaderValue; return; }
		}
		RequestHeaders.Add(TPair<FString, FString>{ HeaderName, HeaderValue });
	}

	void FCurlHttpRequest::SetTimeout(float InTimeoutSecs)
	{
		std::lock_guard<std::mutex> Lock(SettingsMutex);
		TimeoutSeconds = InTimeoutSecs;
		bHasTimeout = true;
	}

	void FCurlHttpRequest::ClearTimeout()
	{
		std::lock_guard<std::mutex> Lock(SettingsMutex);
		bHasTimeout = false;
		TimeoutSeconds = 0.0f;
	}

	const FHttpResponsePtr FCurlHttpRequest::GetResponse() const
	{
		std::lock_guard<std::mutex> Lock(SettingsMutex);
		return Response;
	}

	// ---- Request: life of a run --------------------------------------------------------------

	bool FCurlHttpRequest::ProcessRequest()
	{
		bool bValidUrl = false;
		{
			std::lock_guard<std::mutex> Lock(SettingsMutex);
			if (Status.load() == EHttpRequestStatus::Processing)
			{
				UE_LOG(LogHttp, Warning, TEXT("ProcessRequest: the request is still being processed; not started again"));
				return false;
			}
			bValidUrl = IsHttpUrl(URL);
			Response = MakeShared<FCurlHttpResponse>(URL);
			ActiveResponse = Response;
			bCancelRequested = false;
			FailureReason = EHttpFailureReason::None;
			BytesSent = 0;
			BytesReceived = 0;
			LastReportedSent = 0;
			LastReportedReceived = 0;
			bHeadersFinal = false;
			bBodyTooLarge = false;
			RedirectsSoFar = 0;
			++CurrentRunId;
			Status = EHttpRequestStatus::Processing;
		}
		if (!bValidUrl)
		{
			// Still handed to the HTTP thread, which fails it, so that the completion arrives
			// the same way as for every other request.
			UE_LOG(LogHttp, Warning, TEXT("ProcessRequest: the URL is empty or its scheme is not http or https"));
		}

		TSharedPtr<FCurlHttpRequest> Self = StaticCastSharedRef<FCurlHttpRequest>(AsShared());
		std::shared_ptr<FCurlHttpManager> Owner = Manager.lock();
		if (Owner && Owner->AddRequest(Self)) { return bValidUrl; }

		UE_LOG(LogHttp, Warning, TEXT("ProcessRequest: the HTTP module is shut down; the request fails"));
		{
			std::lock_guard<std::mutex> Lock(SettingsMutex);
			Response.Reset();
		}
		ActiveResponse.Reset();
		FailureReason = EHttpFailureReason::Other;
		Status = EHttpRequestStatus::Failed;
		Deliver([Self]() { Self->CompleteDelegate.ExecuteIfBound(Self, FHttpResponsePtr(), false); });
		return false;
	}

	void FCurlHttpRequest::CancelRequest()
	{
		const bool bInFlight = Status.load() == EHttpRequestStatus::Processing;
		if (bInFlight) { bCancelRequested = true; }
		// As the engine's, any cancel drops the response stream at once (after a piece being
		// handed to it on the HTTP thread): once CancelRequest returns, the stream is not called
		// again and the request no longer holds it.
		StopPassingReceivedData();
		if (!bInFlight) { return; }
		if (std::shared_ptr<FCurlHttpManager> Owner = Manager.lock()) { Owner->NotifyCancel(); }
	}

	// ---- Request: the response stream ----------------------------------------------------------

	bool FCurlHttpRequest::SetResponseBodyReceiveStream(TSharedRef<FArchive> Stream)
	{
		std::lock_guard<std::recursive_mutex> Lock(StreamMutex);
		ResponseBodyReceiveStream = Stream;
		bInitializedWithValidStream = true;
		return true;
	}

	void FCurlHttpRequest::StopPassingReceivedData()
	{
		std::lock_guard<std::recursive_mutex> Lock(StreamMutex);
		ResponseBodyReceiveStream.Reset();
	}

	bool FCurlHttpRequest::PassReceivedDataToStream(void* Data, int64 Length)
	{
		std::lock_guard<std::recursive_mutex> Lock(StreamMutex);
		if (!ResponseBodyReceiveStream) { return false; }
		// The engine serialises through the request's own pointer and then asks that pointer for
		// the error. A CancelRequest made inside Serialize (on this thread, through the recursive
		// lock) clears the pointer, and the engine's TSharedPtr check stops the process right
		// after. The extra reference keeps the archive alive until then, so that the stand-in
		// fails the same check without running freed code first.
		const TSharedPtr<FArchive> Stream = ResponseBodyReceiveStream;
		Stream->Serialize(Data, Length);
		return !ResponseBodyReceiveStream->GetError();
	}

	bool FCurlHttpRequest::IsRedirectToFollow(int32 Code) const
	{
		const bool bRedirectCode = Code == 301 || Code == 302 || Code == 303 || Code == 307 || Code == 308;
		return bRedirectCode && RedirectsSoFar < HttpDefaults::MaxRedirects && !ActiveResponse->GetHeader(TEXT("Location")).IsEmpty();
	}

	CURL* FCurlHttpRequest::BeginTransfer(float ModuleTimeoutSeconds)
	{
		std::string UrlUtf8;
		FString VerbCopy;
		float Timeout = ModuleTimeoutSeconds;
		{
			std::lock_guard<std::mutex> Lock(SettingsMutex);
			UrlUtf8 = ToUtf8(URL);
			VerbCopy = Verb.IsEmpty() ? FString(TEXT("GET")) : Verb;
			if (bHasTimeout) { Timeout = TimeoutSeconds; }
			for (const TPair<FString, FString>& Header : RequestHeaders)
			{
				// "Name;" is curl's way of sending a header with an empty value.
				const std::string Line = Header.Value.IsEmpty() ? ToUtf8(Header.Key) + ";" : ToUtf8(Header.Key) + ": " + ToUtf8(Header.Value);
				HeaderList = curl_slist_append(HeaderList, Line.c_str());
			}
		}

		Easy = curl_easy_init();
		if (!Easy) { return nullptr; }
		ErrorBuffer[0] = '\0';
		curl_easy_setopt(Easy, CURLOPT_ERRORBUFFER, ErrorBuffer);
		curl_easy_setopt(Easy, CURLOPT_URL, UrlUtf8.c_str());
		curl_easy_setopt(Easy, CURLOPT_PRIVATE, this);
		curl_easy_setopt(Easy, CURLOPT_NOSIGNAL, 1L);
		// Larger pieces per write callback: a fast local transfer spends less in the callbacks. A
		// response stream gets the engine's pieces instead, which bound how far past a limit a
		// stream can be before it refuses.
		curl_easy_setopt(Easy, CURLOPT_BUFFERSIZE, bInitializedWithValidStream.load() ? HttpDefaults::StreamReceiveBufferBytes : HttpDefaults::ReceiveBufferBytes);
		curl_easy_setopt(Easy, CURLOPT_PROTOCOLS_STR, HttpDefaults::AllowedProtocols);
		curl_easy_setopt(Easy, CURLOPT_REDIR_PROTOCOLS_STR, HttpDefaults::AllowedProtocols);
		curl_easy_setopt(Easy, CURLOPT_FOLLOWLOCATION, 1L);
		curl_easy_setopt(Easy, CURLOPT_MAXREDIRS, static_cast<long>(HttpDefaults::MaxRedirects));
		curl_easy_setopt(Easy, CURLOPT_CONNECTTIMEOUT, HttpDefaults::ConnectTimeoutSeconds);
		curl_easy_setopt(Easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
		curl_easy_setopt(Easy, CURLOPT_LOW_SPEED_TIME, HttpDefaults::ActivityTimeoutSeconds);
		if (Timeout > 0.0f) { curl_easy_setopt(Easy, CURLOPT_TIMEOUT_MS, static_cast<long>(Timeout * 1000.0f)); }
		curl_easy_setopt(Easy, CURLOPT_USERAGENT, HttpDefaults::UserAgent);

		if (VerbCopy == TEXT("GET")) { curl_easy_setopt(Easy, CURLOPT_HTTPGET, 1L); }
		else if (VerbCopy == TEXT("HEAD")) { curl_easy_setopt(Easy, CURLOPT_NOBODY, 1L); }
		else
		{
			// No request body is supported: other verbs go out with an empty one.
			if (VerbCopy == TEXT("POST") || VerbCopy == TEXT("PUT") || VerbCopy == TEXT("PATCH"))
			{
				curl_easy_setopt(Easy, CURLOPT_POSTFIELDS, "");
				curl_easy_setopt(Easy, CURLOPT_POSTFIELDSIZE, 0L);
			}
			const std::string VerbUtf8 = ToUtf8(VerbCopy);
			curl_easy_setopt(Easy, CURLOPT_CUSTOMREQUEST, VerbUtf8.c_str());
		}
		if (HeaderList) { curl_easy_setopt(Easy, CURLOPT_HTTPHEADER, HeaderList); }

		curl_easy_setopt(Easy, CURLOPT_WRITEFUNCTION, &FCurlHttpRequest::OnWrite);
		curl_easy_setopt(Easy, CURLOPT_WRITEDATA, this);
		curl_easy_setopt(Easy, CURLOPT_HEADERFUNCTION, &FCurlHttpRequest::OnHeader);
		curl_easy_setopt(Easy, CURLOPT_HEADERDATA, this);
		curl_easy_setopt(Easy, CURLOPT_XFERINFOFUNCTION, &FCurlHttpRequest::OnTransferInfo);
		curl_easy_setopt(Easy, CURLOPT_XFERINFODATA, this);
		curl_easy_setopt(Easy, CURLOPT_NOPROGRESS, 0L);
		return Easy;
	}

	size_t FCurlHttpRequest::OnHeader(char* Data, size_t Size, size_t Count, void* UserData)
	{
		FCurlHttpRequest& Request = *static_cast<FCurlHttpRequest*>(UserData);
		const size_t Bytes = Size * Count;
		if (Request.bCancelRequested.load()) { return 0; }
		const std::string Line(Data, Bytes);
		FCurlHttpResponse& Out = *Request.ActiveResponse;

		if (Line.rfind("HTTP/", 0) == 0)
		{
			// A new header block: the first response, a redirect hop, or an interim 1xx.
			const size_t Space = Line.find(' ');
			const int32 Code = Space == std::string::npos ? 0 : std::atoi(Line.c_str() + Space + 1);
			Out.BeginHeaderBlock(Code);
			Request.bHeadersFinal = false;
			Request.BytesReceived = 0;
			return Bytes;
		}
		const std::string Trimmed = Trim(Line);
		if (Trimmed.empty())
		{
			// End of a header block. Callers hear of the final response only (not of 1xx or a
			// redirect that will be followed), so a progress callback can judge the announced length.
			const int32 Code = Out.GetResponseCode();
			if (Code >= 100 && Code < 200) { return Bytes; }
			if (Request.IsRedirectToFollow(Code)) { ++Request.RedirectsSoFar; return Bytes; }
			// No progress report here: as in the engine, progress is told only when a count moves.
			Request.bHeadersFinal = true;
			return Bytes;
		}
		const size_t Colon = Trimmed.find(':');
		if (Colon != std::string::npos) { Out.AddHeaderLine(Trim(Trimmed.substr(0, Colon)), Trim(Trimmed.substr(Colon + 1))); }
		// The engine tells the caller of every header but those of a 3xx block, followed or not.
		const int32 Code = Out.GetResponseCode();
		if (Code < 300 || Code >= 400) { Request.ReportHeader(Line); }
		return Bytes;
	}

	void FCurlHttpRequest::ReportHeader(const std::string& Line)
	{
		if (!HeaderDelegate.IsBound()) { return; }
		// As the engine splits a line: CR and LF dropped, the name as sent, the value without its
		// leading blanks; a line with no name or no value is not told.
		std::string Text;
		for (const char Char : Line) { if (Char != '\r' && Char != '\n') { Text += Char; } }
		const size_t Colon = Text.find(':');
		if (Colon == std::string::npos || Colon == 0) { return; }
		const size_t ValueStart = Text.find_first_not_of(" \t", Colon + 1);
		if (ValueStart == std::string::npos) { return; }
		const FString Name(ANSI_TO_TCHAR(Text.substr(0, Colon).c_str()));
		const FString Value(ANSI_TO_TCHAR(Text.substr(ValueStart).c_str()));
		TSharedPtr<FCurlHttpRequest> Self = StaticCastSharedRef<FCurlHttpRequest>(AsShared());
		// On the HTTP thread, inside curl's header callback; otherwise queued for the game thread,
		// ahead of the progress and completion that follow.
		Deliver([Self, Name, Value]() { Self->HeaderDelegate.ExecuteIfBound(Self, Name, Value); });
	}

	size_t FCurlHttpRequest::OnWrite(char* Data, size_t Size, size_t Count, void* UserData)
	{
		FCurlHttpRequest& Request = *static_cast<FCurlHttpRequest*>(UserData);
		const size_t Bytes = Size * Count;
		// Returning less than given makes curl stop the transfer at once: after a cancel, the
		// body does not grow by another byte.
		if (Request.bCancelRequested.load()) { return 0; }
		if (Request.bInitializedWithValidStream.load())
		{
			// The piece goes to the response stream, on this (the HTTP) thread, whatever the
			// status; nothing is kept. A refused piece stops the transfer with a write error.
			if (Bytes == 0) { return 0; }
			if (!Request.PassReceivedDataToStream(Data, static_cast<int64>(Bytes))) { return 0; }
			Request.ActiveResponse->AddStreamed(static_cast<int64>(Bytes));
			Request.BytesReceived += static_cast<uint64>(Bytes);
			Request.ReportProgress();
			return Bytes;
		}
		if (!Request.ActiveResponse->AppendBody(reinterpret_cast<const uint8*>(Data), static_cast<int64>(Bytes)))
		{
			UE_LOG(LogHttp, Error, TEXT("A response body outgrew %lld bytes, the most the module can hold; the transfer is stopped"),
				static_cast<long long>(HttpDefaults::MaxBodyBytes));
			Request.bBodyTooLarge = true;
			return 0;
		}
		Request.BytesReceived = static_cast<uint64>(Request.ActiveResponse->GetBodySize());
		Request.ReportProgress();
		return Bytes;
	}

	int FCurlHttpRequest::OnTransferInfo(void* UserData, curl_off_t, curl_off_t, curl_off_t, curl_off_t UploadNow)
	{
		FCurlHttpRequest& Request = *static_cast<FCurlHttpRequest*>(UserData);
		// Also called while nothing arrives, so a cancel stops a stalled transfer too.
		if (Request.bCancelRequested.load()) { return 1; }
		if (UploadNow > 0 && static_cast<uint64>(UploadNow) != Request.BytesSent.load())
		{
			Request.BytesSent = static_cast<uint64>(UploadNow);
			Request.ReportProgress();
		}
		return 0;
	}

	void FCurlHttpRequest::ReportProgress()
	{
		if (!ProgressDelegate.IsBound()) { return; }
		if (ThreadPolicy.load() == EHttpRequestDelegateThreadPolicy::CompleteOnHttpThread)
		{
			// On the HTTP thread, between two pieces of the body: a CancelRequest made here stops
			// the transfer before the next piece is stored.
			DeliverProgress(CurrentRunId.load());
			return;
		}
		// One pending event at a time; it reports the totals as they are when it runs.
		if (bProgressQueued.exchange(true)) { return; }
		TSharedPtr<FCurlHttpRequest> Self = StaticCastSharedRef<FCurlHttpRequest>(AsShared());
		const uint64 RunId = CurrentRunId.load();
		Deliver([Self, RunId]() { Self->DeliverProgress(RunId); });
	}

	void FCurlHttpRequest::DeliverProgress(uint64 RunId)
	{
		bProgressQueued = false;
		if (RunId != CurrentRunId.load()) { return; }
		const uint64 Sent = BytesSent.load();
		const uint64 Received = BytesReceived.load();
		if (Sent == LastReportedSent && Received == LastReportedReceived) { return; }
		LastReportedSent = Sent;
		LastReportedReceived = Received;
		TSharedPtr<FCurlHttpRequest> Self = StaticCastSharedRef<FCurlHttpRequest>(AsShared());
		ProgressDelegate.ExecuteIfBound(Self, Sent, Received);
	}

	void FCurlHttpRequest::FinishTransfer(CURLcode Result)
	{
		long CurlCode = 0;
		if (Easy) { curl_easy_getinfo(Easy, CURLINFO_RESPONSE_CODE, &CurlCode); }
		if (HeaderList) { curl_slist_free_all(HeaderList); HeaderList = nullptr; }
		if (Easy) { curl_easy_cleanup(Easy); Easy = nullptr; }

		bool bSucceeded = false;
		EHttpFailureReason Reason = EHttpFailureReason::Other;
		TranslateCurlResult(Result, bCancelRequested.load(), bBodyTooLarge, bSucceeded, Reason);
		if (!bSucceeded && Reason != EHttpFailureReason::Cancelled)
		{
			UE_LOG(LogHttp, Warning, TEXT("Request failed: libcurl error %d (%s)"), static_cast<int32>(Result), ANSI_TO_TCHAR(curl_easy_strerror(Result)));
		}

		// A failure before any status line leaves no response, as in the engine.
		TSharedPtr<FCurlHttpResponse> Finished = ActiveResponse;
		ActiveResponse.Reset();
		if (Finished) { Finished->Complete(bSucceeded, Reason); }
		if (Finished && !bSucceeded && Finished->GetResponseCode() == 0) { Finished.Reset(); }
		{
			std::lock_guard<std::mutex> Lock(SettingsMutex);
			Response = Finished;
		}
		FailureReason = Reason;
		Status = bSucceeded ? EHttpRequestStatus::Succeeded : EHttpRequestStatus::Failed;

		TSharedPtr<FCurlHttpRequest> Self = StaticCastSharedRef<FCurlHttpRequest>(AsShared());
		FHttpResponsePtr ResponseForCaller = Finished;
		Deliver([Self, ResponseForCaller, bSucceeded]()
		{
			Self->CompleteDelegate.ExecuteIfBound(Self, ResponseForCaller, bSucceeded);
			if (std::shared_ptr<FCurlHttpManager> Owner = Self->Manager.lock()) { Owner->ForgetRequest(Self.Get()); }
		});
	}

	void FCurlHttpRequest::UnbindDelegatesForShutdown()
	{
		CompleteDelegate.Unbind();
		ProgressDelegate.Unbind();
		HeaderDelegate.Unbind();
	}

	void FCurlHttpRequest::Deliver(TFunction<void()> Event)
	{
		std::shared_ptr<FCurlHttpManager> Owner = Manager.lock();
		if (ThreadPolicy.load() == EHttpRequestDelegateThreadPolicy::CompleteOnHttpThread && Owner && Owner->IsHttpThread())
		{
			Event();
			return;
		}
		if (Owner)
		{
			Owner->QueueGameThreadEvent(std::move(Event));
			return;
		}
		FTSTicker::GetCoreTicker().AddTicker(FTickerDelegate::CreateLambda([Event = std::move(Event)](float) {
			Event();
			return false;
		}));
	}
}
