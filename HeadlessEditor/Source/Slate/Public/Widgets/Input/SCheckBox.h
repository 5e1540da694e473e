// The check box widget's header. The stand-in draws no widgets: it has the delegate other
// declarations use, and not the widget.
#pragma once

#include "CoreMinimal.h"
#include "Styling/SlateTypes.h"

// Called with a check box's new state.
DECLARE_DELEGATE_OneParam(FOnCheckStateChanged, ECheckBoxState);
