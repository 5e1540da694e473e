// The core ticker: callbacks that the main thread runs from its tick. Adding and removing are
// safe from any thread; a callback returns true to run again after its delay, false to stop.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "HAL/Platform.h"
#include "Templates/SharedPointer.h"
#include "Templates/Function.h"
#include "Delegates/Delegate.h"

DECLARE_DELEGATE_RetVal_OneParam(bool, FTickerDelegate, float);

class CORE_API FTSTicker
{
private:
	struct FElement;

public:
	using FDelegateHandle = TWeakPtr<FElement>;

	FTSTicker();
	~FTSTicker();
	static FTSTicker& GetCoreTicker();

	FDelegateHandle AddTicker(const FTickerDelegate& InDelegate, float InDelay = 0.0f);
	FDelegateHandle AddTicker(const TCHAR* InName, float InDelay, TUniqueFunction<bool(float)>&& InFunction);
	static void RemoveTicker(FDelegateHandle Handle);
	void Tick(float DeltaTime);
	// Forgets every callback.
	void Reset();

private:
	// The main loop's view of the ticker (Core/Host/TickerHost.h).
	friend struct FHeadlessTicker;

	struct FElement
	{
		double FireTime = 0.0;
		float DelayTime = 0.0f;
		FTickerDelegate Delegate;
		TUniqueFunction<bool(float)> Function;
		std::atomic<bool> bRemoved{ false };
		std::recursive_mutex RunMutex;
	};

	FDelegateHandle AddElement(TSharedPtr<FElement> Element, float InDelay);

	mutable std::mutex Mutex;
	std::vector<TSharedPtr<FElement>> Elements;
	double CurrentTime = 0.0;
	bool bTicking = false;
};
