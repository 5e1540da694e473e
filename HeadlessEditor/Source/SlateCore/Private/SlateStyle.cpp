#include "Styling/SlateStyle.h"
#include "Brushes/SlateImageBrush.h"
#include "Misc/Paths.h"
#include "Styling/SlateStyleRegistry.h"
#include "Textures/SlateIcon.h"
#include "Brushes/SlateNoResource.h"
#include "Styling/StyleDefaults.h"
#include "HeadlessString.h"

#include <mutex>

DEFINE_LOG_CATEGORY_STATIC(LogSlateStyle, Log, All);

const FSlateBrush* FStyleDefaults::GetNoBrush()
{
	static const FSlateNoResource NoBrush;
	return &NoBrush;
}

void FSlateStyleSet::Set(const FName PropertyName, FSlateBrush* InBrush)
{
	for (auto& Entry : Brushes)
	{
		if (Entry.first == PropertyName) { Entry.second.reset(InBrush); return; }
	}
	Brushes.emplace_back(PropertyName, std::unique_ptr<FSlateBrush>(InBrush));
}

FSlateStyleSet::FSlateStyleSet(const FName& InStyleSetName)
	: StyleSetName(InStyleSetName)
{
	// The engine's default brush: its checkerboard image, tiled.
	DefaultBrush = new FSlateImageBrush(FPaths::EngineContentDir() / TEXT("Slate/Checkerboard.png"), FVector2D(16.0, 16.0),
		FLinearColor(1, 1, 1, 1), ESlateBrushTileType::Both);
	Set(TEXT("Default"), DefaultBrush);
}

const FSlateBrush* FSlateStyleSet::FindBrush(const FName PropertyName, const ANSICHAR* Specifier) const
{
	const FName Key = Specifier ? FName(PropertyName.ToString() + TEXT(".") + FString(Specifier)) : PropertyName;
	for (const auto& Entry : Brushes)
	{
		if (Entry.first == Key) { return Entry.second.get(); }
	}
	return nullptr;
}

const FSlateBrush* FSlateStyleSet::GetBrush(const FName PropertyName, const ANSICHAR* Specifier, const ISlateStyle*) const
{
	const FSlateBrush* Brush = FindBrush(PropertyName, Specifier);
	if (!Brush)
	{
		const FString Name = Specifier ? PropertyName.ToString() + TEXT(".") + FString(Specifier) : PropertyName.ToString();
		bool bFirst = false;
		{
			std::lock_guard<std::mutex> Lock(MissingMutex);
			bFirst = MissingResources.insert(UE::HeadlessEditor::GetStdString(Name)).second;
		}
		if (bFirst)
		{
			UE_LOG(LogSlateStyle, Warning, TEXT("Missing Resource from '%s' Style: 'Unable to find Brush '%s'.'"), *StyleSetName.ToString(), *Name);
		}
	}
	return Brush ? Brush : GetDefaultBrush();
}

const FSlateBrush* FSlateStyleSet::GetOptionalBrush(const FName PropertyName, const ANSICHAR* Specifier, const FSlateBrush* const InDefaultBrush) const
{
	const FSlateBrush* Brush = FindBrush(PropertyName, Specifier);
	return Brush ? Brush : InDefaultBrush;
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

bool FSlateStyleRegistry::IterateAllStyles(const TFunctionRef<bool(const ISlateStyle&)>& Iter)
{
	TArray<const ISlateStyle*> Styles;
	{
		// A copy, so the callback may register or unregister styles.
		std::lock_guard<std::mutex> Lock(Registry().Mutex);
		for (const ISlateStyle* Style : Registry().Styles) { Styles.Add(Style); }
	}
	for (const ISlateStyle* Style : Styles)
	{
		if (!Iter(*Style)) { return false; }
	}
	return true;
}

FSlateIcon::FSlateIcon(const FName InStyleSetName, const FName InStyleName, const FName InSmallStyleName, const FName InStatusOverlayStyleName)
	: StyleSetName(InStyleSetName), StyleName(InStyleName),
	  SmallStyleName(InSmallStyleName.IsNone() ? FName(InStyleName.ToString() + TEXT(".Small")) : InSmallStyleName),
	  StatusOverlayStyleName(InStatusOverlayStyleName)
{
}

const ISlateStyle* FSlateIcon::GetStyleSet() const
{
	return StyleSetName.IsNone() ? nullptr : FSlateStyleRegistry::FindSlateStyle(StyleSetName);
}

const FSlateBrush* FSlateIcon::GetIcon() const
{
	const ISlateStyle* Style = GetStyleSet();
	return Style ? Style->GetOptionalBrush(StyleName) : FStyleDefaults::GetNoBrush();
}

const FSlateBrush* FSlateIcon::GetOptionalIcon() const
{
	const FSlateBrush* Icon = GetIcon();
	return Icon == FStyleDefaults::GetNoBrush() ? nullptr : Icon;
}

const FSlateBrush* FSlateIcon::GetSmallIcon() const
{
	if (const ISlateStyle* Style = GetStyleSet())
	{
		const FSlateBrush* Small = Style->GetOptionalBrush(SmallStyleName);
		if (Small != FStyleDefaults::GetNoBrush()) { return Small; }
	}
	return GetIcon();
}

const FSlateBrush* FSlateIcon::GetOptionalSmallIcon() const
{
	const FSlateBrush* Icon = GetSmallIcon();
	return Icon == FStyleDefaults::GetNoBrush() ? nullptr : Icon;
}
