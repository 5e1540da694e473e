// The module as the editor sees it: its style set, the toolbar toggle and what a press does.
#include "Misc/AutomationTest.h"

#include "MOLDARIPlugin.h"
#include "MOLDARIServer.h"
#include "MOLDARITestClient.h"

#include "Brushes/SlateImageBrush.h"
#include "Framework/Commands/UIAction.h"
#include "Interfaces/IPluginManager.h"
#include "Misc/Paths.h"
#include "Styling/SlateStyleRegistry.h"
#include "ToolMenus.h"

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	const EAutomationTestFlags MOLDARITestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;
	const int32 ToolbarPort = 5325;

	FToolMenuEntry* FindToggle()
	{
		UToolMenu* Menu = UToolMenus::Get()->FindMenu(TEXT("LevelEditor.LevelEditorToolBar.PlayToolBar"));
		FToolMenuSection* Section = Menu ? Menu->FindSection(TEXT("MOLDARI")) : nullptr;
		return Section ? Section->FindEntry(TEXT("MOLDARIToggle")) : nullptr;
	}

	// The engine keeps a menu entry's action private to its menu code, so a press goes through
	// the action the module gives its toolbar entry.
	bool IsChecked(const FToolMenuEntry&)
	{
		return FMOLDARIPluginModule::MakeToggleAction().GetCheckState() == ECheckBoxState::Checked;
	}

	void Press(const FToolMenuEntry&)
	{
		FMOLDARIPluginModule::MakeToggleAction().Execute();
	}
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIToggleEntryTest, "MOLDARI.Module.ToggleEntry", MOLDARITestFlags)
bool FMOLDARIToggleEntryTest::RunTest(const FString& Parameters)
{
	FToolMenuEntry* Entry = FindToggle();
	if (!TestNotNull(TEXT("toggle on the play toolbar"), Entry))
	{
		return false;
	}
	TestTrue(TEXT("a toggle button"), Entry->UserInterfaceActionType == EUserInterfaceActionType::ToggleButton);
	TestEqualSensitive(TEXT("label"), Entry->Label.Get().ToString(), FString(TEXT("MOLDARI")));
	TestTrue(TEXT("tooltip says what it toggles"), Entry->ToolTip.Get().ToString().Contains(TEXT("MOLDARI Server")));
	TestTrue(TEXT("always executable"), FMOLDARIPluginModule::MakeToggleAction().CanExecute());

	// Both icon names lead to the module's own images, not the style's default brush.
	const FSlateIcon Icon = Entry->Icon.Get();
	TestEqual(TEXT("icon from the module's style set"), Icon.GetStyleSetName(), FName(TEXT("MOLDARIStyle")));
	const ISlateStyle* Style = FSlateStyleRegistry::FindSlateStyle(TEXT("MOLDARIStyle"));
	if (!TestNotNull(TEXT("style set registered"), Style))
	{
		return false;
	}
	const FString BaseDir = IPluginManager::Get().FindPlugin(TEXT("MOLDARIPlugin"))->GetBaseDir();
	const FSlateBrush* Large = Style->GetBrush(Icon.GetStyleName());
	const FSlateBrush* Small = Style->GetBrush(Icon.GetSmallStyleName());
	// A name the style does not know gives its default brush, not null.
	if (!TestTrue(TEXT("large icon set"), Large != Style->GetDefaultBrush()) || !TestTrue(TEXT("small icon set"), Small != Style->GetDefaultBrush()))
	{
		return false;
	}
	TestEqualSensitive(TEXT("large icon file"), Large->GetResourceName().ToString(), BaseDir / TEXT("Resources/MOLDARI_40.png"));
	TestEqualSensitive(TEXT("small icon file"), Small->GetResourceName().ToString(), BaseDir / TEXT("Resources/MOLDARI_20.png"));
	TestTrue(TEXT("large icon is 40 x 40"), Large->GetImageSize() == FVector2D(40.0, 40.0));
	TestTrue(TEXT("small icon is 20 x 20"), Small->GetImageSize() == FVector2D(20.0, 20.0));
	TestTrue(TEXT("icon files exist"), FPaths::FileExists(Large->GetResourceName().ToString()) && FPaths::FileExists(Small->GetResourceName().ToString()));
	int32 Registered = 0;
	FSlateStyleRegistry::IterateAllStyles([&Registered](const ISlateStyle& Registration)
	{
		Registered += Registration.GetStyleSetName() == FName(TEXT("MOLDARIStyle")) ? 1 : 0;
		return true;
	});
	TestEqual(TEXT("registered once"), Registered, 1);
	return true;
}

// A start that fails leaves the toggle off; the next press starts a working server, and the
// one after stops it.
IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARITogglePressTest, "MOLDARI.Module.TogglePress", MOLDARITestFlags)
bool FMOLDARITogglePressTest::RunTest(const FString& Parameters)
{
	FToolMenuEntry* Entry = FindToggle();
	if (!TestNotNull(TEXT("toggle"), Entry) || !TestFalse(TEXT("starts off"), IsChecked(*Entry)))
	{
		return false;
	}
	TestTrue(TEXT("nothing answers while off"), MOLDARITest::Connect(ToolbarPort) == nullptr);

	FSocket* Squatter = MOLDARITest::HoldPort(ToolbarPort);
	if (!TestNotNull(TEXT("test holds the toolbar port"), Squatter))
	{
		return false;
	}
	AddExpectedErrorPlain(TEXT("LogTemp: [MOLDARI] Failed to bind to port 5325"), EAutomationExpectedErrorFlags::Exact, 1);
	Press(*Entry);
	MOLDARITest::WaitFor([] { return FMOLDARIServer::HasServerFailed(); }, 2.0);
	// A failed start must not show as a running server.
	TestFalse(TEXT("unchecked after a failed start"), IsChecked(*Entry));

	// The port is free again: one press clears the failed server and starts a working one.
	MOLDARITest::Destroy(Squatter);
	Press(*Entry);
	TestTrue(TEXT("checked after the retry"), IsChecked(*Entry));
	TestTrue(TEXT("serving after the retry"), MOLDARITest::WaitUntilServing(ToolbarPort, 5.0));
	Press(*Entry);
	TestFalse(TEXT("unchecked after the next press"), IsChecked(*Entry));
	TestFalse(TEXT("no server object"), FMOLDARIServer::IsServerRunning());
	return true;
}

#endif
