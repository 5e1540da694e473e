// Plugin discovery and module loading: descriptors, the marker export, start-up and shut-down.
#include <gtest/gtest.h>

#include "CoreMinimal.h"
#include "HAL/PlatformProcess.h"
#include "Interfaces/IPluginManager.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"
#include "Modules/ModuleManager.h"

#include "HeadlessEditorHost.h"
#include "LogCapture.h"
#include "PluginLoader.h"
#include "ScratchDir.h"

TEST(ModuleLoadingTest, LoadsMarkedModulesAndRefusesUnmarkedOnes)
{
	FScratchDir Dir("headless-plugin");
	const FString PluginDir = Dir.Join("TestPlugin");
	const FString Descriptor = TEXT(R"({
		"FileVersion": 3, "FriendlyName": "Test",
		"Modules": [
			{ "Name": "TestGood", "Type": "Editor", "LoadingPhase": "Default" },
			{ "Name": "TestNoMarker", "Type": "Editor", "LoadingPhase": "Default" },
			{ "Name": "TestWindowsOnly", "Type": "Editor", "PlatformAllowList": [ "Win64" ] }
		]
	})");
	ASSERT_TRUE(FFileHelper::SaveStringToFile(Descriptor, *(PluginDir / TEXT("TestPlugin.uplugin"))));
	ASSERT_TRUE(FFileHelper::SaveStringToFile(TEXT("{ not json"), *Dir.Join("Broken/Broken.uplugin")));

	TestLog::FCapture Plugins(TEXT("LogPluginManager"));
	TestLog::FCapture Modules(TEXT("LogModuleManager"));
	TestLog::FCapture Temp(TEXT("LogTemp"));   // the test modules' own lines
	UE::HeadlessEditor::AddModuleSearchDir(FString(FPlatformProcess::BaseDir()) + TEXT("TestModules"));
	// A folder of plugins: both are read, the broken one is reported and skipped.
	EXPECT_EQ(UE::HeadlessEditor::DiscoverPlugins(ToFString(Dir.Path)), 1);
	EXPECT_EQ(Plugins.Count(ELogVerbosity::Error, "is not a valid descriptor"), 1);

	TSharedPtr<IPlugin> Plugin = IPluginManager::Get().FindPlugin(TEXT("testplugin"));
	ASSERT_TRUE(Plugin.IsValid());
	EXPECT_EQ(Plugin->GetBaseDir(), PluginDir);

	EXPECT_FALSE(UE::HeadlessEditor::LoadPluginModules()); // one module is refused
	EXPECT_TRUE(FModuleManager::Get().IsModuleLoaded(TEXT("TestGood")));
	EXPECT_EQ(Temp.Count(ELogVerbosity::Log, "TestGood: StartupModule"), 1);
	EXPECT_FALSE(FModuleManager::Get().IsModuleLoaded(TEXT("TestNoMarker")));
	EXPECT_EQ(Temp.Count(ELogVerbosity::Log, "TestNoMarker: StartupModule"), 0);
	EXPECT_EQ(Modules.Count(ELogVerbosity::Error, "no module marker export"), 1);
	EXPECT_FALSE(FModuleManager::Get().IsModuleLoaded(TEXT("TestWindowsOnly")));

	UE::HeadlessEditor::UnloadPluginModules();
	EXPECT_EQ(Temp.Count(ELogVerbosity::Log, "TestGood: ShutdownModule"), 1);
	EXPECT_FALSE(FModuleManager::Get().IsModuleLoaded(TEXT("TestGood")));
}
