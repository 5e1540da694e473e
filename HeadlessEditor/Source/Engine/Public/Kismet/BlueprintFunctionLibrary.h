// UBlueprintFunctionLibrary: the base of classes that only hold static functions.
#pragma once

#include "UObject/Object.h"

class ENGINE_API UBlueprintFunctionLibrary : public UObject
{
	DECLARE_CLASS(UBlueprintFunctionLibrary, UObject, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)
};
