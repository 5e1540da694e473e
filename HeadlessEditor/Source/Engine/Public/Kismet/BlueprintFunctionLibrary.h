// UBlueprintFunctionLibrary: the base of classes that only hold static functions.
#pragma once

#include "UObject/Object.h"

class ENGINE_API UBlueprintFunctionLibrary : public UObject
{
	DECLARE_HEADLESS_CLASS(UBlueprintFunctionLibrary, UObject)
};
