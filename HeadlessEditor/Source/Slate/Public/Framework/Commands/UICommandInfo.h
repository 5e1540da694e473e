#pragma once
#include "CoreMinimal.h"
enum class EUserInterfaceActionType : uint8 { None = 0, Button = 1, ToggleButton = 2, RadioButton = 3, Check = 4, CollapsedButton = 5 };
class FUICommandInfo;
