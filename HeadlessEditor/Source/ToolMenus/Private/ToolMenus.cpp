#include "ToolMenus.h"
#include "ToolMenusHost.h"

FToolMenuOwner::FToolMenuOwner(const WIDECHAR* InValue)
{
	FString Text;
	for (; InValue && *InValue; ++InValue) { Text.AppendChar(static_cast<TCHAR>(*InValue)); }
	Name = FName(Text);
}

FToolMenuEntry FToolMenuEntry::InitToolBarButton(const FName InName, const FToolUIActionChoice& InAction, const TAttribute<FText>& InLabel,
	const TAttribute<FText>& InToolTip, const TAttribute<FSlateIcon>& InIcon, const EUserInterfaceActionType InActionType, FName InTutorialHighlightName)
{
	FToolMenuEntry Entry;
	Entry.Name = InName;
	Entry.Type = EMultiBlockType::ToolBarButton;
	Entry.UserInterfaceActionType = InActionType;
	Entry.TutorialHighlightName = InTutorialHighlightName;
	Entry.Label = InLabel;
	Entry.ToolTip = InToolTip;
	Entry.Icon = InIcon;
	Entry.Action = InAction;
	return Entry;
}

FToolMenuEntry FToolMenuEntry::InitMenuEntry(const FName InName, const TAttribute<FText>& InLabel, const TAttribute<FText>& InToolTip,
	const TAttribute<FSlateIcon>& InIcon, const FToolUIActionChoice& InAction, const EUserInterfaceActionType InActionType, const FName InTutorialHighlightName)
{
	FToolMenuEntry Entry = InitToolBarButton(InName, InAction, InLabel, InToolTip, InIcon, InActionType, InTutorialHighlightName);
	Entry.Type = EMultiBlockType::MenuEntry;
	return Entry;
}

FToolMenuEntry& FToolMenuSection::AddEntry(const FToolMenuEntry& Args)
{
	FToolMenuEntry& Stored = Blocks.Add_GetRef(Args);
	if (!Stored.Owner.IsSet()) { Stored.Owner = UToolMenus::Get()->CurrentOwner(); }
	return Stored;
}

FToolMenuEntry* FToolMenuSection::FindEntry(const FName InName)
{
	for (FToolMenuEntry& Entry : Blocks) { if (Entry.Name == InName) { return &Entry; } }
	return nullptr;
}

const FToolMenuEntry* FToolMenuSection::FindEntry(const FName InName) const
{
	for (const FToolMenuEntry& Entry : Blocks) { if (Entry.Name == InName) { return &Entry; } }
	return nullptr;
}

int32 FToolMenuSection::RemoveEntriesByOwner(const FToolMenuOwner InOwner)
{
	return Blocks.RemoveAll([&InOwner](const FToolMenuEntry& Entry) { return Entry.Owner == InOwner; });
}

FToolMenuSection& UToolMenu::FindOrAddSection(const FName SectionName)
{
	if (FToolMenuSection* Existing = FindSection(SectionName)) { return *Existing; }
	FToolMenuSection& Section = Sections.Emplace_GetRef();
	Section.Name = SectionName;
	return Section;
}

FToolMenuSection& UToolMenu::FindOrAddSection(const FName SectionName, const TAttribute<FText>& InLabel, const FToolMenuInsert)
{
	FToolMenuSection& Section = FindOrAddSection(SectionName);
	if (InLabel.IsSet()) { Section.Label = InLabel; }
	return Section;
}

FToolMenuSection* UToolMenu::FindSection(const FName SectionName)
{
	for (FToolMenuSection& Section : Sections) { if (Section.Name == SectionName) { return &Section; } }
	return nullptr;
}

UToolMenus* UToolMenus::Get()
{
	static UToolMenus Instance;
	return &Instance;
}

UToolMenus* UToolMenus::TryGet() { return Get(); }

