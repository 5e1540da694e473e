#pragma once
#include "Styling/ISlateStyle.h"

class SLATECORE_API FSlateStyleRegistry
{
public:
	static void RegisterSlateStyle(const ISlateStyle& InSlateStyle);
	static void UnRegisterSlateStyle(const ISlateStyle& InSlateStyle);
	static void UnRegisterSlateStyle(const FName StyleSetName);
	static const ISlateStyle* FindSlateStyle(const FName& InSlateStyleName);
	// Stand-in: the names of every registered style set, in registration order.
	static TArray<FName> GetRegisteredStyleNames();
};
