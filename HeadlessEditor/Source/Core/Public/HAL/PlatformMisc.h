// Platform queries the plugin uses (HAL/PlatformMisc.h in the engine).
#pragma once

#include "HAL/Platform.h"
#include "Containers/UnrealString.h"

struct CORE_API FPlatformMisc
{
	// The variable's value, or an empty string when it is not set.
	static FString GetEnvironmentVariable(const TCHAR* VariableName);
};
using FGenericPlatformMisc = FPlatformMisc;
