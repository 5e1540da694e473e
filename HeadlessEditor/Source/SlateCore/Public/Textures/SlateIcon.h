#pragma once
#include "CoreMinimal.h"
#include "Styling/SlateBrush.h"

struct SLATECORE_API FSlateIcon
{
	FSlateIcon() = default;
	FSlateIcon(const FName InStyleSetName, const FName InStyleName, const FName InSmallStyleName = NAME_None, const FName InStatusOverlayStyleName = NAME_None);

	const FName& GetStyleSetName() const { return StyleSetName; }
	const FName& GetStyleName() const { return StyleName; }
	const FName& GetSmallStyleName() const { return SmallStyleName; }
	bool IsSet() const { return bIsSet; }
	// The brushes, looked up in the registered style set; null when it has none.
	const FSlateBrush* GetIcon() const;
	const FSlateBrush* GetSmallIcon() const;

private:
	FName StyleSetName;
	FName StyleName;
	FName SmallStyleName;
	FName StatusOverlayStyleName;
	bool bIsSet = false;
};
