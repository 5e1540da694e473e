#pragma once
#include "CoreMinimal.h"
#include "Misc/Optional.h"
#include "ToolMenuContext.h"
#include "Framework/Commands/UIAction.h"

DECLARE_DELEGATE_OneParam(FToolMenuExecuteAction, const FToolMenuContext&);
DECLARE_DELEGATE_RetVal_OneParam(bool, FToolMenuCanExecuteAction, const FToolMenuContext&);
DECLARE_DELEGATE_RetVal_OneParam(bool, FToolMenuIsActionChecked, const FToolMenuContext&);
DECLARE_DELEGATE_RetVal_OneParam(ECheckBoxState, FToolMenuGetActionCheckState, const FToolMenuContext&);
DECLARE_DELEGATE_RetVal_OneParam(bool, FToolMenuIsActionButtonVisible, const FToolMenuContext&);

// An action whose delegates receive the menu's context.
struct TOOLMENUS_API FToolUIAction
{
	FToolUIAction() = default;
	FToolUIAction(const FToolMenuExecuteAction& InExecuteAction) : ExecuteAction(InExecuteAction) {}

	FToolMenuExecuteAction ExecuteAction;
	FToolMenuCanExecuteAction CanExecuteAction;
	FToolMenuGetActionCheckState GetActionCheckState;
	FToolMenuIsActionButtonVisible IsActionVisibleDelegate;
};

// An entry's action: a plain UI action or one that receives the menu's context (at most one of each).
struct TOOLMENUS_API FToolUIActionChoice
{
	FToolUIActionChoice() = default;
	FToolUIActionChoice(const FUIAction& InAction) : Action(InAction) {}
	FToolUIActionChoice(const FExecuteAction& InExecuteAction) : Action(FUIAction(InExecuteAction)) {}
	FToolUIActionChoice(const FToolUIAction& InAction) : ToolAction(InAction) {}
	FToolUIActionChoice(const FToolMenuExecuteAction& InExecuteAction) : ToolAction(FToolUIAction(InExecuteAction)) {}

	const FUIAction* GetUIAction() const { return Action.IsSet() ? &Action.GetValue() : nullptr; }
	const FToolUIAction* GetToolUIAction() const { return ToolAction.IsSet() ? &ToolAction.GetValue() : nullptr; }

private:
	TOptional<FUIAction> Action;
	TOptional<FToolUIAction> ToolAction;
};
