#include "Styling/SlateStyle.h"
#include "Styling/SlateStyleRegistry.h"
#include "Textures/SlateIcon.h"

#include <mutex>

void FSlateStyleSet::Set(const FName PropertyName, FSlateBrush* InBrush)
{
	for (auto& Entry : Brushes)
	{
		if (Entry.first == PropertyName) { Entry.second.reset(InBrush); return; }
	}
	Brushes.emplace_back(PropertyName, std::unique_ptr<FSlateBrush>(InBrush));
}

const FSlateBrush* FSlateStyleSet::GetBrush(const FName PropertyName) const
{
	for (const auto& Entry : Brushes)
	{
		if (Entry.first == PropertyName) { return Entry.second.get(); }
	}
	return nullptr;
}

namespace
{
	struct FRegistry
	{
		std::mutex Mutex;
		std::vector<const ISlateStyle*> Styles;
	};
	FRegistry& Registry() { static FRegistry Instance; return Instance; }
}

void FSlateStyleRegistry::RegisterSlateStyle(const ISlateStyle& InSlateStyle)
{
	std::lock_guard<std::mutex> Lock(Registry().Mutex);
	for (const ISlateStyle* Style : Registry().Styles)
	{
		if (Style->GetStyleSetName() == InSlateStyle.GetStyleSetName())
		{
			UE_LOG(LogSlate, Error, TEXT("Style set '%s' is already registered"), *InSlateStyle.GetStyleSetName().ToString());
			return;
		}
	}
	Registry().Styles.push_back(&InSlateStyle);
}

void FSlateStyleRegistry::UnRegisterSlateStyle(const ISlateStyle& InSlateStyle) { UnRegisterSlateStyle(InSlateStyle.GetStyleSetName()); }

void FSlateStyleRegistry::UnRegisterSlateStyle(const FName StyleSetName)
{
	std::lock_guard<std::mutex> Lock(Registry().Mutex);
	std::erase_if(Registry().Styles, [&StyleSetName](const ISlateStyle* S) { return S->GetStyleSetName() == StyleSetName; });
}

const ISlateStyle* FSlateStyleRegistry::FindSlateStyle(const FName& InSlateStyleName)
{
	std::lock_guard<std::mutex> Lock(Registry().Mutex);
	for (const ISlateStyle* Style : Registry().Styles)
	{
		if (Style->GetStyleSetName() == InSlateStyleName) { return Style; }
	}
	return nullptr;
}

TArray<FName> FSlateStyleRegistry::GetRegisteredStyleNames()
{
	std::lock_guard<std::mutex> Lock(Registry().Mutex);
	TArray<FName> Names;
	for (const ISlateStyle* Style : Registry().Styles) { Names.Add(Style->GetStyleSetName()); }
	return Names;
}

FSlateIcon::FSlateIcon(const FName InStyleSetName, const FName InStyleName, const FName InSmallStyleName, const FName InStatusOverlayStyleName)
	: StyleSetName(InStyleSetName), StyleName(InStyleName),
	  SmallStyleName(InSmallStyleName.IsNone() ? FName(InStyleName.ToString() + TEXT(".Small")) : InSmallStyleName),
	  StatusOverlayStyleName(InStatusOverlayStyleName), bIsSet(true)
{
}

const FSlateBrush* FSlateIcon::GetIcon() const
{
	const ISlateStyle* Style = FSlateStyleRegistry::FindSlateStyle(StyleSetName);
	return Style ? Style->GetBrush(StyleName) : nullptr;
}

const FSlateBrush* FSlateIcon::GetSmallIcon() const
{
	const ISlateStyle* Style = FSlateStyleRegistry::FindSlateStyle(StyleSetName);
	return Style ? Style->GetBrush(SmallStyleName) : nullptr;
}