FDelegateHandle UToolMenus::RegisterStartupCallback(const FSimpleMulticastDelegate::FDelegate& InDelegate)
{
	UToolMenus* Menus = Get();
	if (Menus->bReady)
	{
		// Run at once; as in the engine, there is nothing to unregister then.
		InDelegate.ExecuteIfBound();
		return FDelegateHandle();
	}
	FDelegateHandle Handle(FDelegateHandle::GenerateNewHandle);
	Menus->StartupCallbacks.emplace_back(Handle, InDelegate);
	return Handle;
}

void UToolMenus::UnRegisterStartupCallback(FDelegateHandle InHandle)
{
	std::erase_if(Get()->StartupCallbacks, [&InHandle](const auto& Entry) { return Entry.first == InHandle; });
}

void UToolMenus::UnRegisterStartupCallback(const void*) {}

void FHeadlessToolMenus::MarkReady()
{
	UToolMenus* Menus = UToolMenus::Get();
	if (Menus->bReady) { return; }
	Menus->bReady = true;
	auto Callbacks = std::move(Menus->StartupCallbacks);
	Menus->StartupCallbacks.clear();
	for (auto& Entry : Callbacks) { Entry.second.ExecuteIfBound(); }
}

void UToolMenus::UnregisterOwner(FToolMenuOwner Owner)
{
	for (UToolMenu& Menu : Get()->Menus)
	{
		for (FToolMenuSection& Section : Menu.Sections) { Section.RemoveEntriesByOwner(Owner); }
	}
}

void UToolMenus::UnregisterOwnerByName(FName InOwnerName) { UnregisterOwner(FToolMenuOwner(InOwnerName)); }

UToolMenu* UToolMenus::ExtendMenu(const FName Name)
{
	if (UToolMenu* Existing = FindMenu(Name)) { return Existing; }
	Menus.emplace_back(Name);
	return &Menus.back();
}

UToolMenu* UToolMenus::FindMenu(const FName Name)
{
	for (UToolMenu& Menu : Menus) { if (Menu.GetMenuName() == Name) { return &Menu; } }
	return nullptr;
}

void UToolMenus::PushOwner(const FToolMenuOwner InOwner) { OwnerStack.push_back(InOwner); }

void UToolMenus::PopOwner(const FToolMenuOwner InOwner)
{
	if (!OwnerStack.empty() && OwnerStack.back() == InOwner) { OwnerStack.pop_back(); }
}

FToolMenuOwner UToolMenus::CurrentOwner() const { return OwnerStack.empty() ? FToolMenuOwner() : OwnerStack.back(); }

TArray<FHeadlessToolMenus::FEntryRef> FHeadlessToolMenus::GetAllEntries()
{
	TArray<FEntryRef> Result;
	for (UToolMenu& Menu : UToolMenus::Get()->Menus)
	{
		for (FToolMenuSection& Section : Menu.Sections)
		{
			for (const FToolMenuEntry& Entry : Section.Blocks) { Result.Add({ Menu.GetMenuName(), Section.Name, &Entry }); }
		}
	}
	return Result;
}

const FUIAction* FHeadlessToolMenus::GetAction(const FToolMenuEntry& Entry)
{
	return Entry.Action.GetUIAction();
}

bool FHeadlessToolMenus::PressEntry(const FName EntryName)
{
	for (const FEntryRef& Ref : GetAllEntries())
	{
		if (Ref.Entry->Name == EntryName)
		{
			// Copies: the action may change the menus it lives in.
			if (const FToolUIAction* ToolAction = Ref.Entry->Action.GetToolUIAction())
			{
				const FToolUIAction Copy = *ToolAction;
				const FToolMenuContext Context;
				if (!Copy.ExecuteAction.IsBound() || (Copy.CanExecuteAction.IsBound() && !Copy.CanExecuteAction.Execute(Context))) { return false; }
				Copy.ExecuteAction.Execute(Context);
				return true;
			}
			const FUIAction* Action = GetAction(*Ref.Entry);
			const FUIAction Copy = Action ? *Action : FUIAction();
			return Copy.Execute();
		}
	}
	return false;
}
