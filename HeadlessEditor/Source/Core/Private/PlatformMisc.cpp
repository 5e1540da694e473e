#include "HAL/PlatformMisc.h"

#include <cstdlib>

#include "Containers/StringConv.h"

FString FPlatformMisc::GetEnvironmentVariable(const TCHAR* VariableName)
{
	const FTCHARToUTF8 Name(VariableName);
	const char* Value = std::getenv(Name.Get());
	if (!Value)
	{
		return FString();
	}
	const FUTF8ToTCHAR Converted(Value);
	return FString(Converted.Length(), Converted.Get());
}
