#pragma once
#include "CoreMinimal.h"
#include "Styling/SlateBrush.h"
#include "Styling/StyleDefaults.h"

class SLATECORE_API ISlateStyle
{
public:
	virtual ~ISlateStyle() = default;
	virtual const FName& GetStyleSetName() const = 0;
	// The style's default brush when it has none of that name, with a warning on LogSlateStyle the
	// first time each missing name is asked for (Specifier, when given, is joined to the name with
	// a '.').
	virtual const FSlateBrush* GetBrush(const FName PropertyName, const ANSICHAR* Specifier = nullptr, const ISlateStyle* RequestingStyle = nullptr) const = 0;
	// As GetBrush, but DefaultBrush (the no-brush unless given) when the style has none of that
	// name, and nothing is logged.
	virtual const FSlateBrush* GetOptionalBrush(const FName PropertyName, const ANSICHAR* Specifier = nullptr,
		const FSlateBrush* const DefaultBrush = FStyleDefaults::GetNoBrush()) const = 0;
	virtual FSlateBrush* GetDefaultBrush() const = 0;
	// The folder the style's images are under.
	virtual FString GetContentRootDir() const = 0;
};
