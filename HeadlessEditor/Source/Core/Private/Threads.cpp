// FRunnableThread over std::thread, and the platform's time and sleep.
#include "HAL/RunnableThread.h"
#include "HAL/PlatformTime.h"
#include "HAL/PlatformProcess.h"
#include "HeadlessString.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace
{
	int NiceValueFor(EThreadPriority Priority)
	{
		switch (Priority)
		{
		case TPri_BelowNormal: return 5;
		case TPri_SlightlyBelowNormal: return 2;
		case TPri_Lowest: return 10;
		default: return 0; // raising priority needs privileges; keep the default
		}
	}

	class FRunnableThreadPosix final : public FRunnableThread
	{
	public:
		bool Start(FRunnable* InRunnable, const TCHAR* InName, EThreadPriority InPriority)
		{
			Runnable = InRunnable;
			ThreadName = InName ? InName : TEXT("Unnamed");
			ThreadPriority = InPriority;
			// Shared, so the new thread may finish signalling after Start has returned.
			auto Initialised = std::make_shared<std::promise<void>>();
			std::future<void> InitDone = Initialised->get_future();
			Thread = std::thread([this, Initialised]() { Main(*Initialised); });
			// The engine returns only once Init has run on the new thread.
			InitDone.wait();
			return true;
		}

		bool Kill(bool bShouldWait) override
		{
			if (Runnable) { Runnable->Stop(); }
			if (bShouldWait) { WaitForCompletion(); }
			return true;
		}

		void WaitForCompletion() override
		{
			if (Thread.joinable() && Thread.get_id() != std::this_thread::get_id()) { Thread.join(); }
		}

		void SetThreadPriority(EThreadPriority NewPriority) override
		{
			ThreadPriority = NewPriority;
			const pid_t Tid = NativeTid.load();
			if (Tid != 0) { setpriority(PRIO_PROCESS, static_cast<id_t>(Tid), NiceValueFor(NewPriority)); }
		}

		~FRunnableThreadPosix() override
		{
			if (Thread.joinable()) { Kill(true); }
		}

	private:
		void Main(std::promise<void>& Initialised)
		{
			const pid_t Tid = static_cast<pid_t>(syscall(SYS_gettid));
			NativeTid = Tid;
			ThreadID = static_cast<uint32>(Tid);
			pthread_setname_np(pthread_self(), UE::HeadlessEditor::ToUtf8(ThreadName).substr(0, 15).c_str());
			setpriority(PRIO_PROCESS, static_cast<id_t>(Tid), NiceValueFor(ThreadPriority));

			const bool bInitialised = Runnable->Init();
			Initialised.set_value();
			if (bInitialised)
			{
				Runnable->Run();
				Runnable->Exit();
			}
		}

		FRunnable* Runnable = nullptr;
		std::thread Thread;
		std::atomic<pid_t> NativeTid{ 0 };
	};
}

FRunnableThread* FRunnableThread::Create(FRunnable* InRunnable, const TCHAR* ThreadName, uint32 /*InStackSize*/,
	EThreadPriority InThreadPri, uint64 /*InThreadAffinityMask*/, EThreadCreateFlags /*InCreateFlags*/)
{
	if (!InRunnable) { return nullptr; }
	auto* Thread = new FRunnableThreadPosix();
	Thread->Start(InRunnable, ThreadName, InThreadPri);
	return Thread;
}

double FPlatformTime::Seconds()
{
	timespec Now;
	clock_gettime(CLOCK_MONOTONIC, &Now);
	return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) * 1e-9;
}

uint64 FPlatformTime::Cycles64()
{
	timespec Now;
	clock_gettime(CLOCK_MONOTONIC, &Now);
	return static_cast<uint64>(Now.tv_sec) * 10000000ull + static_cast<uint64>(Now.tv_nsec) / 100ull;
}

uint32 FPlatformTime::Cycles()
{
	timespec Now;
	clock_gettime(CLOCK_MONOTONIC, &Now);
	return static_cast<uint32>(static_cast<uint64>(Now.tv_sec) * 1000000ull + static_cast<uint64>(Now.tv_nsec) / 1000ull);
}

void FPlatformProcess::Sleep(float Seconds)
{
	if (Seconds <= 0.0f)
	{
		sched_yield();
		return;
	}
	timespec Request;
	Request.tv_sec = static_cast<time_t>(Seconds);
	Request.tv_nsec = static_cast<long>((Seconds - static_cast<float>(Request.tv_sec)) * 1e9f);
	while (nanosleep(&Request, &Request) == -1 && errno == EINTR) {}
}

uint32 FPlatformProcess::GetCurrentProcessId() { return static_cast<uint32>(getpid()); }

const TCHAR* FPlatformProcess::BaseDir()
{
	static const FString Dir = []() {
		char Buffer[4096];
		const ssize_t Count = readlink("/proc/self/exe", Buffer, sizeof(Buffer) - 1);
		std::string Path = Count > 0 ? std::string(Buffer, static_cast<size_t>(Count)) : std::string("./");
		Path = Path.substr(0, Path.find_last_of('/') + 1);
		return FString(Path.c_str());
	}();
	return *Dir;
}
