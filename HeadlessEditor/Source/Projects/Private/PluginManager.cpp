// Plugin descriptors (.uplugin) and their editor modules, loaded with dlopen. A library must
// carry the engine's module marker export before anything in it is called.
#include "Interfaces/IPluginManager.h"
#include "PluginLoader.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"
#include "HAL/FileManager.h"
#include "Modules/ModuleManager.h"
#include "HeadlessString.h"
#include "ModulesHost.h"

#include <dlfcn.h>
#include <mutex>
#include <nlohmann/json.hpp>
#include <vector>

namespace
{
	class FPlugin final : public IPlugin
	{
	public:
		const FString& GetName() const override { return Name; }
		const FString& GetFriendlyName() const override { return FriendlyName; }
		FString GetBaseDir() const override { return BaseDir; }
		FString GetContentDir() const override { return BaseDir / TEXT("Content"); }
		const FString& GetDescriptorFileName() const override { return DescriptorFileName; }
		bool IsEnabled() const override { return bEnabled; }
		bool CanContainContent() const override { return bCanContainContent; }

		FString Name;
		bool bEnabledByDefault = true;
		bool bEnabled = true;
		// Plugins this one enables ("Plugins" entries with "Enabled": true).
		TArray<FString> EnabledPlugins;
		FString FriendlyName;
		FString BaseDir;
		FString DescriptorFileName;
		bool bCanContainContent = false;
		struct FModule { FString Name; FString Type; TArray<FString> AllowList; TArray<FString> DenyList; };
		std::vector<FModule> Modules;
	};

	struct FLoadedModule { FName Name; void* Handle; };

	struct FState
	{
		std::mutex Mutex;
		std::vector<TSharedRef<FPlugin>> Plugins;
		TArray<FString> SearchDirs;
		std::vector<FLoadedModule> Loaded;
	};

	FState& State()
	{
		static FState Instance;
		return Instance;
	}

	TArray<FString> StringList(const nlohmann::json& Value)
	{
		TArray<FString> Result;
		if (Value.is_array())
		{
			for (const nlohmann::json& Item : Value) { if (Item.is_string()) { Result.Add(FString(Item.get<std::string>().c_str())); } }
		}
		return Result;
	}

	// The names a descriptor's "Plugins" list switches on.
	TArray<FString> EnabledPluginNames(const nlohmann::json& Descriptor)
	{
		TArray<FString> Names;
		if (Descriptor.contains("Plugins") && Descriptor["Plugins"].is_array())
		{
			for (const nlohmann::json& Entry : Descriptor["Plugins"])
			{
				if (Entry.is_object() && Entry.contains("Name") && Entry["Name"].is_string() && Entry.contains("Enabled") && Entry["Enabled"].is_boolean()
					&& Entry["Enabled"].get<bool>())
				{
					Names.Add(FString(Entry["Name"].get<std::string>().c_str()));
				}
			}
		}
		return Names;
	}

