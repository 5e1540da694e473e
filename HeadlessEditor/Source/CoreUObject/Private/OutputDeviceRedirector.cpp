#include "Misc/OutputDeviceRedirector.h"

#include "HeadlessEditorHost.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace
{
	struct FBufferedLine
	{
		FString Message;
		ELogVerbosity::Type Verbosity;
		FName Category;
	};

	// The logging thread and what it serves. Made once and never destroyed: the thread may still
	// run while the process leaves.
	struct FLogThreadState
	{
		std::mutex Mutex;
		std::condition_variable Wake;
		std::condition_variable Idle;
		std::deque<FBufferedLine> Queue;
		bool bDelivering = false;
		bool bStarted = false;
		int32 Listener = 0;
		std::vector<FOutputDevice*> BufferedDevices;
		// Held while lines are handed to buffered devices, so a device removed is never called again.
		std::mutex DeliveryMutex;
		// Devices that can be used from several threads: each has a listener called on the
		// logging thread of the line.
		std::map<FOutputDevice*, int32> DirectDevices;
	};

	FLogThreadState& LogThread()
	{
		static FLogThreadState* State = new FLogThreadState();
		return *State;
	}

	void DeliverBufferedLines()
	{
		FLogThreadState& S = LogThread();
		std::unique_lock<std::mutex> Lock(S.Mutex);
		for (;;)
		{
			S.Wake.wait(Lock, [&S] { return !S.Queue.empty(); });
			std::deque<FBufferedLine> Lines;
			Lines.swap(S.Queue);
			S.bDelivering = true;
			Lock.unlock();
			{
				std::lock_guard<std::mutex> Delivery(S.DeliveryMutex);
				std::vector<FOutputDevice*> Devices;
				{
					std::lock_guard<std::mutex> Guard(S.Mutex);
					Devices = S.BufferedDevices;
				}
				for (const FBufferedLine& Line : Lines)
				{
					for (FOutputDevice* Device : Devices) { Device->Serialize(*Line.Message, Line.Verbosity, Line.Category); }
				}
			}
			Lock.lock();
			S.bDelivering = false;
			S.Idle.notify_all();
		}
	}

	// Called with S.Mutex held.
	void StartLogThreadLocked(FLogThreadState& S)
	{
		if (S.bStarted) { return; }
		S.bStarted = true;
		S.Listener = UE::HeadlessEditor::AddLogListener([](const UE::HeadlessEditor::FLogLine& Line) {
			FLogThreadState& State = LogThread();
			{
				std::lock_guard<std::mutex> Guard(State.Mutex);
				if (State.BufferedDevices.empty()) { return; }
				State.Queue.push_back({ Line.Message, Line.Verbosity, Line.Category });
			}
			State.Wake.notify_one();
		});
		std::thread(DeliverBufferedLines).detach();
	}

	FOutputDeviceRedirector GLogRedirector;
}

void FOutputDeviceRedirector::AddOutputDevice(FOutputDevice* Device)
{
	if (!Device) { return; }
	FLogThreadState& S = LogThread();
	std::lock_guard<std::mutex> Lock(S.Mutex);
	if (S.DirectDevices.count(Device) || std::find(S.BufferedDevices.begin(), S.BufferedDevices.end(), Device) != S.BufferedDevices.end()) { return; }
	if (Device->CanBeUsedOnMultipleThreads())
	{
		S.DirectDevices[Device] = UE::HeadlessEditor::AddLogListener([Device](const UE::HeadlessEditor::FLogLine& Line) {
			Device->Serialize(*Line.Message, Line.Verbosity, Line.Category);
		});
		return;
	}
	StartLogThreadLocked(S);
	S.BufferedDevices.push_back(Device);
}

void FOutputDeviceRedirector::RemoveOutputDevice(FOutputDevice* Device)
{
	FLogThreadState& S = LogThread();
	int32 Listener = 0;
	{
		std::lock_guard<std::mutex> Lock(S.Mutex);
		auto It = S.DirectDevices.find(Device);
		if (It != S.DirectDevices.end())
		{
			Listener = It->second;
			S.DirectDevices.erase(It);
		}
	}
	if (Listener != 0)
	{
		UE::HeadlessEditor::RemoveLogListener(Listener);
		return;
	}
	// Waits for a delivery in progress, so the device is not called after this returns.
	std::lock_guard<std::mutex> Delivery(S.DeliveryMutex);
	std::lock_guard<std::mutex> Lock(S.Mutex);
	S.BufferedDevices.erase(std::remove(S.BufferedDevices.begin(), S.BufferedDevices.end(), Device), S.BufferedDevices.end());
}

bool FOutputDeviceRedirector::IsRedirectingTo(FOutputDevice* Device)
{
	FLogThreadState& S = LogThread();
	std::lock_guard<std::mutex> Lock(S.Mutex);
	return S.DirectDevices.count(Device) > 0 || std::find(S.BufferedDevices.begin(), S.BufferedDevices.end(), Device) != S.BufferedDevices.end();
}

void FOutputDeviceRedirector::FlushThreadedLogs(EOutputDeviceRedirectorFlushOptions Options)
{
	FLogThreadState& S = LogThread();
	std::unique_lock<std::mutex> Lock(S.Mutex);
	if (!S.bStarted) { return; }
	S.Wake.notify_one();
	if (EnumHasAnyFlags(Options, EOutputDeviceRedirectorFlushOptions::Async)) { return; }
	S.Idle.wait(Lock, [&S] { return S.Queue.empty() && !S.bDelivering; });
}

void FOutputDeviceRedirector::Flush()
{
	FlushThreadedLogs();
	std::vector<FOutputDevice*> Devices;
	{
		FLogThreadState& S = LogThread();
		std::lock_guard<std::mutex> Lock(S.Mutex);
		Devices = S.BufferedDevices;
		for (const auto& Entry : S.DirectDevices) { Devices.push_back(Entry.first); }
	}
	for (FOutputDevice* Device : Devices) { Device->Flush(); }
}

void FOutputDeviceRedirector::Serialize(const TCHAR* V, ELogVerbosity::Type Verbosity, const FName& Category)
{
	const FName Name = Category.IsNone() ? FName(TEXT("LogHeadlessEditor")) : Category;
	FMsg::LogLine(Name, Verbosity == ELogVerbosity::NoLogging ? ELogVerbosity::Log : Verbosity, FString(V ? V : TEXT("")));
}

FOutputDeviceRedirector* GLog = &GLogRedirector;
