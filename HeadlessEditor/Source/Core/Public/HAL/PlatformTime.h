#pragma once
#include "HAL/Platform.h"

struct CORE_API FPlatformTime
{
	// Monotonic seconds since an arbitrary origin.
	static double Seconds();
	// Microseconds of the monotonic clock, as the engine's Linux build counts cycles.
	static uint32 Cycles();
	static uint64 Cycles64();
	static double GetSecondsPerCycle() { return 1e-6; }
	static double GetSecondsPerCycle64() { return 1e-6; }
	static double ToMilliseconds(uint32 Cycles) { return Cycles * 1e-3; }
	static double ToSeconds(uint32 Cycles) { return Cycles * 1e-6; }
};
using FGenericPlatformTime = FPlatformTime;