	bool ReadDescriptor(const FString& Path)
	{
		FString Text;
		if (!FFileHelper::LoadFileToString(Text, *Path))
		{
			UE_LOG(LogPluginManager, Error, TEXT("Cannot read plugin descriptor %s"), *Path);
			return false;
		}
		const nlohmann::json Json = nlohmann::json::parse(UE::HeadlessEditor::ToUtf8(Text), nullptr, false);
		if (Json.is_discarded() || !Json.is_object() || !Json.contains("FileVersion"))
		{
			UE_LOG(LogPluginManager, Error, TEXT("Plugin descriptor %s is not a valid descriptor"), *Path);
			return false;
		}
		auto Plugin = MakeShared<FPlugin>();
		Plugin->DescriptorFileName = FPaths::ConvertRelativePathToFull(Path);
		Plugin->BaseDir = FPaths::GetPath(Plugin->DescriptorFileName);
		Plugin->Name = FPaths::GetBaseFilename(Path);
		Plugin->FriendlyName = Json.contains("FriendlyName") && Json["FriendlyName"].is_string() ? FString(Json["FriendlyName"].get<std::string>().c_str()) : Plugin->Name;
		Plugin->bCanContainContent = Json.contains("CanContainContent") && Json["CanContainContent"].is_boolean() && Json["CanContainContent"].get<bool>();
		Plugin->bEnabledByDefault = !Json.contains("EnabledByDefault") || !Json["EnabledByDefault"].is_boolean() || Json["EnabledByDefault"].get<bool>();
		Plugin->bEnabled = Plugin->bEnabledByDefault;
		Plugin->EnabledPlugins = EnabledPluginNames(Json);
		if (Json.contains("Modules") && Json["Modules"].is_array())
		{
			for (const nlohmann::json& Module : Json["Modules"])
			{
				if (!Module.is_object() || !Module.contains("Name") || !Module["Name"].is_string()) { continue; }
				FPlugin::FModule Entry;
				Entry.Name = FString(Module["Name"].get<std::string>().c_str());
				// Read field by field with type checks: a malformed descriptor is skipped, never thrown on.
				Entry.Type = Module.contains("Type") && Module["Type"].is_string() ? FString(Module["Type"].get<std::string>().c_str()) : FString(TEXT("Runtime"));
				if (Module.contains("PlatformAllowList")) { Entry.AllowList = StringList(Module["PlatformAllowList"]); }
				if (Module.contains("PlatformDenyList")) { Entry.DenyList = StringList(Module["PlatformDenyList"]); }
				Plugin->Modules.push_back(Entry);
			}
		}
		std::lock_guard<std::mutex> Lock(State().Mutex);
		for (const TSharedRef<FPlugin>& Existing : State().Plugins)
		{
			if (Existing->Name == Plugin->Name)
			{
				UE_LOG(LogPluginManager, Warning, TEXT("Plugin %s found twice; keeping %s"), *Plugin->Name, *Existing->DescriptorFileName);
				return false;
			}
		}
		State().Plugins.push_back(Plugin);
		UE_LOG(LogPluginManager, Display, TEXT("Found plugin %s in %s"), *Plugin->Name, *Plugin->BaseDir);
		return true;
	}

	bool IsEditorModuleType(const FString& Type)
	{
		static const TCHAR* Types[] = { TEXT("Editor"), TEXT("EditorNoCommandlet"), TEXT("EditorAndProgram"), TEXT("Runtime"),
			TEXT("RuntimeNoCommandlet"), TEXT("RuntimeAndProgram"), TEXT("Developer"), TEXT("DeveloperTool"), TEXT("UncookedOnly") };
		for (const TCHAR* Known : Types) { if (Type.Equals(Known)) { return true; } }
		return false;
	}

	class FPluginManager final : public IPluginManager
	{
	public:
		TSharedPtr<IPlugin> FindPlugin(const FStringView Name) override
		{
			const FString Wanted(Name);
			std::lock_guard<std::mutex> Lock(State().Mutex);
			for (const TSharedRef<FPlugin>& Plugin : State().Plugins)
			{
				if (Plugin->Name == Wanted) { return TSharedPtr<IPlugin>(StaticCastSharedRef<IPlugin>(Plugin)); }
			}
			return TSharedPtr<IPlugin>();
		}

		TSharedPtr<IPlugin> FindPlugin(const ANSICHAR* Name) override
		{
			const FString Wanted(Name);
			return FindPlugin(FStringView(Wanted));
		}

		TArray<TSharedRef<IPlugin>> GetEnabledPlugins() override
		{
			TArray<TSharedRef<IPlugin>> Result;
			for (const TSharedRef<IPlugin>& Plugin : GetDiscoveredPlugins()) { if (Plugin->IsEnabled()) { Result.Add(Plugin); } }
			return Result;
		}

		TArray<TSharedRef<IPlugin>> GetDiscoveredPlugins() override
		{
			std::lock_guard<std::mutex> Lock(State().Mutex);
			TArray<TSharedRef<IPlugin>> Result;
			for (const TSharedRef<FPlugin>& Plugin : State().Plugins) { Result.Add(StaticCastSharedRef<IPlugin>(Plugin)); }
			return Result;
		}
	};
}

IPluginManager& IPluginManager::Get()
{
	static FPluginManager Instance;
	return Instance;
}

