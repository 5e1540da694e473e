#include "Misc/DateTime.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace
{
	// Ticks from 0001-01-01 to 1970-01-01.
	constexpr int64 UnixEpochTicks = 621355968000000000LL;
	constexpr int64 TicksPerSecond = 10000000LL;
}

FDateTime::FDateTime(int32 Year, int32 Month, int32 Day, int32 Hour, int32 Minute, int32 Second, int32 Millisecond)
{
	std::tm When{};
	When.tm_year = Year - 1900;
	When.tm_mon = Month - 1;
	When.tm_mday = Day;
	When.tm_hour = Hour;
	When.tm_min = Minute;
	When.tm_sec = Second;
	Ticks = UnixEpochTicks + static_cast<int64>(timegm(&When)) * TicksPerSecond + static_cast<int64>(Millisecond) * 10000;
}

int64 FDateTime::ToUnixTimestamp() const
{
	return (Ticks - UnixEpochTicks) / TicksPerSecond;
}

FDateTime FDateTime::FromUnixTimestamp(int64 UnixTime)
{
	return FDateTime(UnixEpochTicks + UnixTime * TicksPerSecond);
}

FDateTime FDateTime::UtcNow()
{
	const auto Since = std::chrono::system_clock::now().time_since_epoch();
	return FDateTime(UnixEpochTicks + std::chrono::duration_cast<std::chrono::microseconds>(Since).count() * 10);
}

FDateTime FDateTime::Now()
{
	const std::time_t Seconds = std::time(nullptr);
	std::tm Local{};
	localtime_r(&Seconds, &Local);
	return UtcNow() + FTimespan(static_cast<int64>(Local.tm_gmtoff) * TicksPerSecond);
}

FString FDateTime::ToIso8601() const
{
	const std::time_t Seconds = static_cast<std::time_t>(ToUnixTimestamp());
	std::tm Utc{};
	gmtime_r(&Seconds, &Utc);
	const int Millis = static_cast<int>(((Ticks - UnixEpochTicks) % TicksPerSecond) / 10000);
	char Text[96];
	std::snprintf(Text, sizeof(Text), "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", Utc.tm_year + 1900, Utc.tm_mon + 1, Utc.tm_mday, Utc.tm_hour, Utc.tm_min,
		Utc.tm_sec, Millis);
	return FString(Text);
}
