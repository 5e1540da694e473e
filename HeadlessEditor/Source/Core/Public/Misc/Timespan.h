#pragma once
#include <cmath>

#include "HAL/Platform.h"

// A span of time in ticks of 100 ns.
struct FTimespan
{
	FTimespan() = default;
	FTimespan(int64 InTicks) : Ticks(InTicks) {}
	FTimespan(int32 Hours, int32 Minutes, int32 Seconds) : FTimespan(0, Hours, Minutes, Seconds, 0) {}
	FTimespan(int32 Days, int32 Hours, int32 Minutes, int32 Seconds) : FTimespan(Days, Hours, Minutes, Seconds, 0) {}
	FTimespan(int32 Days, int32 Hours, int32 Minutes, int32 Seconds, int32 FractionNano)
		: Ticks(((((static_cast<int64>(Days) * 24 + Hours) * 60 + Minutes) * 60 + Seconds) * TicksPerSecond) + FractionNano / 100) {}

	// Rounded to the nearest tick, as the engine does.
	static FTimespan FromSeconds(double Seconds) { return FTimespan(static_cast<int64>(std::floor(Seconds * TicksPerSecond + 0.5))); }
	static FTimespan FromMilliseconds(double Ms) { return FTimespan(static_cast<int64>(std::floor(Ms * (TicksPerSecond / 1000) + 0.5))); }
	static FTimespan Zero() { return FTimespan(); }
	int64 GetTicks() const { return Ticks; }
	double GetTotalSeconds() const { return static_cast<double>(Ticks) / TicksPerSecond; }
	double GetTotalMilliseconds() const { return static_cast<double>(Ticks) / (TicksPerSecond / 1000); }
	bool IsZero() const { return Ticks == 0; }

	static constexpr int64 TicksPerSecond = 10000000;

private:
	int64 Ticks = 0;
};
