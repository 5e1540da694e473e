#pragma once
#include "CoreMinimal.h"
#include "Framework/Commands/UIAction.h"

struct TOOLMENUS_API FToolUIActionChoice
{
	FToolUIActionChoice() = default;
	FToolUIActionChoice(const FUIAction& InAction) : Action(InAction), bHasAction(true) {}
	const FUIAction* GetUIAction() const { return bHasAction ? &Action : nullptr; }

private:
	FUIAction Action;
	bool bHasAction = false;
};
