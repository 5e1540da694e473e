// An HTTP request. Made by FHttpModule::Get().CreateRequest(); safe to create, start and cancel
// from any thread. The module holds a started request until its completion delegate has run.
#pragma once

#include "CoreMinimal.h"
#include "HttpFwd.h"
#include "Interfaces/IHttpBase.h"
#include "Interfaces/IHttpResponse.h"

// Runs once per ProcessRequest, whatever the outcome. bConnectedSuccessfully is true whenever a
// whole response arrived (any status, 404 and 500 included); false on connection failure,
// time-out or cancel, and then the response may be null.
using FHttpRequestCompleteDelegate = TTSDelegate<void(FHttpRequestPtr /*Request*/, FHttpResponsePtr /*Response*/, bool /*bConnectedSuccessfully*/)>;
// Running totals of the current transfer; BytesReceived counts body bytes of the final response.
using FHttpRequestProgressDelegate64 = TTSDelegate<void(FHttpRequestPtr /*Request*/, uint64 /*BytesSent*/, uint64 /*BytesReceived*/)>;
// One header line of a response (not of a redirect), as it arrives: the name as sent, the value
// without its leading blanks.
using FHttpRequestHeaderReceivedDelegate = TTSDelegate<void(FHttpRequestPtr /*Request*/, const FString& /*HeaderName*/, const FString& /*NewHeaderValue*/)>;

// Takes Length bytes of a response body at Ptr; false refuses them, which fails the request.
using FHttpRequestStreamDelegate = TTSDelegate<bool(void* /*Ptr*/, int64 /*Length*/)>;
// Takes InOutLength bytes of a response body at Ptr. Leaving InOutLength as it came accepts them;
// changing it (0 on an error) refuses them, which fails the request.
using FHttpRequestStreamDelegateV2 = TTSDelegate<void(void* /*Ptr*/, int64& /*InOutLength*/)>;

// An archive that hands what is serialised into it to a stream delegate; a refusal, or no
// delegate, sets its error.
class UE_DEPRECATED(5.5, "FArchiveWithDelegate is deprecated and will become internal to the HTTP module") FArchiveWithDelegate final : public FArchive
{
public:
	FArchiveWithDelegate(FHttpRequestStreamDelegate InStreamDelegate)
		: StreamDelegate(InStreamDelegate)
	{
	}

	virtual void Serialize(void* V, int64 Length) override
	{
		if (!StreamDelegate.IsBound() || !StreamDelegate.Execute(V, Length)) { SetError(); }
	}

private:
	FHttpRequestStreamDelegate StreamDelegate;
};

enum class EHttpRequestDelegateThreadPolicy : uint8
{
	// Delegates run on the thread that ticks the core ticker (the game thread).
	CompleteOnGameThread = 0,
	// Delegates run on the HTTP thread as soon as the event happens.
	CompleteOnHttpThread,
};

class HTTP_API IHttpRequest : public IHttpBase, public TSharedFromThis<IHttpRequest, ESPMode::ThreadSafe>
{
public:
	virtual FString GetVerb() const = 0;
	// GET when never set.
	virtual void SetVerb(const FString& Verb) = 0;
	virtual void SetURL(const FString& URL) = 0;
	virtual void SetHeader(const FString& HeaderName, const FString& HeaderValue) = 0;

	// Starts the transfer. False when it cannot start (no URL, a scheme other than http or
	// https, already in flight); unless it was already in flight, the completion delegate
	// still runs once, with failure.
	virtual bool ProcessRequest() = 0;
	// Stops a request in flight; its completion delegate runs with failure. In flight or not, the
	// request lets go of its response stream.
	virtual void CancelRequest() = 0;

	// Sends the response body to Stream instead of keeping it: the response's GetContent() stays
	// empty. Stream->Serialize runs on the HTTP thread, once per piece curl hands over, the body
	// of any status included; an error on the archive after a piece fails the request. The
	// request holds the stream until it is destroyed or cancelled. Always true.
	virtual bool SetResponseBodyReceiveStream(TSharedRef<FArchive> Stream) = 0;
	// The same through a delegate that answers true to take each piece.
	UE_DEPRECATED(5.5, "SetResponseBodyReceiveStreamDelegate is deprecated; use SetResponseBodyReceiveStreamDelegateV2")
	HTTP_API bool SetResponseBodyReceiveStreamDelegate(FHttpRequestStreamDelegate StreamDelegate);
	// The same through a delegate that leaves the length it is given to take each piece (an
	// unbound delegate takes and drops every piece).
	HTTP_API bool SetResponseBodyReceiveStreamDelegateV2(FHttpRequestStreamDelegateV2 StreamDelegate);

	// A total time limit for this request, overriding the module-wide one.
	virtual void SetTimeout(float InTimeoutSecs) = 0;
	virtual void ClearTimeout() = 0;

	virtual FHttpRequestCompleteDelegate& OnProcessRequestComplete() = 0;
	virtual FHttpRequestProgressDelegate64& OnRequestProgress64() = 0;
	virtual FHttpRequestHeaderReceivedDelegate& OnHeaderReceived() = 0;
	virtual void SetDelegateThreadPolicy(EHttpRequestDelegateThreadPolicy InThreadPolicy) = 0;
	virtual EHttpRequestDelegateThreadPolicy GetDelegateThreadPolicy() const = 0;

	virtual const FHttpResponsePtr GetResponse() const = 0;
};
