// The HTTP thread: one curl multi handle drives every transfer. Other threads hand requests
// over through a locked list and wake the thread with curl_multi_wakeup; completions and
// progress for the game thread go through one queue that a one-shot core-ticker callback drains.
#include "CurlHttp.h"

#include <pthread.h>

#include "Containers/Ticker.h"
#include "CoreGlobals.h"

namespace UE::HeadlessEditor
{
	FCurlHttpManager::FCurlHttpManager() = default;

	FCurlHttpManager::~FCurlHttpManager()
	{
		if (Thread.joinable()) { Shutdown(); }
		if (Multi) { curl_multi_cleanup(Multi); }
	}

	bool FCurlHttpManager::Start()
	{
		Multi = curl_multi_init();
		if (!Multi)
		{
			UE_LOG(LogHttp, Error, TEXT("libcurl could not make a multi handle; every request will fail"));
			return false;
		}
		Thread = std::thread([this]() { Run(); });
		return true;
	}

	void FCurlHttpManager::Shutdown()
	{
		{
			std::lock_guard<std::mutex> Lock(PendingMutex);
			bAccepting = false;
		}
		{
			std::lock_guard<std::mutex> Lock(OutstandingMutex);
			if (!Outstanding.empty())
			{
				UE_LOG(LogHttp, Warning, TEXT("[FHttpManager::Shutdown] Unbinding delegates for %d outstanding Http Requests:"), static_cast<int32>(Outstanding.size()));
			}
			for (const TSharedPtr<FCurlHttpRequest>& Request : Outstanding)
			{
				UE_LOG(LogHttp, Warning, TEXT("\tverb=[%s] url=[%s] refs=[%d] status=%s"), *Request->GetVerb(), *Request->GetURL(),
					Request.GetSharedReferenceCount(), EHttpRequestStatus::ToString(Request->GetStatus()));
			}
		}
		// The HTTP thread unbinds the delegates of the transfers it still runs before it cancels
		// them, so no completion of theirs is delivered.
		bStopping = true;
		if (Multi) { curl_multi_wakeup(Multi); }
		if (Thread.joinable()) { Thread.join(); }
		// Completions queued for the game thread and not yet delivered are dropped the same way.
		std::vector<TSharedPtr<FCurlHttpRequest>> Left;
		{
			std::lock_guard<std::mutex> Lock(OutstandingMutex);
			Left.swap(Outstanding);
		}
		for (const TSharedPtr<FCurlHttpRequest>& Request : Left) { Request->UnbindDelegatesForShutdown(); }
		DrainGameThreadEvents();
		std::lock_guard<std::mutex> Lock(EventMutex);
		bDrainedForGood = true;
	}

	bool FCurlHttpManager::AddRequest(TSharedPtr<FCurlHttpRequest> Request)
	{
		{
			std::lock_guard<std::mutex> Lock(PendingMutex);
			if (!bAccepting || !Multi) { return false; }
			{
				std::lock_guard<std::mutex> OutstandingLock(OutstandingMutex);
				Outstanding.push_back(Request);
			}
			Pending.push_back(std::move(Request));
		}
		curl_multi_wakeup(Multi);
		return true;
	}

	void FCurlHttpManager::ForgetRequest(const FCurlHttpRequest* Request)
	{
		std::lock_guard<std::mutex> Lock(OutstandingMutex);
		for (size_t Index = 0; Index < Outstanding.size(); ++Index)
		{
			if (Outstanding[Index].Get() == Request)
			{
				Outstanding.erase(Outstanding.begin() + static_cast<std::ptrdiff_t>(Index));
				return;
			}
		}
	}

	void FCurlHttpManager::NotifyCancel()
	{
		++CancelGeneration;
		if (Multi) { curl_multi_wakeup(Multi); }
	}

	void FCurlHttpManager::QueueGameThreadEvent(TFunction<void()> Event)
	{
		bool bFirst = false;
		{
			std::lock_guard<std::mutex> Lock(EventMutex);
			if (!bDrainedForGood)
			{
				bFirst = GameThreadEvents.empty();
				GameThreadEvents.push_back(std::move(Event));
				Event = nullptr;
			}
		}
		if (Event)
		{
			// Shut down already: the ticker carries the event itself.
			FTSTicker::GetCoreTicker().AddTicker(FTickerDelegate::CreateLambda([Event](float) { Event(); return false; }));
			return;
		}
		if (!bFirst) { return; } // a drain is already on its way
		// The ticker holds only a weak reference: after shut-down the callback does nothing.
		std::weak_ptr<FCurlHttpManager> Weak = weak_from_this();
		FTSTicker::GetCoreTicker().AddTicker(FTickerDelegate::CreateLambda([Weak](float) {
			if (std::shared_ptr<FCurlHttpManager> Self = Weak.lock()) { Self->DrainGameThreadEvents(); }
			return false;
		}));
	}

