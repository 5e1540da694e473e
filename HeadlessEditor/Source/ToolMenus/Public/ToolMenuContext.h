// The context a tool menu is shown in (the engine keeps the command lists, extenders and context
// objects of the menu's owner here). The headless editor shows no menus, so a context holds nothing.
#pragma once
#include "CoreMinimal.h"

struct TOOLMENUS_API FToolMenuContext
{
	FToolMenuContext() = default;
};
