#pragma once
#include "CoreMinimal.h"
#include "ToolMenuEntry.h"

struct TOOLMENUS_API FToolMenuSection
{
	FName Name;
	TAttribute<FText> Label;

	// Returns the stored copy; as in the engine, adding another entry may move it.
	FToolMenuEntry& AddEntry(const FToolMenuEntry& Args);
	FToolMenuEntry* FindEntry(const FName InName);
	const FToolMenuEntry* FindEntry(const FName InName) const;

private:
	friend class UToolMenus;
	friend class UToolMenu;

	int32 RemoveEntriesByOwner(const FToolMenuOwner InOwner);

public:
	TArray<FToolMenuEntry> Blocks;
};
