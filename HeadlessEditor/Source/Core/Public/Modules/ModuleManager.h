// Modules: the engine's own modules register with the manager when the process starts; plugin
// modules are shared libraries with IMPLEMENT_MODULE's exports, loaded by the plugin manager.
#pragma once

#include "HAL/Platform.h"
#include "Modules/ModuleInterface.h"
#include "UObject/NameTypes.h"
#include "Templates/Function.h"

class CORE_API FModuleManager
{
public:
	static FModuleManager& Get();

	bool IsModuleLoaded(const FName InModuleName) const;
	IModuleInterface* LoadModule(const FName InModuleName);
	IModuleInterface& LoadModuleChecked(const FName InModuleName);
	IModuleInterface* GetModule(const FName InModuleName);

	template <typename TModuleInterface>
	static TModuleInterface& LoadModuleChecked(const FName InModuleName) { return static_cast<TModuleInterface&>(Get().LoadModuleChecked(InModuleName)); }
	template <typename TModuleInterface>
	static TModuleInterface& GetModuleChecked(const FName ModuleName)
	{
		IModuleInterface* Module = Get().GetModule(ModuleName);
		check(Module);
		return static_cast<TModuleInterface&>(*Module);
	}
	template <typename TModuleInterface>
	static TModuleInterface* GetModulePtr(const FName ModuleName) { return static_cast<TModuleInterface*>(Get().GetModule(ModuleName)); }
	template <typename TModuleInterface>
	static TModuleInterface* LoadModulePtr(const FName ModuleName) { return static_cast<TModuleInterface*>(Get().LoadModule(ModuleName)); }

	// Stand-in: a module built into the host, created on first load.
	void RegisterStaticModule(const FName InModuleName, TFunction<IModuleInterface*()> Factory);
	// Stand-in: adds an already created module (a plugin module) and starts it up.
	void AddLoadedModule(const FName InModuleName, IModuleInterface* Module);
	// Stand-in: shuts down and deletes one module; returns false when it was not loaded.
	bool UnloadModule(const FName InModuleName);
	// Stand-in: shuts every module down, last loaded first.
	void UnloadAllModules();

private:
	FModuleManager() = default;
	struct FImpl;
	FImpl& Impl() const;
};

class FDefaultModuleImpl : public IModuleInterface {};

#define IMPLEMENT_MODULE(ModuleImplClass, ModuleName) \
	extern "C" DLLEXPORT IModuleInterface* InitializeModule() { return new ModuleImplClass(); } \
	extern "C" DLLEXPORT void IMPLEMENT_MODULE_##ModuleName() {} \
	extern "C" DLLEXPORT void ThisIsAnUnrealEngineModule() {}

#define IMPLEMENT_GAME_MODULE(ModuleImplClass, ModuleName) IMPLEMENT_MODULE(ModuleImplClass, ModuleName)
