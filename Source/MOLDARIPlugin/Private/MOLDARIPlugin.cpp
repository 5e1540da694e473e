#include "MOLDARIPlugin.h"

#include "MOLDARIArchiveDownload.h"
#include "MOLDARIServer.h"
#include "MOLDARIStyle.h"

#include "Framework/Commands/UIAction.h"
#include "Framework/Commands/UICommandInfo.h"
#include "Modules/ModuleManager.h"
#include "Textures/SlateIcon.h"
#include "ToolMenus.h"

namespace
{
	const int32 ToolbarServerPort = 5325;
	const TCHAR* const ToolbarMenuName = TEXT("LevelEditor.LevelEditorToolBar.PlayToolBar");

	// Main thread only: set first in StartupModule, cleared last in ShutdownModule.
	FMOLDARIPluginModule* ModuleInstance = nullptr;
}

void FMOLDARIPluginModule::StartupModule()
{
	ModuleInstance = this;
	ReopenImportScheduling();
	FMOLDARIStyle::Initialize();
	UToolMenus::RegisterStartupCallback(FSimpleMulticastDelegate::FDelegate::CreateStatic(&FMOLDARIPluginModule::RegisterMenus));
}

void FMOLDARIPluginModule::ShutdownModule()
{
	UToolMenus::UnregisterOwner(this);
	FMOLDARIStyle::Shutdown();
	if (FMOLDARIServer::IsServerRunning())
	{
		FMOLDARIServer::StopServer();
	}
	// After the server: no request can schedule another import. Imports still waiting for a
	// tick would never run (or run in an unloaded module): say so and remove their archives.
	CancelScheduledImports();
	ModuleInstance = nullptr;
}

void FMOLDARIPluginModule::RegisterMenus()
{
	UToolMenu* Menu = UToolMenus::Get()->ExtendMenu(ToolbarMenuName);
	FToolMenuSection& Section = Menu->FindOrAddSection("MOLDARI");

	FToolMenuOwnerScoped OwnerScoped(ModuleInstance);
	FToolMenuEntry& Entry = Section.AddEntry(FToolMenuEntry::InitToolBarButton(
		"MOLDARIToggle",
		FUIAction(
			FExecuteAction::CreateStatic(&FMOLDARIPluginModule::ToggleServer),
			FCanExecuteAction(),
			FIsActionChecked::CreateStatic(&FMOLDARIPluginModule::IsServerChecked)),
		FText::AsLocalizable_Advanced(TEXT("MOLDARI"), TEXT("ToolbarLabel"), TEXT("MOLDARI")),
		FText::AsLocalizable_Advanced(TEXT("MOLDARI"), TEXT("ToolbarTooltip"), TEXT("Toggle MOLDARI Server On/Off")),
		FSlateIcon(FMOLDARIStyle::GetStyleSetName(), "MOLDARI.ToolbarIcon", NAME_None, "MOLDARI.ToolbarIcon.Small"),
		EUserInterfaceActionType::Button));
	Entry.UserInterfaceActionType = EUserInterfaceActionType::ToggleButton;
}

void FMOLDARIPluginModule::ToggleServer()
{
	if (ModuleInstance == nullptr)
	{
		return;
	}
	if (FMOLDARIServer::IsServerRunning() && !FMOLDARIServer::HasServerFailed())
	{
		FMOLDARIServer::StopServer();
		UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Server stopped"));
		return;
	}
	// A server whose set-up failed shows as off; this press clears it away and tries again, so
	// one press is always one start attempt.
	if (FMOLDARIServer::IsServerRunning())
	{
		FMOLDARIServer::StopServer();
	}
	FMOLDARIServer::StartServer(ToolbarServerPort);
	UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Server started"));
}

bool FMOLDARIPluginModule::IsServerChecked()
{
	return ModuleInstance != nullptr && FMOLDARIServer::IsServerRunning() && !FMOLDARIServer::HasServerFailed();
}

IMPLEMENT_MODULE(FMOLDARIPluginModule, MOLDARIPlugin)
