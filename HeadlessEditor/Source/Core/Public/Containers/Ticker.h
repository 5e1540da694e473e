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
public:
	struct FElement;
	typedef TWeakPtr<FElement> FDelegateHandle;

	FTSTicker();
	~FTSTicker();
	static FTSTicker& GetCoreTicker();

	FDelegateHandle AddTicker(const FTickerDelegate& InDelegate, float InDelay = 0.0f);
	FDelegateHandle AddTicker(const TCHAR* InName, float InDelay, TFunction<bool(float)> Function);
	static void RemoveTicker(FDelegateHandle Handle);
	void Tick(float DeltaTime);

	// Stand-in: number of live callbacks and the seconds until the next one is due (negative: none).
	int32 GetNumTickers() const;
	double GetSecondsUntilNextDue() const;
	// Stand-in: called after every AddTicker, from the adding thread (the main loop wakes on it).
	static void SetOnTickerAdded(TFunction<void()> Callback);

	struct FElement
	{
		double FireTime = 0.0;
		float DelayTime = 0.0f;
		FTickerDelegate Delegate;
		std::atomic<bool> bRemoved{ false };
		std::recursive_mutex RunMutex;
	};

private:
	mutable std::mutex Mutex;
	std::vector<TSharedPtr<FElement>> Elements;
	double CurrentTime = 0.0;
	bool bTicking = false;
};
