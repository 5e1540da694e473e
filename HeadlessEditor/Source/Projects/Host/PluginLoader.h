// What the headless editor does with plugins: find their descriptors, load their editor modules
// from shared libraries, and unload them at exit.
#pragma once
#include "CoreMinimal.h"

namespace UE::HeadlessEditor
{
	// Reads DIR/*.uplugin (a plugin folder) or, for a folder of plugins, each DIR/*/*.uplugin.
	// Returns the number of plugins found; a descriptor that cannot be read is logged and skipped.
	PROJECTS_API int32 DiscoverPlugins(const FString& Dir);
	// An engine plugin built into the headless editor (its code is in the host; it has no
	// descriptor on disk), enabled by default or not, as the engine's descriptor says.
	PROJECTS_API void AddEnginePlugin(const FString& Name, const FString& FriendlyName, const FString& BaseDir, bool bEnabledByDefault);
	// Decides which discovered plugins are enabled: each as its "EnabledByDefault" says, unless
	// the project file's "Plugins" list says otherwise, and every plugin an enabled plugin's
	// "Plugins" list enables.
	PROJECTS_API void ResolveEnabledPlugins(const FString& ProjectFile);
	// Folders searched for module libraries (UnrealEditor-<Module>.so) before the plugin's own
	// Binaries/Linux folder.
	PROJECTS_API void AddModuleSearchDir(const FString& Dir);
	// Loads and starts every editor module of every enabled plugin; false if any failed.
	PROJECTS_API bool LoadPluginModules();
	// Shuts the plugins' modules down, last loaded first, and abandons them: as the engine does at
	// shut-down (ModuleManager.cpp, UnloadModule with bIsShutdown), their code stays loaded.
	PROJECTS_API void UnloadPluginModules();
}
