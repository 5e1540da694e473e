// Plugin discovery and module loading: descriptors, the marker export, start-up and shut-down.
#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>

#include "CoreMinimal.h"
#include "HAL/FileManager.h"
#include "HAL/PlatformProcess.h"
#include "Interfaces/IPluginManager.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"
#include "Modules/ModuleManager.h"

#include "HeadlessEditorHost.h"
#include "PluginLoader.h"

namespace
{
	struct FCapturedLog
	{
		std::mutex Mutex;
		TArray<FString> Lines;
		int32 Handle;
		FCapturedLog()
		{
			Handle = UE::HeadlessEditor::AddLogListener([this](const UE::HeadlessEditor::FLogLine& Line) {
				std::lock_guard<std::mutex> Lock(Mutex);
				Lines.Add(Line.Formatted);
			});
		}
		~FCapturedLog() { UE::HeadlessEditor::RemoveLogListener(Handle); }
		bool Contains(const TCHAR* Text)
		{
			std::lock_guard<std::mutex> Lock(Mutex);
			return Lines.ContainsByPredicate([Text](const FString& Line) { return Line.Contains(Text); });
		}
	};
}

TEST(ModuleLoadingTest, LoadsMarkedModulesAndRefusesUnmarkedOnes)
{
	char Template[] = "/tmp/headless-plugin-XXXXXX";
	ASSERT_NE(mkdtemp(Template), nullptr);
	const FString PluginDir = FString(Template) / TEXT("TestPlugin");
	const FString Descriptor = TEXT(R"({
		"FileVersion": 3, "FriendlyName": "Test",
		"Modules": [
			{ "Name": "TestGood", "Type": "Editor", "LoadingPhase": "Default" },
			{ "Name": "TestNoMarker", "Type": "Editor", "LoadingPhase": "Default" },
			{ "Name": "TestWindowsOnly", "Type": "Editor", "PlatformAllowList": [ "Win64" ] }
		]
	})");
	ASSERT_TRUE(FFileHelper::SaveStringToFile(Descriptor, *(PluginDir / TEXT("TestPlugin.uplugin"))));
	ASSERT_TRUE(FFileHelper::SaveStringToFile(TEXT("{ not json"), *(FString(Template) / TEXT("Broken/Broken.uplugin"))));

	FCapturedLog Log;
	UE::HeadlessEditor::AddModuleSearchDir(FString(FPlatformProcess::BaseDir()) + TEXT("TestModules"));
	// A folder of plugins: both are read, the broken one is reported and skipped.
	EXPECT_EQ(UE::HeadlessEditor::DiscoverPlugins(FString(Template)), 1);
	EXPECT_TRUE(Log.Contains(TEXT("is not a valid descriptor")));

	TSharedPtr<IPlugin> Plugin = IPluginManager::Get().FindPlugin(TEXT("testplugin"));
	ASSERT_TRUE(Plugin.IsValid());
	EXPECT_EQ(Plugin->GetBaseDir(), PluginDir);

	EXPECT_FALSE(UE::HeadlessEditor::LoadPluginModules()); // one module is refused
	EXPECT_TRUE(FModuleManager::Get().IsModuleLoaded(TEXT("TestGood")));
	EXPECT_TRUE(Log.Contains(TEXT("TestGood: StartupModule")));
	EXPECT_FALSE(FModuleManager::Get().IsModuleLoaded(TEXT("TestNoMarker")));
	EXPECT_FALSE(Log.Contains(TEXT("TestNoMarker: StartupModule")));
	EXPECT_TRUE(Log.Contains(TEXT("no module marker export")));
	EXPECT_FALSE(FModuleManager::Get().IsModuleLoaded(TEXT("TestWindowsOnly")));

	UE::HeadlessEditor::UnloadPluginModules();
	EXPECT_TRUE(Log.Contains(TEXT("TestGood: ShutdownModule")));
	EXPECT_FALSE(FModuleManager::Get().IsModuleLoaded(TEXT("TestGood")));
	IFileManager::Get().DeleteDirectory(*FString(Template), false, true);
}
