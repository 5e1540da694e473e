// The HTTP module's libcurl implementation: requests, responses and the manager that runs the
// HTTP thread. Only this module's Private files include curl.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include <curl/curl.h>

#include "CoreMinimal.h"
#include "HttpFwd.h"
#include "Interfaces/IHttpRequest.h"
#include "Interfaces/IHttpResponse.h"

namespace UE::HeadlessEditor
{
	// Defaults of every request (the module-wide total time limit is 0, none, unless set).
	namespace HttpDefaults
	{
		constexpr int32 MaxRedirects = 10;                 // redirects followed per request
		constexpr long ConnectTimeoutSeconds = 30;         // TCP and TLS connection set-up
		constexpr long ActivityTimeoutSeconds = 30;        // fail after this long without a byte moving
		constexpr int64 MaxBodyBytes = MAX_int32;          // the most a TArray<uint8> can hold
		constexpr int64 InitialBodyReserve = 64 * 1024;
		constexpr long ReceiveBufferBytes = 512 * 1024;    // libcurl's receive buffer (its default is 16 KiB)
		constexpr long StreamReceiveBufferBytes = 64 * 1024; // the engine's (CurlHttpManager.h), with a response stream
		constexpr int64 MaxUpfrontReserveBytes = 512 * 1024 * 1024; // largest announced length reserved at once
		constexpr int32 PollTimeoutMs = 1000;              // the HTTP thread's longest sleep
		const char* const AllowedProtocols = "http,https";
		const char* const UserAgent = "HeadlessEditor/5.5 libcurl";
	}

	class FCurlHttpManager;

	class FCurlHttpResponse final : public IHttpResponse
	{
	public:
		explicit FCurlHttpResponse(const FString& InURL) : URL(InURL) {}

		virtual FString GetURL() const override { return URL; }
		// As in the engine, the request's status when the response was made (Processing), then its
		// final one.
		virtual EHttpRequestStatus::Type GetStatus() const override { return CompletionStatus.load(); }
		virtual EHttpFailureReason GetFailureReason() const override { return FailureReason.load(); }
		virtual FString GetHeader(const FString& HeaderName) const override;
		virtual FString GetContentType() const override { return GetHeader(TEXT("Content-Type")); }
		virtual uint64 GetContentLength() const override;
		virtual const TArray<uint8>& GetContent() const override;
		virtual int32 GetResponseCode() const override { return ResponseCode.load(); }
		virtual FString GetContentAsString() const override;

		// HTTP thread only, while the transfer runs.
		void BeginHeaderBlock(int32 Code);
		void AddHeaderLine(const std::string& Name, const std::string& Value);
		// Appends body bytes; false when the body would outgrow a TArray.
		bool AppendBody(const uint8* Data, int64 Count);
		// Counts body bytes that went to the request's stream instead of the payload.
		void AddStreamed(int64 Count) { StreamedBytes += static_cast<uint64>(Count); }
		int64 GetBodySize() const { return Payload.Num(); }
		// Ends the transfer: the body becomes readable, or is released when the transfer failed.
		void Complete(bool bSucceeded, EHttpFailureReason Reason);

	private:
		const FString URL;
		std::atomic<int32> ResponseCode{ 0 };
		std::atomic<EHttpRequestStatus::Type> CompletionStatus{ EHttpRequestStatus::Processing };
		std::atomic<EHttpFailureReason> FailureReason{ EHttpFailureReason::None };
		std::atomic<uint64> AnnouncedLength{ 0 };   // Content-Length of the current header block
		std::atomic<bool> bHasAnnouncedLength{ false };
		std::atomic<bool> bBodyReady{ false };      // set once, after the last write to Payload
		std::atomic<uint64> StreamedBytes{ 0 };     // body bytes a response stream took
		mutable std::mutex HeaderMutex;
		std::vector<std::pair<std::string, std::string>> Headers; // guarded by HeaderMutex
		TArray<uint8> Payload;                      // HTTP thread until bBodyReady, then read-only
	};

	class FCurlHttpRequest final : public IHttpRequest
	{
	public:
		explicit FCurlHttpRequest(std::weak_ptr<FCurlHttpManager> InManager) : Manager(std::move(InManager)) {}
		virtual ~FCurlHttpRequest() override;

