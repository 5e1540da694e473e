#pragma once
#include "CoreMinimal.h"
enum class EMultiBlockType : uint8 { None = 0, ButtonRow, EditableText, Heading, MenuEntry, Separator, ToolBarButton, ToolBarComboButton, Widget };
