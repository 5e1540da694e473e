#pragma once
#include "CoreMinimal.h"
#include "ToolMenuSection.h"

struct FToolMenuInsert {};

class TOOLMENUS_API UToolMenu
{
public:
	explicit UToolMenu(const FName InMenuName) : MenuName(InMenuName) {}
	FToolMenuSection& FindOrAddSection(const FName SectionName);
	FToolMenuSection& FindOrAddSection(const FName SectionName, const TAttribute<FText>& InLabel, const FToolMenuInsert InPosition = FToolMenuInsert());
	FToolMenuSection* FindSection(const FName SectionName);
	FName GetMenuName() const { return MenuName; }

	FName MenuName;
	// As in the engine, adding a section may move the others: do not keep pointers to them.
	TArray<FToolMenuSection> Sections;
};
