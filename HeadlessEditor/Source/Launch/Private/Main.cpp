// headless-editor: a project, its plugins, the main loop and a console, without a screen.
#include "CoreMinimal.h"
#include "Containers/Ticker.h"
#include "HAL/FileManager.h"
#include "HAL/PlatformProcess.h"
#include "HAL/PlatformTime.h"
#include "Misc/AutomationTest.h"
#include "Misc/Paths.h"
#include "Modules/ModuleManager.h"
#include "Styling/SlateStyleRegistry.h"
#include "Framework/Notifications/NotificationManager.h"
#include "ToolMenus.h"
#include "ToolMenusHost.h"
#include "Runtime/Launch/Resources/Version.h"

#include "ConsoleCommands.h"
#include "HeadlessEditorHost.h"
#include "PluginLoader.h"
#include "ContentMonitor.h"
#include "UsdImporterPlugin.h"
#include "Interfaces/IPluginManager.h"
#include "TickerHost.h"
#include "AutomationTestHost.h"
#include "HeadlessString.h"
#include "NotificationsHost.h"

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <mutex>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>

using namespace UE::HeadlessEditor;

namespace
{
	const char* const UsageText =
		"Usage: headless-editor [options]\n"
		"\n"
		"A headless stand-in for Unreal Editor " "5.5" ": opens a project, loads its plugins' editor modules,\n"
		"and runs the editor's main loop (core ticker, HTTP completions) with a console on standard input.\n"
		"\n"
		"Options:\n"
		"  --project DIR       the project folder; created with Content/ and Saved/ when missing\n"
		"                      (default: $HOME/.local/share/headless-editor/DefaultProject)\n"
		"  --plugin DIR        load the plugin in DIR (a folder with a .uplugin, or a folder of plugins);\n"
		"                      repeatable. The project's Plugins/ folder is always searched.\n"
		"  --press ENTRY       press a tool-menu entry once start-up is done (e.g. MOLDARIToggle); repeatable\n"
		"  --absolute-project-paths\n"
		"                      give the project's folders as full paths, as the engine does on Windows for\n"
		"                      a project on another drive than the engine (default: relative to the\n"
		"                      binaries folder, as on Linux and for a project on the engine's drive)\n"
		"  --run-tests FILTER  run the automation tests whose name contains FILTER, print\n"
		"                      'N passed, N failed' and exit (status 1 if any failed)\n"
		"  --help              this text\n"
		"\n"
		"Console commands (type 'help' at the prompt for the full list):\n"
		"  help, menus, press NAME, styles, quit\n"
		"\n"
		"The editor stops cleanly on 'quit', SIGINT or SIGTERM (every module's ShutdownModule runs).\n"
		"When standard input ends the editor keeps running, so it can be driven by signals alone.\n"
		"Log lines go to standard output and to <project>/Saved/Logs/<project name>.log.\n"
		"Like the engine, the editor works from its binaries folder (Engine/Binaries/Linux of the build);\n"
		"relative paths on the command line are taken from the folder it was started in.\n";

	struct FMainLoop
	{
		std::mutex Mutex;
		std::condition_variable Wake;
		std::deque<std::string> Commands;
		std::atomic<bool> bQuit{ false };
		bool bPoked = false;

		void Poke()
		{
			{
				std::lock_guard<std::mutex> Lock(Mutex);
				bPoked = true;
			}
			Wake.notify_one();
		}
	};

	FMainLoop GLoop;

	struct FOptions
	{
		FString ProjectDir;
		TArray<FString> PluginDirs;
		TArray<FString> Presses;
		FString TestFilter;
		bool bRunTests = false;
		bool bAbsoluteProjectPaths = false;
	};

