#pragma once
#include "CoreMinimal.h"
#include "Styling/SlateBrush.h"

class SLATECORE_API ISlateStyle
{
public:
	virtual ~ISlateStyle() = default;
	virtual const FName& GetStyleSetName() const = 0;
	// Null when the style has no brush of that name.
	virtual const FSlateBrush* GetBrush(const FName PropertyName) const = 0;
	virtual const FString& GetContentRoot() const = 0;
};
