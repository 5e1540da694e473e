// Tool menus as data: menus, sections and entries with their actions. The headless editor's
// console lists them and presses entries, as a user would click them.
#pragma once
#include <list>
#include <memory>
#include <vector>

#include "CoreMinimal.h"
#include "ToolMenu.h"
#include "ToolMenuOwner.h"
#include "ToolMenuSection.h"
#include "ToolMenuEntry.h"

class TOOLMENUS_API UToolMenus
{
public:
	static UToolMenus* Get();
	static UToolMenus* TryGet();
	static FDelegateHandle RegisterStartupCallback(const FSimpleMulticastDelegate::FDelegate& InDelegate);
	static void UnRegisterStartupCallback(FDelegateHandle InHandle);
	static void UnRegisterStartupCallback(const void* UserPointer);
	static void UnregisterOwner(FToolMenuOwner Owner);

	UToolMenu* ExtendMenu(const FName Name);
	UToolMenu* FindMenu(const FName Name);
	void UnregisterOwnerByName(FName InOwnerName);
	void RefreshAllWidgets() {}

	void PushOwner(const FToolMenuOwner InOwner);
	void PopOwner(const FToolMenuOwner InOwner);
	FToolMenuOwner CurrentOwner() const;

private:
	friend struct FHeadlessToolMenus;

	std::list<UToolMenu> Menus;
	std::vector<FToolMenuOwner> OwnerStack;
	std::vector<std::pair<FDelegateHandle, FSimpleMulticastDelegate::FDelegate>> StartupCallbacks;
	bool bReady = false;
};

struct TOOLMENUS_API FToolMenuOwnerScoped
{
	FToolMenuOwnerScoped(const FToolMenuOwner InOwner) : Owner(InOwner) { UToolMenus::Get()->PushOwner(InOwner); }
	~FToolMenuOwnerScoped() { UToolMenus::Get()->PopOwner(Owner); }
	FToolMenuOwner GetOwner() const { return Owner; }

private:
	FToolMenuOwner Owner;
};