	bool ParseOptions(int Argc, char** Argv, FOptions& Out)
	{
		for (int Index = 1; Index < Argc; ++Index)
		{
			const std::string Arg = Argv[Index];
			auto Next = [&](FString& Value) {
				if (Index + 1 >= Argc) { std::fprintf(stderr, "headless-editor: %s needs a value\n", Arg.c_str()); return false; }
				Value = FString(Argv[++Index]);
				return true;
			};
			FString Value;
			if (Arg == "--help" || Arg == "-h") { std::fputs(UsageText, stdout); std::exit(0); }
			else if (Arg == "--project") { if (!Next(Out.ProjectDir)) { return false; } }
			else if (Arg == "--plugin") { if (!Next(Value)) { return false; } Out.PluginDirs.Add(Value); }
			else if (Arg == "--press") { if (!Next(Value)) { return false; } Out.Presses.Add(Value); }
			else if (Arg == "--absolute-project-paths") { Out.bAbsoluteProjectPaths = true; }
			else if (Arg == "--run-tests") { if (!Next(Out.TestFilter)) { return false; } Out.bRunTests = true; }
			else { std::fprintf(stderr, "headless-editor: unknown option %s (see --help)\n", Arg.c_str()); return false; }
		}
		if (Out.ProjectDir.IsEmpty())
		{
			const char* Home = std::getenv("HOME");
			Out.ProjectDir = FString(Home && *Home ? Home : "/tmp") / TEXT(".local/share/headless-editor/DefaultProject");
		}
		return true;
	}

	void PressEntry(const FString& Name)
	{
		if (!FHeadlessToolMenus::PressEntry(FName(Name)))
		{
			ConsolePrint(FString::Printf(TEXT("No tool-menu entry named '%s' can be pressed (see 'menus')"), *Name));
			return;
		}
		for (const FHeadlessToolMenus::FEntryRef& Ref : FHeadlessToolMenus::GetAllEntries())
		{
			const FUIAction* Action = FHeadlessToolMenus::GetAction(*Ref.Entry);
			if (Ref.Entry->Name == FName(Name) && Ref.Entry->UserInterfaceActionType == EUserInterfaceActionType::ToggleButton && Action)
			{
				const bool bChecked = Action->GetCheckState() == ECheckBoxState::Checked;
				ConsolePrint(FString::Printf(TEXT("Pressed %s: %s"), *Name, bChecked ? TEXT("checked") : TEXT("unchecked")));
				return;
			}
		}
		ConsolePrint(FString::Printf(TEXT("Pressed %s"), *Name));
	}

	void RegisterBuiltinCommands()
	{
		RegisterConsoleCommand(TEXT("help"), TEXT("help"), TEXT("list the console commands"), [](const TArray<FString>&) {
			for (const FString& Line : GetConsoleHelp()) { ConsolePrint(Line); }
		});
		RegisterConsoleCommand(TEXT("quit"), TEXT("quit"), TEXT("shut the editor down"), [](const TArray<FString>&) { GLoop.bQuit = true; });
		RegisterConsoleCommand(TEXT("exit"), TEXT("exit"), TEXT("same as quit"), [](const TArray<FString>&) { GLoop.bQuit = true; });
		RegisterConsoleCommand(TEXT("menus"), TEXT("menus"), TEXT("list tool-menu entries with their check state"), [](const TArray<FString>&) {
			TArray<FHeadlessToolMenus::FEntryRef> Entries = FHeadlessToolMenus::GetAllEntries();
			if (Entries.Num() == 0) { ConsolePrint(TEXT("(no tool-menu entries)")); }
			for (const FHeadlessToolMenus::FEntryRef& Ref : Entries)
			{
				const FToolMenuEntry& Entry = *Ref.Entry;
				const FUIAction* Action = FHeadlessToolMenus::GetAction(Entry);
				FString State = TEXT("button");
				if (Entry.UserInterfaceActionType == EUserInterfaceActionType::ToggleButton || Entry.UserInterfaceActionType == EUserInterfaceActionType::Check)
				{
					State = Action && Action->GetCheckState() == ECheckBoxState::Checked ? TEXT("toggle, checked") : TEXT("toggle, unchecked");
				}
				const FSlateIcon Icon = Entry.Icon.Get();
				const FSlateBrush* Brush = Icon.GetOptionalIcon();
				ConsolePrint(FString::Printf(TEXT("%s > %s > %s [%s] label \"%s\" tooltip \"%s\" icon %s"), *Ref.Menu.ToString(), *Ref.Section.ToString(),
					*Entry.Name.ToString(), *State, *Entry.Label.Get().ToString(), *Entry.ToolTip.Get().ToString(),
					Brush ? *Brush->GetResourceName().ToString() : TEXT("(none)")));
			}
		});
		RegisterConsoleCommand(TEXT("press"), TEXT("press NAME"), TEXT("press a tool-menu entry, as a click would"), [](const TArray<FString>& Args) {
			if (Args.Num() != 1) { ConsolePrint(TEXT("usage: press NAME")); return; }
			PressEntry(Args[0]);
		});
		RegisterConsoleCommand(TEXT("styles"), TEXT("styles"), TEXT("list the registered Slate style sets"), [](const TArray<FString>&) {
			FSlateStyleRegistry::IterateAllStyles([](const ISlateStyle& Style) { ConsolePrint(Style.GetStyleSetName().ToString()); return true; });
		});
	}

