// FDateTime: a point in time, in 100-nanosecond ticks since midnight, January 1, 0001.
#pragma once

#include "CoreTypes.h"
#include "Containers/UnrealString.h"
#include "Misc/Timespan.h"

struct FDateTime
{
	FDateTime() : Ticks(0) {}
	FDateTime(int64 InTicks) : Ticks(InTicks) {}
	CORE_API FDateTime(int32 Year, int32 Month, int32 Day, int32 Hour = 0, int32 Minute = 0, int32 Second = 0, int32 Millisecond = 0);

	FDateTime operator+(const FTimespan& Other) const { return FDateTime(Ticks + Other.GetTicks()); }
	FDateTime operator-(const FTimespan& Other) const { return FDateTime(Ticks - Other.GetTicks()); }
	FTimespan operator-(const FDateTime& Other) const { return FTimespan(Ticks - Other.Ticks); }
	bool operator==(const FDateTime& Other) const { return Ticks == Other.Ticks; }
	bool operator!=(const FDateTime& Other) const { return Ticks != Other.Ticks; }
	bool operator<(const FDateTime& Other) const { return Ticks < Other.Ticks; }
	bool operator>(const FDateTime& Other) const { return Ticks > Other.Ticks; }
	bool operator<=(const FDateTime& Other) const { return Ticks <= Other.Ticks; }
	bool operator>=(const FDateTime& Other) const { return Ticks >= Other.Ticks; }

	int64 GetTicks() const { return Ticks; }
	// Seconds since 1970-01-01 (UTC for a UTC time).
	CORE_API int64 ToUnixTimestamp() const;
	// "YYYY-MM-DDTHH:MM:SS.mmmZ".
	CORE_API FString ToIso8601() const;

	static FDateTime MinValue() { return FDateTime(0); }
	static CORE_API FDateTime UtcNow();
	static CORE_API FDateTime Now();
	static CORE_API FDateTime FromUnixTimestamp(int64 UnixTime);

private:
	int64 Ticks;
};
