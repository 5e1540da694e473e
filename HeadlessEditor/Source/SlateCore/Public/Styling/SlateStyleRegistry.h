#pragma once
#include "Styling/ISlateStyle.h"

class SLATECORE_API FSlateStyleRegistry
{
public:
	static void RegisterSlateStyle(const ISlateStyle& InSlateStyle);
	static void UnRegisterSlateStyle(const ISlateStyle& InSlateStyle);
	static void UnRegisterSlateStyle(const FName StyleSetName);
	static const ISlateStyle* FindSlateStyle(const FName& InSlateStyleName);
	// Calls Iter for each registered style set, in registration order, until it returns false;
	// true when every call returned true.
	static bool IterateAllStyles(const TFunctionRef<bool(const ISlateStyle&)>& Iter);
};
