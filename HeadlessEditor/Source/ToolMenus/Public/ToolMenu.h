#pragma once
#include <list>
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
	std::list<FToolMenuSection>& GetSections() { return Sections; }

private:
	FName MenuName;
	std::list<FToolMenuSection> Sections;
};
