// What the headless editor's main loop asks of a ticker, which the engine's FTSTicker does not
// offer: how many callbacks are live, when the next one is due, and a wake-up call when one is
// added (from any thread), so the loop can sleep in between.
#pragma once

#include "Containers/Ticker.h"

struct CORE_API FHeadlessTicker
{
	// Live callbacks of the ticker.
	static int32 GetNumTickers(const FTSTicker& Ticker);
	// Seconds until the next callback is due (0 when one is overdue); negative when there is none.
	static double GetSecondsUntilNextDue(const FTSTicker& Ticker);
	// Called after every AddTicker on any ticker, on the adding thread; an empty function clears it.
	static void SetOnTickerAdded(TFunction<void()> Callback);
};
