#pragma once
#include "HAL/Platform.h"

struct CORE_API FPlatformProcess
{
	// 0 gives up the rest of the time slice.
	static void Sleep(float Seconds);
	static void SleepNoStats(float Seconds) { Sleep(Seconds); }
	static uint32 GetCurrentProcessId();
	static const TCHAR* BaseDir();
};
using FGenericPlatformProcess = FPlatformProcess;