		// IHttpBase: the request's own URL, headers and (empty) body.
		virtual FString GetURL() const override;
		virtual FString GetHeader(const FString& HeaderName) const override;
		virtual FString GetContentType() const override { return GetHeader(TEXT("Content-Type")); }
		virtual uint64 GetContentLength() const override { return 0; }
		virtual const TArray<uint8>& GetContent() const override { return EmptyContent; }

		virtual FString GetVerb() const override;
		virtual void SetVerb(const FString& InVerb) override;
		virtual void SetURL(const FString& InURL) override;
		virtual void SetHeader(const FString& HeaderName, const FString& HeaderValue) override;
		virtual bool ProcessRequest() override;
		virtual void CancelRequest() override;
		virtual void SetTimeout(float InTimeoutSecs) override;
		virtual void ClearTimeout() override;
		virtual bool SetResponseBodyReceiveStream(TSharedRef<FArchive> Stream) override;
		virtual FHttpRequestCompleteDelegate& OnProcessRequestComplete() override { return CompleteDelegate; }
		virtual FHttpRequestProgressDelegate64& OnRequestProgress64() override { return ProgressDelegate; }
		virtual FHttpRequestHeaderReceivedDelegate& OnHeaderReceived() override { return HeaderDelegate; }
		virtual void SetDelegateThreadPolicy(EHttpRequestDelegateThreadPolicy InThreadPolicy) override { ThreadPolicy = InThreadPolicy; }
		virtual EHttpRequestDelegateThreadPolicy GetDelegateThreadPolicy() const override { return ThreadPolicy.load(); }
		virtual const FHttpResponsePtr GetResponse() const override;
		virtual EHttpRequestStatus::Type GetStatus() const override { return Status.load(); }
		virtual EHttpFailureReason GetFailureReason() const override { return FailureReason.load(); }

		// HTTP thread: builds the curl handle for this run; nullptr when curl refuses the settings.
		CURL* BeginTransfer(float ModuleTimeoutSeconds);
		// HTTP thread: releases the handle and delivers the completion.
		void FinishTransfer(CURLcode Result);
		bool IsCancelRequested() const { return bCancelRequested.load(); }
		// Any thread: drops the response stream, waiting for a piece being handed to it.
		void StopPassingReceivedData();
		// The module's shut-down: the caller's delegates are let go, so none is called after it
		// (the engine's request does the same; its callers' code may be gone).
		void UnbindDelegatesForShutdown();

	private:
		static size_t OnWrite(char* Data, size_t Size, size_t Count, void* UserData);
		static size_t OnHeader(char* Data, size_t Size, size_t Count, void* UserData);
		static int OnTransferInfo(void* UserData, curl_off_t DownloadTotal, curl_off_t DownloadNow, curl_off_t UploadTotal, curl_off_t UploadNow);

		// HTTP thread: hands a piece of the body to the response stream; false when there is no
		// stream any more or the stream has an error after it.
		bool PassReceivedDataToStream(void* Data, int64 Length);
		void ReportProgress();
		void ReportHeader(const std::string& Line);
		void DeliverProgress(uint64 RunId);
		void Deliver(TFunction<void()> Event);
		bool IsRedirectToFollow(int32 Code) const;

		const std::weak_ptr<FCurlHttpManager> Manager;
		static const TArray<uint8> EmptyContent;

		// Settings: any thread, guarded by SettingsMutex.
		mutable std::mutex SettingsMutex;
		FString Verb = TEXT("GET");
		FString URL;
		TArray<TPair<FString, FString>> RequestHeaders;
		float TimeoutSeconds = 0.0f;
		bool bHasTimeout = false;
		std::atomic<EHttpRequestDelegateThreadPolicy> ThreadPolicy{ EHttpRequestDelegateThreadPolicy::CompleteOnGameThread };
		FHttpRequestCompleteDelegate CompleteDelegate;   // bound before ProcessRequest
		FHttpRequestProgressDelegate64 ProgressDelegate;
		FHttpRequestHeaderReceivedDelegate HeaderDelegate;

		// The response stream: set from any thread, used on the HTTP thread under StreamMutex,
		// which is recursive because a cancel may come from inside the stream's own call.
		std::recursive_mutex StreamMutex;
		TSharedPtr<FArchive> ResponseBodyReceiveStream;  // guarded by StreamMutex
		std::atomic<bool> bInitializedWithValidStream{ false }; // once set, the body never goes to the payload

