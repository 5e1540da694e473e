#pragma once

#include "CoreMinimal.h"
#include "Styling/SlateStyle.h"

// The toolbar's Slate style set, "MOLDARIStyle", with the two toggle icons from Resources/.
class FMOLDARIStyle
{
public:
	static void Initialize();
	static void Shutdown();
	static const ISlateStyle& Get();
	static FName GetStyleSetName();

private:
	static TSharedRef<FSlateStyleSet> Create();

	// Main thread only.
	static TSharedPtr<FSlateStyleSet> StyleInstance;
};