	void FCurlHttpManager::DrainGameThreadEvents()
	{
		std::vector<TFunction<void()>> Events;
		{
			std::lock_guard<std::mutex> Lock(EventMutex);
			Events.swap(GameThreadEvents);
		}
		for (TFunction<void()>& Event : Events) { Event(); }
	}

	void FCurlHttpManager::Run()
	{
		ThreadId = std::this_thread::get_id();
		pthread_setname_np(pthread_self(), "HttpManager");
		while (true)
		{
			AddPending();
			const bool bStop = bStopping.load();
			CancelFlagged(bStop);
			if (bStop)
			{
				// Nothing can be added any more: the last AddPending took every request.
				AddPending();
				CancelFlagged(true);
				break;
			}
			int Running = 0;
			curl_multi_perform(Multi, &Running);
			CollectFinished();
			curl_multi_poll(Multi, nullptr, 0, HttpDefaults::PollTimeoutMs, nullptr);
		}
	}

	void FCurlHttpManager::AddPending()
	{
		std::vector<TSharedPtr<FCurlHttpRequest>> Taken;
		{
			std::lock_guard<std::mutex> Lock(PendingMutex);
			Taken.swap(Pending);
		}
		for (TSharedPtr<FCurlHttpRequest>& Request : Taken)
		{
			if (Request->IsCancelRequested())
			{
				Request->FinishTransfer(CURLE_ABORTED_BY_CALLBACK);
				continue;
			}
			CURL* Handle = Request->BeginTransfer(ModuleTimeoutSeconds.load());
			if (!Handle)
			{
				UE_LOG(LogHttp, Error, TEXT("libcurl could not make an easy handle; the request fails"));
				Request->FinishTransfer(CURLE_OUT_OF_MEMORY);
				continue;
			}
			const CURLMcode Added = curl_multi_add_handle(Multi, Handle);
			if (Added != CURLM_OK)
			{
				UE_LOG(LogHttp, Error, TEXT("libcurl refused a transfer (%s); the request fails"), ANSI_TO_TCHAR(curl_multi_strerror(Added)));
				Request->FinishTransfer(CURLE_FAILED_INIT);
				continue;
			}
			Active.emplace(Handle, Request);
		}
	}

	void FCurlHttpManager::CancelFlagged(bool bCancelAll)
	{
		const uint64 Generation = CancelGeneration.load();
		if (!bCancelAll && Generation == SeenCancelGeneration) { return; }
		SeenCancelGeneration = Generation;
		std::vector<CURL*> Stopped;
		for (const auto& Entry : Active)
		{
			if (bCancelAll)
			{
				// Shutting down: as the engine's manager does, the request lets go of its
				// delegates and its stream before it is cancelled.
				Entry.second->UnbindDelegatesForShutdown();
				Entry.second->bCancelRequested = true;
				Entry.second->StopPassingReceivedData();
			}
			if (Entry.second->IsCancelRequested()) { Stopped.push_back(Entry.first); }
		}
		for (CURL* Handle : Stopped) { FinishActive(Handle, CURLE_ABORTED_BY_CALLBACK); }
	}

	void FCurlHttpManager::CollectFinished()
	{
		int Queued = 0;
		while (CURLMsg* Message = curl_multi_info_read(Multi, &Queued))
		{
			if (Message->msg == CURLMSG_DONE) { FinishActive(Message->easy_handle, Message->data.result); }
		}
	}

	void FCurlHttpManager::FinishActive(CURL* Handle, CURLcode Result)
	{
		auto Found = Active.find(Handle);
		if (Found == Active.end()) { return; }
		TSharedPtr<FCurlHttpRequest> Request = Found->second;
		Active.erase(Found);
		curl_multi_remove_handle(Multi, Handle);
		Request->FinishTransfer(Result);
	}
}
