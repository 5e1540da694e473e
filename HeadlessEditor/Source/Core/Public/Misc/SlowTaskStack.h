// The open slow tasks of a feedback context, outermost first.
#pragma once

#include "CoreTypes.h"
#include "Containers/Array.h"

struct FSlowTask;

struct FSlowTaskStack : TArray<FSlowTask*>
{
	// Share of the work done, from the task at Index down to the innermost (0 gives the whole).
	CORE_API float GetProgressFraction(int32 Index) const;
};
