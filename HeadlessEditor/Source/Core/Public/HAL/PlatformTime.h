#pragma once
#include "HAL/Platform.h"

struct CORE_API FPlatformTime
{
	// Monotonic seconds since an arbitrary origin.
	static double Seconds();
	// The monotonic clock as the engine's Linux build counts cycles: Cycles in microseconds
	// (wrapping at 32 bits), Cycles64 in 100-nanosecond units.
	static uint32 Cycles();
	static uint64 Cycles64();
	static double GetSecondsPerCycle() { return 1e-6; }
	static double GetSecondsPerCycle64() { return 1e-7; }
	static float ToMilliseconds(const uint32 Cycles) { return static_cast<float>(GetSecondsPerCycle() * 1000.0 * Cycles); }
	static float ToSeconds(const uint32 Cycles) { return static_cast<float>(GetSecondsPerCycle() * Cycles); }
	static double ToMilliseconds64(const uint64 Cycles) { return ToSeconds64(Cycles) * 1000.0; }
	static double ToSeconds64(const uint64 Cycles) { return GetSecondsPerCycle64() * static_cast<double>(Cycles); }
};
using FGenericPlatformTime = FPlatformTime;