	// Signals are taken by one thread with sigwait, so no handler runs inside other code.
	void StartSignalThread()
	{
		std::thread([]() {
			sigset_t Set;
			sigemptyset(&Set);
			sigaddset(&Set, SIGINT);
			sigaddset(&Set, SIGTERM);
			int Signal = 0;
			while (sigwait(&Set, &Signal) == 0)
			{
				GLoop.bQuit = true;
				GLoop.Poke();
			}
		}).detach();
	}

	void StartConsoleThread()
	{
		std::thread([]() {
			std::string Line;
			while (std::getline(std::cin, Line))
			{
				{
					std::lock_guard<std::mutex> Lock(GLoop.Mutex);
					GLoop.Commands.push_back(Line);
				}
				GLoop.Poke();
			}
			// End of input: keep running; only quit or a signal ends the editor.
		}).detach();
	}

	void ShutDownModules()
	{
		// The last loaded first, as the engine unloads at shut-down: the plugins, then the
		// engine's modules (HTTP lets go of the delegates of the requests still outstanding).
		UnloadPluginModules();
		FModuleManager::Get().UnloadModulesAtShutdown();
	}

	// Callbacks of unloaded plugins may still sit on the core ticker, and the console thread may
	// still be reading standard input: leave without static destructors or joins.
	[[noreturn]] void LeaveProcess(int ExitCode)
	{
		SetLogFile(FString());
		std::fflush(stdout);
		_exit(ExitCode);
	}

	void RunMainLoop()
	{
		double LastTick = FPlatformTime::Seconds();
		while (!GLoop.bQuit)
		{
			std::deque<std::string> Pending;
			{
				std::lock_guard<std::mutex> Lock(GLoop.Mutex);
				Pending.swap(GLoop.Commands);
				GLoop.bPoked = false;
			}
			for (const std::string& Line : Pending)
			{
				if (!ExecuteConsoleCommand(FString(Line.c_str())))
				{
					ConsolePrint(FString::Printf(TEXT("Unknown command '%s' (type 'help')"), *FString(Line.c_str()).TrimStartAndEnd()));
				}
			}

			const double Now = FPlatformTime::Seconds();
			FTSTicker::GetCoreTicker().Tick(static_cast<float>(Now - LastTick));
			LastTick = Now;
			// The application's tick: queued notifications are shown, as Slate's tick does.
			FSlateNotificationManager::Get().Tick();
			AdvanceFrameCounter();

			// Sleep until something arrives, or until the next ticker is due.
			const double NextDue = FHeadlessTicker::GetSecondsUntilNextDue(FTSTicker::GetCoreTicker());
			const double WaitSeconds = NextDue < 0.0 ? 1.0 : std::min(1.0, NextDue);
			std::unique_lock<std::mutex> Lock(GLoop.Mutex);
			GLoop.Wake.wait_for(Lock, std::chrono::duration<double>(WaitSeconds), [] { return GLoop.bPoked || GLoop.bQuit.load(); });
		}
	}
}

