// Defaults that styles fall back to.
#pragma once
#include "CoreMinimal.h"

struct FSlateBrush;

class SLATECORE_API FStyleDefaults
{
public:
	// The one brush that draws nothing (an FSlateNoResource); compare pointers to recognise it.
	static const FSlateBrush* GetNoBrush();
};
