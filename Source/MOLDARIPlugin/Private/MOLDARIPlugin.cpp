#include "MOLDARIPlugin.h"

#include "MOLDARIArchiveDownload.h"
#include "MOLDARIArchiveWorker.h"
#include "MOLDARIImportJobs.h"
#include "MOLDARIImportNotifications.h"
#include "MOLDARIServer.h"
#include "MOLDARIStyle.h"

#include "Framework/Commands/UICommandInfo.h"
#include "HAL/IConsoleManager.h"
#include "HttpModule.h"
#include "Misc/OutputDevice.h"
#include "Modules/ModuleManager.h"
#include "SocketSubsystem.h"
#include "Textures/SlateIcon.h"
#include "ToolMenus.h"

namespace
{
	const int32 ToolbarServerPort = 5325;
	const TCHAR* const ToolbarMenuName = TEXT("LevelEditor.LevelEditorToolBar.PlayToolBar");

	// Main thread only: set first in StartupModule, cleared last in ShutdownModule.
	FMOLDARIPluginModule* ModuleInstance = nullptr;
	IConsoleObject* ImportsCommand = nullptr;

	// The console's "imports": one line per job, newest first.
	void ListImports(const TArray<FString>& Args, FOutputDevice& Ar)
	{
		const TArray<MOLDARIJobs::FImportJob> Jobs = MOLDARIJobs::GetJobs();
		for (const MOLDARIJobs::FImportJob& Job : Jobs)
		{
			FString Line = FString::Printf(TEXT("#%lld %s (%s) %s"), Job.Id, *Job.Name, *Job.Kind, MOLDARIJobs::StateName(Job.State));
			if (Job.State == MOLDARIJobs::EJobState::Downloading)
			{
				Line += Job.BytesTotal >= 0 ? FString::Printf(TEXT(" %lld of %lld bytes"), Job.BytesReceived, Job.BytesTotal)
					: FString::Printf(TEXT(" %lld bytes"), Job.BytesReceived);
			}
			else if (Job.State == MOLDARIJobs::EJobState::Importing)
			{
				Line += FString(TEXT(": ")) + MOLDARIJobs::StepName(Job.Step);
			}
			else if (!Job.Reason.IsEmpty())
			{
				Line += FString(TEXT(": ")) + Job.Reason;
			}
			else if (Job.State == MOLDARIJobs::EJobState::Done)
			{
				Line += FString::Printf(TEXT(": %d mesh(es), %d actor(s), %d file(s) saved, %d warning(s)"), Job.Meshes.Num(), Job.Actors.Num(), Job.FilesSaved,
					Job.Warnings.Num() + Job.MoreWarnings);
			}
			Ar.Log(Line);
		}
		Ar.Log(FString::Printf(TEXT("%d import job(s)"), Jobs.Num()));
	}
}

void FMOLDARIPluginModule::StartupModule()
{
	ModuleInstance = this;
	ReopenImportScheduling();
	MOLDARIArchiveWorker::Start();
	// The server thread and the HTTP thread use these modules; the first use of each must happen
	// on the game thread, where loading a module is allowed.
	FModuleManager::LoadModuleChecked<FHttpModule>(TEXT("HTTP"));
	ISocketSubsystem::Get(PLATFORM_SOCKETSUBSYSTEM);
	FMOLDARIStyle::Initialize();
	MOLDARIJobs::StartWarningCapture();
	ImportsCommand = IConsoleManager::Get().RegisterConsoleCommand(TEXT("imports"), TEXT("lists the MOLDARI import jobs with their state"),
		FConsoleCommandWithArgsAndOutputDeviceDelegate::CreateStatic(&ListImports));
	MenusStartupHandle = UToolMenus::RegisterStartupCallback(FSimpleMulticastDelegate::FDelegate::CreateStatic(&FMOLDARIPluginModule::RegisterMenus));
}

void FMOLDARIPluginModule::ShutdownModule()
{
	// The tool-menus start-up may still be ahead (the module unloaded early): it must not call
	// into a module that is gone.
	UToolMenus::UnRegisterStartupCallback(MenusStartupHandle);
	MenusStartupHandle.Reset();
	UToolMenus::UnregisterOwner(this);
	FMOLDARIStyle::Shutdown();
	if (FMOLDARIServer::IsServerRunning())
	{
		FMOLDARIServer::StopServer();
	}
	// After the server: no request can start another download or schedule another import.
	// Downloads still running and imports still waiting for a tick would never run (or run in an
	// unloaded module): say so, cut them off and remove their archives.
	AbandonDownloads();
	// The extraction running now ends first (its archive is on disk whole); the ones waiting
	// never start.
	MOLDARIArchiveWorker::Stop();
	CancelScheduledImports();
	// A job caught between the two (its archive being stored) ends the same way.
	MOLDARIJobs::MarkUnfinishedNotRun();
	MOLDARIJobs::CancelPendingNotifications();
	MOLDARIJobs::StopWarningCapture();
	if (ImportsCommand)
	{
		IConsoleManager::Get().UnregisterConsoleObject(ImportsCommand);
		ImportsCommand = nullptr;
	}
	ModuleInstance = nullptr;
}

void FMOLDARIPluginModule::RegisterMenus()
{
	UToolMenu* Menu = UToolMenus::Get()->ExtendMenu(ToolbarMenuName);
	FToolMenuSection& Section = Menu->FindOrAddSection("MOLDARI");

	FToolMenuOwnerScoped OwnerScoped(ModuleInstance);
	FToolMenuEntry& Entry = Section.AddEntry(FToolMenuEntry::InitToolBarButton(
		"MOLDARIToggle",
		MakeToggleAction(),
		FText::AsLocalizable_Advanced(TEXT("MOLDARI"), TEXT("ToolbarLabel"), TEXT("MOLDARI")),
		FText::AsLocalizable_Advanced(TEXT("MOLDARI"), TEXT("ToolbarTooltip"), TEXT("Toggle MOLDARI Server On/Off")),
		FSlateIcon(FMOLDARIStyle::GetStyleSetName(), "MOLDARI.ToolbarIcon", "MOLDARI.ToolbarIcon.Small"),
		EUserInterfaceActionType::Button));
	Entry.UserInterfaceActionType = EUserInterfaceActionType::ToggleButton;
}

FUIAction FMOLDARIPluginModule::MakeToggleAction()
{
	return FUIAction(
		FExecuteAction::CreateStatic(&FMOLDARIPluginModule::ToggleServer),
		FCanExecuteAction(),
		FIsActionChecked::CreateStatic(&FMOLDARIPluginModule::IsServerChecked));
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