int main(int Argc, char** Argv)
{
	FOptions Options;
	if (!ParseOptions(Argc, Argv, Options)) { return 2; }

	// Block the stop signals before any thread starts, so every thread inherits the mask.
	sigset_t Set;
	sigemptyset(&Set);
	sigaddset(&Set, SIGINT);
	sigaddset(&Set, SIGTERM);
	pthread_sigmask(SIG_BLOCK, &Set, nullptr);
	std::signal(SIGPIPE, SIG_IGN);

	SetGameThread();
	// Folders named on the command line are taken from where the editor was started; from here on
	// it works from its binaries folder, as the engine does.
	for (FString& Dir : Options.PluginDirs) { Dir = FPaths::ConvertRelativePathToFull(GetLaunchDir(), Dir); }
	SetAbsoluteProjectPaths(Options.bAbsoluteProjectPaths);
	SetProjectDir(Options.ProjectDir);
	IFileManager& Files = IFileManager::Get();
	Files.MakeDirectory(*FPaths::ProjectContentDir(), true);
	Files.MakeDirectory(*FPaths::ProjectLogDir(), true);
	const FString LogPath = FPaths::ProjectLogDir() + GetProjectName() + TEXT(".log");
	if (!SetLogFile(LogPath)) { std::fprintf(stderr, "headless-editor: cannot write the log file %s\n", ToUtf8(LogPath).c_str()); }

	UE_LOG(LogInit, Display, TEXT("HeadlessEditor %d.%d: project %s"), ENGINE_MAJOR_VERSION, ENGINE_MINOR_VERSION, *FPaths::ProjectDir());
	FHeadlessTicker::SetOnTickerAdded([] { GLoop.Poke(); });
	FHeadlessNotifications::SetOnQueued([] { GLoop.Poke(); });
	RegisterBuiltinCommands();
	StartSignalThread();

	// The editor has these loaded before any plugin starts (AssetTools brings AssetRegistry).
	FModuleManager::Get().LoadModuleChecked(TEXT("HTTP"));
	FModuleManager::Get().LoadModuleChecked(TEXT("AssetTools"));
	AddModuleSearchDir(FString(FPlatformProcess::BaseDir()) + TEXT("Modules"));
	if (Files.DirectoryExists(*FPaths::ProjectPluginsDir())) { DiscoverPlugins(FPaths::ProjectPluginsDir()); }
	for (const FString& Dir : Options.PluginDirs)
	{
		if (DiscoverPlugins(Dir) == 0) { UE_LOG(LogPluginManager, Error, TEXT("No plugin found in %s"), *Dir); }
	}
	// The engine's USD importer is a plugin of its own, off unless the project or a plugin enables it.
	AddEnginePlugin(TEXT("USDImporter"), TEXT("USD Importer"), FPaths::EnginePluginsDir() / TEXT("Importers/USDImporter"), false);
	ResolveEnabledPlugins(FPaths::GetProjectFilePath());
	if (IPluginManager::Get().FindPlugin(TEXT("USDImporter"))->IsEnabled()) { RegisterUsdImporter(); }
	bool bStarted = LoadPluginModules();
	FHeadlessToolMenus::MarkReady();
	for (const FString& Entry : Options.Presses) { PressEntry(Entry); }

	int ExitCode = 0;
	if (Options.bRunTests)
	{
		const FHeadlessAutomation::FResults Results = FHeadlessAutomation::RunTests(Options.TestFilter);
		if (Results.Passed + Results.Failed == 0) { UE_LOG(LogAutomationTest, Error, TEXT("No automation test matches '%s'"), *Options.TestFilter); }
		ExitCode = (Results.Failed > 0 || Results.Passed == 0 || !bStarted) ? 1 : 0;
		ShutDownModules();
		std::printf("%d passed, %d failed\n", Results.Passed, Results.Failed);
		LeaveProcess(ExitCode);
	}

	// The editor's content monitoring, on by default (it does not run during automation tests).
	StartContentMonitor();
	UE_LOG(LogInit, Display, TEXT("Editor ready. Type 'help' for console commands."));
	StartConsoleThread();
	RunMainLoop();

	UE_LOG(LogExit, Display, TEXT("Shutting down"));
	ShutDownModules();
	UE_LOG(LogExit, Display, TEXT("Exiting"));
	LeaveProcess(ExitCode);
}