namespace UE::HeadlessEditor
{
	int32 DiscoverPlugins(const FString& InDir)
	{
		const FString Dir = FPaths::ConvertRelativePathToFull(InDir);
		int32 Found = 0;
		TArray<FString> Descriptors;
		IFileManager::Get().FindFiles(Descriptors, *(Dir / TEXT("*.uplugin")), true, false);
		for (const FString& Name : Descriptors) { Found += ReadDescriptor(Dir / Name) ? 1 : 0; }
		if (Descriptors.Num() == 0)
		{
			TArray<FString> SubDirs;
			IFileManager::Get().FindFiles(SubDirs, *(Dir / TEXT("*")), false, true);
			SubDirs.Sort();
			for (const FString& Sub : SubDirs)
			{
				TArray<FString> Inner;
				IFileManager::Get().FindFiles(Inner, *(Dir / Sub / TEXT("*.uplugin")), true, false);
				for (const FString& Name : Inner) { Found += ReadDescriptor(Dir / Sub / Name) ? 1 : 0; }
			}
		}
		return Found;
	}

	void AddEnginePlugin(const FString& Name, const FString& FriendlyName, const FString& BaseDir, bool bEnabledByDefault)
	{
		auto Plugin = MakeShared<FPlugin>();
		Plugin->Name = Name;
		Plugin->FriendlyName = FriendlyName;
		Plugin->BaseDir = BaseDir;
		Plugin->DescriptorFileName = BaseDir / Name + TEXT(".uplugin");
		Plugin->bEnabledByDefault = bEnabledByDefault;
		Plugin->bEnabled = bEnabledByDefault;
		std::lock_guard<std::mutex> Lock(State().Mutex);
		State().Plugins.push_back(Plugin);
	}

	void ResolveEnabledPlugins(const FString& ProjectFile)
	{
		// The project's own choices, then every plugin an enabled plugin asks for, as the engine
		// enables a plugin's dependencies with it.
		TArray<TPair<FString, bool>> ProjectChoices;
		FString Text;
		if (IFileManager::Get().FileExists(*ProjectFile) && FFileHelper::LoadFileToString(Text, *ProjectFile))
		{
			const nlohmann::json Json = nlohmann::json::parse(ToUtf8(Text), nullptr, false);
			if (!Json.is_discarded() && Json.is_object() && Json.contains("Plugins") && Json["Plugins"].is_array())
			{
				for (const nlohmann::json& Entry : Json["Plugins"])
				{
					if (Entry.is_object() && Entry.contains("Name") && Entry["Name"].is_string() && Entry.contains("Enabled") && Entry["Enabled"].is_boolean())
					{
						ProjectChoices.Add({ FString(Entry["Name"].get<std::string>().c_str()), Entry["Enabled"].get<bool>() });
					}
				}
			}
		}
		std::lock_guard<std::mutex> Lock(State().Mutex);
		auto Find = [](const FString& Name) -> FPlugin* {
			for (const TSharedRef<FPlugin>& Plugin : State().Plugins) { if (Plugin->Name == Name) { return &Plugin.Get(); } }
			return nullptr;
		};
		for (const TSharedRef<FPlugin>& Plugin : State().Plugins) { Plugin->bEnabled = Plugin->bEnabledByDefault; }
		for (const TPair<FString, bool>& Choice : ProjectChoices)
		{
			if (FPlugin* Plugin = Find(Choice.Key)) { Plugin->bEnabled = Choice.Value; }
			else if (Choice.Value) { UE_LOG(LogPluginManager, Warning, TEXT("The project enables plugin %s, which is not installed"), *Choice.Key); }
		}
		for (bool bChanged = true; bChanged;)
		{
			bChanged = false;
			for (const TSharedRef<FPlugin>& Plugin : State().Plugins)
			{
				if (!Plugin->bEnabled) { continue; }
				for (const FString& Wanted : Plugin->EnabledPlugins)
				{
					FPlugin* Dependency = Find(Wanted);
					if (!Dependency)
					{
						UE_LOG(LogPluginManager, Warning, TEXT("Plugin %s asks for plugin %s, which is not installed"), *Plugin->Name, *Wanted);
					}
					else if (!Dependency->bEnabled)
					{
						Dependency->bEnabled = true;
						bChanged = true;
					}
				}
			}
		}
		for (const TSharedRef<FPlugin>& Plugin : State().Plugins)
		{
			UE_LOG(LogPluginManager, Display, TEXT("Plugin %s: %s"), *Plugin->Name, Plugin->bEnabled ? TEXT("enabled") : TEXT("disabled"));
		}
	}

