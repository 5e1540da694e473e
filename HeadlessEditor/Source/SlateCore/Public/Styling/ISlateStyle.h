#pragma once
#include "CoreMinimal.h"
#include "Styling/SlateBrush.h"

class SLATECORE_API ISlateStyle
{
public:
	virtual ~ISlateStyle() = default;
	virtual const FName& GetStyleSetName() const = 0;
	// The style's default brush when it has none of that name (Specifier, when given, is joined
	// to the name with a '.').
	virtual const FSlateBrush* GetBrush(const FName PropertyName, const ANSICHAR* Specifier = nullptr, const ISlateStyle* RequestingStyle = nullptr) const = 0;
	// As GetBrush, but DefaultBrush when the style has none of that name.
	virtual const FSlateBrush* GetOptionalBrush(const FName PropertyName, const ANSICHAR* Specifier = nullptr, const FSlateBrush* const DefaultBrush = nullptr) const = 0;
	virtual FSlateBrush* GetDefaultBrush() const = 0;
	virtual const FString& GetContentRoot() const = 0;
};
