#include "MOLDARIStyle.h"

#include "Brushes/SlateImageBrush.h"
#include "Interfaces/IPluginManager.h"
#include "Styling/SlateStyleRegistry.h"

TSharedPtr<FSlateStyleSet> FMOLDARIStyle::StyleInstance = nullptr;

void FMOLDARIStyle::Initialize()
{
	if (!StyleInstance.IsValid())
	{
		StyleInstance = Create();
		FSlateStyleRegistry::RegisterSlateStyle(*StyleInstance);
	}
}

void FMOLDARIStyle::Shutdown()
{
	FSlateStyleRegistry::UnRegisterSlateStyle(*StyleInstance);
	check(StyleInstance.IsUnique());
	StyleInstance.Reset();
}

FName FMOLDARIStyle::GetStyleSetName()
{
	static FName StyleSetName(TEXT("MOLDARIStyle"));
	return StyleSetName;
}

const ISlateStyle& FMOLDARIStyle::Get()
{
	return *StyleInstance;
}

TSharedRef<FSlateStyleSet> FMOLDARIStyle::Create()
{
	TSharedRef<FSlateStyleSet> Style = MakeShared<FSlateStyleSet>(GetStyleSetName());
	const FString BaseDir = IPluginManager::Get().FindPlugin(TEXT("MOLDARIPlugin"))->GetBaseDir();
	Style->SetContentRoot(BaseDir);

	Style->Set("MOLDARI.ToolbarIcon", new FSlateImageBrush(BaseDir / TEXT("Resources/MOLDARI_40.png"), FVector2D(40.0, 40.0)));
	Style->Set("MOLDARI.ToolbarIcon.Small", new FSlateImageBrush(BaseDir / TEXT("Resources/MOLDARI_20.png"), FVector2D(20.0, 20.0)));
	return Style;
}
