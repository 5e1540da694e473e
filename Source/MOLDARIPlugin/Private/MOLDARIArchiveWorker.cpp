#include "MOLDARIArchiveWorker.h"

#include "HAL/Runnable.h"
#include "HAL/RunnableThread.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace
{
	struct FWork
	{
		TFunction<void()> Work;
		TFunction<void()> OnDropped;
	};

	// One thread, one queue: archives are read and written one at a time, so several imports
	// at once share the disk instead of fighting over it.
	class FArchiveWorker final : public FRunnable
	{
	public:
		bool Enqueue(FWork&& Work)
		{
			{
				std::lock_guard<std::mutex> Lock(Mutex);
				if (!bAccepting)
				{
					return false;
				}
				Queue.push_back(MoveTemp(Work));
			}
			WorkArrived.notify_one();
			return true;
		}

		void Start()
		{
			{
				std::lock_guard<std::mutex> Lock(Mutex);
				bAccepting = true;
				bStopping = false;
			}
			Thread = FRunnableThread::Create(this, TEXT("MOLDARIArchiveWorker"), 0, TPri_BelowNormal);
		}

		void StopAndDrop()
		{
			std::deque<FWork> Dropped;
			{
				std::lock_guard<std::mutex> Lock(Mutex);
				bAccepting = false;
				Dropped.swap(Queue);
			}
			if (Thread != nullptr)
			{
				Thread->Kill(true);
				delete Thread;
				Thread = nullptr;
			}
			for (FWork& Work : Dropped)
			{
				if (Work.OnDropped)
				{
					Work.OnDropped();
				}
			}
		}

		virtual uint32 Run() override
		{
			while (true)
			{
				FWork Next;
				{
					std::unique_lock<std::mutex> Lock(Mutex);
					WorkArrived.wait(Lock, [this]() { return bStopping || !Queue.empty(); });
					if (bStopping)
					{
						return 0;
					}
					Next = MoveTemp(Queue.front());
					Queue.pop_front();
				}
				Next.Work();
			}
		}

		virtual void Stop() override
		{
			{
				std::lock_guard<std::mutex> Lock(Mutex);
				bStopping = true;
			}
			WorkArrived.notify_one();
		}

	private:
		std::mutex Mutex;
		std::condition_variable WorkArrived;
		std::deque<FWork> Queue;   // guarded by Mutex
		bool bAccepting = false;   // guarded by Mutex
		bool bStopping = false;    // guarded by Mutex
		FRunnableThread* Thread = nullptr;   // main thread only
	};

	FArchiveWorker& Worker()
	{
		static FArchiveWorker Instance;
		return Instance;
	}
}

void MOLDARIArchiveWorker::Start()
{
	Worker().Start();
}

void MOLDARIArchiveWorker::Stop()
{
	Worker().StopAndDrop();
}

bool MOLDARIArchiveWorker::Enqueue(TFunction<void()> Work, TFunction<void()> OnDropped)
{
	return Worker().Enqueue(FWork{ MoveTemp(Work), MoveTemp(OnDropped) });
}
