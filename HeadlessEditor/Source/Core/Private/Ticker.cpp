#include "Containers/Ticker.h"
#include "HAL/PlatformTime.h"
#include "TickerHost.h"

namespace
{
	std::mutex GOnAddedMutex;
	TFunction<void()> GOnTickerAdded;
}

FTSTicker::FTSTicker() : CurrentTime(FPlatformTime::Seconds()) {}
FTSTicker::~FTSTicker() = default;

FTSTicker& FTSTicker::GetCoreTicker()
{
	static FTSTicker Instance;
	return Instance;
}

void FHeadlessTicker::SetOnTickerAdded(TFunction<void()> Callback)
{
	std::lock_guard<std::mutex> Lock(GOnAddedMutex);
	GOnTickerAdded = std::move(Callback);
}

FTSTicker::FDelegateHandle FTSTicker::AddTicker(const FTickerDelegate& InDelegate, float InDelay)
{
	TSharedPtr<FElement> Element = MakeShared<FElement>();
	Element->Delegate = InDelegate;
	return AddElement(std::move(Element), InDelay);
}

FTSTicker::FDelegateHandle FTSTicker::AddTicker(const TCHAR* /*InName*/, float InDelay, TUniqueFunction<bool(float)>&& InFunction)
{
	TSharedPtr<FElement> Element = MakeShared<FElement>();
	Element->Function = std::move(InFunction);
	return AddElement(std::move(Element), InDelay);
}

FTSTicker::FDelegateHandle FTSTicker::AddElement(TSharedPtr<FElement> Element, float InDelay)
{
	Element->DelayTime = InDelay;
	{
		std::lock_guard<std::mutex> Lock(Mutex);
		// Counted from the last tick, so a zero delay fires on the next tick.
		Element->FireTime = CurrentTime + InDelay;
		Elements.push_back(Element);
	}
	{
		std::lock_guard<std::mutex> Lock(GOnAddedMutex);
		if (GOnTickerAdded) { GOnTickerAdded(); }
	}
	return FDelegateHandle(Element);
}

void FTSTicker::RemoveTicker(FDelegateHandle Handle)
{
	if (TSharedPtr<FElement> Element = Handle.Pin())
	{
		Element->bRemoved = true;
		// Waits for a run in progress on another thread, as the engine does (re-entrant for
		// a callback that removes itself).
		std::lock_guard<std::recursive_mutex> Wait(Element->RunMutex);
	}
}

void FTSTicker::Tick(float DeltaTime)
{
	std::vector<TSharedPtr<FElement>> Due;
	{
		std::lock_guard<std::mutex> Lock(Mutex);
		CurrentTime = FPlatformTime::Seconds();
		for (const TSharedPtr<FElement>& Element : Elements)
		{
			if (!Element->bRemoved && Element->FireTime <= CurrentTime) { Due.push_back(Element); }
		}
	}
	for (const TSharedPtr<FElement>& Element : Due)
	{
		std::lock_guard<std::recursive_mutex> RunLock(Element->RunMutex);
		if (Element->bRemoved) { continue; }
		const bool bKeep = Element->Function ? Element->Function(DeltaTime)
			: Element->Delegate.IsBound() && Element->Delegate.Execute(DeltaTime);
		if (bKeep) { Element->FireTime = FPlatformTime::Seconds() + Element->DelayTime; }
		else { Element->bRemoved = true; }
	}
	std::lock_guard<std::mutex> Lock(Mutex);
	std::erase_if(Elements, [](const TSharedPtr<FElement>& E) { return E->bRemoved.load(); });
}

void FTSTicker::Reset()
{
	std::lock_guard<std::mutex> Lock(Mutex);
	for (const TSharedPtr<FElement>& E : Elements) { E->bRemoved = true; }
	Elements.clear();
}

int32 FHeadlessTicker::GetNumTickers(const FTSTicker& Ticker)
{
	std::lock_guard<std::mutex> Lock(Ticker.Mutex);
	int32 Count = 0;
	for (const TSharedPtr<FTSTicker::FElement>& E : Ticker.Elements) { Count += E->bRemoved ? 0 : 1; }
	return Count;
}

double FHeadlessTicker::GetSecondsUntilNextDue(const FTSTicker& Ticker)
{
	std::lock_guard<std::mutex> Lock(Ticker.Mutex);
	double Next = -1.0;
	const double Now = FPlatformTime::Seconds();
	for (const TSharedPtr<FTSTicker::FElement>& E : Ticker.Elements)
	{
		if (E->bRemoved) { continue; }
		const double Wait = std::max(0.0, E->FireTime - Now);
		if (Next < 0.0 || Wait < Next) { Next = Wait; }
	}
	return Next;
}
