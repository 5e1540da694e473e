#pragma once
#include <list>
#include "CoreMinimal.h"
#include "ToolMenuEntry.h"

struct TOOLMENUS_API FToolMenuSection
{
	FName Name;
	TAttribute<FText> Label;

	// Returns the stored copy; it stays valid until its owner is unregistered.
	FToolMenuEntry& AddEntry(const FToolMenuEntry& Args);
	FToolMenuEntry* FindEntry(const FName InName);
	const std::list<FToolMenuEntry>& GetEntries() const { return Entries; }
	int32 RemoveEntriesByOwner(const FToolMenuOwner& InOwner);

private:
	std::list<FToolMenuEntry> Entries;
};
