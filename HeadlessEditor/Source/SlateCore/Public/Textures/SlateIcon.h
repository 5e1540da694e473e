#pragma once
#include "CoreMinimal.h"
#include "Styling/SlateBrush.h"

class ISlateStyle;

struct SLATECORE_API FSlateIcon
{
	FSlateIcon() = default;
	// An omitted small style name is the style name with ".Small" appended.
	FSlateIcon(const FName InStyleSetName, const FName InStyleName, const FName InSmallStyleName = NAME_None, const FName InStatusOverlayStyleName = NAME_None);

	friend bool operator==(const FSlateIcon& A, const FSlateIcon& B)
	{
		return A.StyleSetName == B.StyleSetName && A.StyleName == B.StyleName && A.SmallStyleName == B.SmallStyleName
			&& A.StatusOverlayStyleName == B.StatusOverlayStyleName;
	}
	friend bool operator!=(const FSlateIcon& A, const FSlateIcon& B) { return !(A == B); }

	// The icon's brush in its registered style set; never null: the no-brush
	// (FStyleDefaults::GetNoBrush) when the set or the brush is missing.
	const FSlateBrush* GetIcon() const;
	// As GetIcon, but null instead of the no-brush.
	const FSlateBrush* GetOptionalIcon() const;
	// The small brush, or the icon's brush when the set has no small one; never null.
	const FSlateBrush* GetSmallIcon() const;
	const FSlateBrush* GetOptionalSmallIcon() const;

	const FName& GetSmallStyleName() const { return SmallStyleName; }
	const FName& GetStyleName() const { return StyleName; }
	// The registered style set of that name, or null.
	const ISlateStyle* GetStyleSet() const;
	const FName& GetStyleSetName() const { return StyleSetName; }
	// Both a style set and a style name are given.
	bool IsSet() const { return StyleSetName != NAME_None && StyleName != NAME_None; }

private:
	FName StyleSetName;
	FName StyleName;
	FName SmallStyleName;
	FName StatusOverlayStyleName;
};