	void AddModuleSearchDir(const FString& Dir)
	{
		std::lock_guard<std::mutex> Lock(State().Mutex);
		State().SearchDirs.Add(Dir);
	}

	bool LoadPluginModules()
	{
		std::vector<TSharedRef<FPlugin>> Plugins;
		TArray<FString> SearchDirs;
		{
			std::lock_guard<std::mutex> Lock(State().Mutex);
			Plugins = State().Plugins;
			SearchDirs = State().SearchDirs;
		}
		bool bAllLoaded = true;
		for (const TSharedRef<FPlugin>& Plugin : Plugins)
		{
			if (!Plugin->bEnabled) { continue; }
			for (const FPlugin::FModule& Module : Plugin->Modules)
			{
				if (!IsEditorModuleType(Module.Type)) { continue; }
				if ((Module.AllowList.Num() > 0 && !Module.AllowList.Contains(FString(TEXT("Linux")))) || Module.DenyList.Contains(FString(TEXT("Linux"))))
				{
					UE_LOG(LogModuleManager, Display, TEXT("Module %s is not built for Linux; skipped"), *Module.Name);
					continue;
				}
				if (FModuleManager::Get().IsModuleLoaded(FName(Module.Name))) { continue; }

				const FString FileName = FString(TEXT("UnrealEditor-")) + Module.Name + TEXT(".so");
				TArray<FString> Candidates;
				for (const FString& Dir : SearchDirs) { Candidates.Add(Dir / FileName); }
				Candidates.Add(Plugin->BaseDir / TEXT("Binaries/Linux") / FileName);
				const FString* Library = Candidates.FindByPredicate([](const FString& Path) { return IFileManager::Get().FileExists(*Path); });
				if (!Library)
				{
					UE_LOG(LogModuleManager, Error, TEXT("Module %s of plugin %s: no %s in %s"), *Module.Name, *Plugin->Name, *FileName,
						*FString::Join(Candidates, TEXT(", ")));
					bAllLoaded = false;
					continue;
				}

				void* Handle = dlopen(ToUtf8(*Library).c_str(), RTLD_NOW | RTLD_LOCAL);
				if (!Handle)
				{
					UE_LOG(LogModuleManager, Error, TEXT("Cannot load module %s: %s"), *Module.Name, ANSI_TO_TCHAR(dlerror()));
					bAllLoaded = false;
					continue;
				}
				using FInitializeModule = IModuleInterface* (*)();
				auto Initialize = reinterpret_cast<FInitializeModule>(dlsym(Handle, "InitializeModule"));
				if (!dlsym(Handle, "ThisIsAnUnrealEngineModule") || !Initialize)
				{
					UE_LOG(LogModuleManager, Error, TEXT("%s is not an engine module (no module marker export); not loaded"), **Library);
					dlclose(Handle);
					bAllLoaded = false;
					continue;
				}
				UE_LOG(LogModuleManager, Display, TEXT("Loading module %s from %s"), *Module.Name, **Library);
				{
					std::lock_guard<std::mutex> Lock(State().Mutex);
					State().Loaded.push_back({ FName(Module.Name), Handle });
				}
				FHeadlessModules::AddLoadedModule(FName(Module.Name), Initialize());
			}
		}
		return bAllLoaded;
	}

	void UnloadPluginModules()
	{
		while (true)
		{
			FLoadedModule Last;
			{
				std::lock_guard<std::mutex> Lock(State().Mutex);
				if (State().Loaded.empty()) { return; }
				Last = State().Loaded.back();
				State().Loaded.pop_back();
			}
			// As the engine at shut-down, the module is shut down and abandoned but its code stays
			// loaded: delegates it left with other modules (HTTP requests, tickers) may still be
			// released or called after it, until the process ends.
			FModuleManager::Get().UnloadModule(Last.Name);
		}
	}
}
