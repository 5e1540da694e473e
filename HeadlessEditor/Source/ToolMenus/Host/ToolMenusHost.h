// What only the headless editor does with tool menus: it opens them once the host is up, lists
// every entry and presses one by name, as a click on it would. The engine keeps an entry's action
// private to its menu code, so these are the only way to reach it.
#pragma once

#include "ToolMenus.h"

struct FHeadlessToolMenus
{
	struct FEntryRef
	{
		FName Menu;
		FName Section;
		const FToolMenuEntry* Entry;
	};

	// Runs the start-up callbacks registered so far; later registrations run at once.
	static void MarkReady();
	// Every entry of every menu, in menu, section and entry order.
	static TArray<FEntryRef> GetAllEntries();
	// The entry's action as a menu widget would run it; null when it has none.
	static const FUIAction* GetAction(const FToolMenuEntry& Entry);
	// Runs the named entry's action (looked up in every menu); false when there is no such entry
	// or it cannot execute.
	static bool PressEntry(const FName EntryName);
};