		// The current run: started under SettingsMutex, then owned by the HTTP thread.
		std::atomic<EHttpRequestStatus::Type> Status{ EHttpRequestStatus::NotStarted };
		std::atomic<EHttpFailureReason> FailureReason{ EHttpFailureReason::None };
		std::atomic<bool> bCancelRequested{ false };   // any thread
		std::atomic<uint64> CurrentRunId{ 0 };
		TSharedPtr<FCurlHttpResponse> Response;        // guarded by SettingsMutex
		TSharedPtr<FCurlHttpResponse> ActiveResponse;  // HTTP thread only
		bool bHeadersFinal = false;                    // HTTP thread only
		bool bBodyTooLarge = false;                    // HTTP thread only
		int32 RedirectsSoFar = 0;                      // HTTP thread only
		CURL* Easy = nullptr;                          // HTTP thread only
		curl_slist* HeaderList = nullptr;              // HTTP thread only
		std::atomic<uint64> BytesSent{ 0 };
		std::atomic<uint64> BytesReceived{ 0 };
		std::atomic<bool> bProgressQueued{ false };    // a game-thread progress event is pending
		uint64 LastReportedSent = 0;                   // delivering thread only
		uint64 LastReportedReceived = 0;               // delivering thread only
		char ErrorBuffer[CURL_ERROR_SIZE] = {};

		friend class FCurlHttpManager;
	};

	// Owns the HTTP thread and its curl multi handle, and the queue of events for the game thread.
	class FCurlHttpManager final : public std::enable_shared_from_this<FCurlHttpManager>
	{
	public:
		FCurlHttpManager();
		~FCurlHttpManager();

		bool Start();
		// As the engine's manager: warns of the requests whose completion has not been delivered
		// and unbinds their delegates, then cancels every request in flight and joins the HTTP
		// thread. None of those requests' delegates is called afterwards.
		void Shutdown();

		// Any thread: hands a started request to the HTTP thread; false once shutting down.
		bool AddRequest(TSharedPtr<FCurlHttpRequest> Request);
		// Any thread: makes the HTTP thread look at cancel flags now.
		void NotifyCancel();
		// Any thread: the request's completion has been delivered; it is no longer outstanding.
		void ForgetRequest(const FCurlHttpRequest* Request);
		// Any thread: runs Event on the thread that ticks the core ticker.
		void QueueGameThreadEvent(TFunction<void()> Event);
		bool IsHttpThread() const { return std::this_thread::get_id() == ThreadId.load(); }

		std::atomic<float> ModuleTimeoutSeconds{ 0.0f };

	private:
		void Run();
		void AddPending();
		void CancelFlagged(bool bCancelAll);
		void CollectFinished();
		void FinishActive(CURL* Handle, CURLcode Result);
		void DrainGameThreadEvents();

		CURLM* Multi = nullptr;
		std::thread Thread;
		std::atomic<std::thread::id> ThreadId{};
		std::atomic<bool> bStopping{ false };
		std::atomic<uint64> CancelGeneration{ 0 };
		uint64 SeenCancelGeneration = 0;               // HTTP thread only

		std::mutex PendingMutex;
		std::vector<TSharedPtr<FCurlHttpRequest>> Pending;   // guarded by PendingMutex
		bool bAccepting = true;                               // guarded by PendingMutex
		std::unordered_map<CURL*, TSharedPtr<FCurlHttpRequest>> Active; // HTTP thread only

		// Requests handed over whose completion has not been delivered yet.
		std::mutex OutstandingMutex;
		std::vector<TSharedPtr<FCurlHttpRequest>> Outstanding;  // guarded by OutstandingMutex

		std::mutex EventMutex;
		std::vector<TFunction<void()>> GameThreadEvents;     // guarded by EventMutex
		bool bDrainedForGood = false;                        // guarded by EventMutex
	};

	// Translation of a finished curl transfer into the engine's success flag and failure reason.
	void TranslateCurlResult(CURLcode Result, bool bCancelled, bool bBodyTooLarge, bool& bOutSucceeded, EHttpFailureReason& OutReason);
}
