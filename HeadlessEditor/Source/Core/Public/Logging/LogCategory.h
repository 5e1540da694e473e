#pragma once
#include "HAL/Platform.h"
#include "Logging/LogVerbosity.h"
#include "UObject/NameTypes.h"

struct CORE_API FLogCategoryBase
{
	FLogCategoryBase(const TCHAR* CategoryName, ELogVerbosity::Type InDefaultVerbosity);
	const FName& GetCategoryName() const { return CategoryName; }
	ELogVerbosity::Type GetVerbosity() const { return Verbosity; }
	void SetVerbosity(ELogVerbosity::Type NewVerbosity) { Verbosity = NewVerbosity; }
	bool IsSuppressed(ELogVerbosity::Type VerbosityLevel) const { return (VerbosityLevel & ELogVerbosity::VerbosityMask) > Verbosity; }

private:
	FName CategoryName;
	ELogVerbosity::Type Verbosity;
};
