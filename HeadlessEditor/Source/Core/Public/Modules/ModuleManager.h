// Modules: the engine's own modules register with the manager when the process starts; plugin
// modules are shared libraries with IMPLEMENT_MODULE's exports, loaded by the plugin manager.
#pragma once

#include "HAL/Platform.h"
#include "Modules/ModuleInterface.h"
#include "UObject/NameTypes.h"
#include "Templates/Function.h"
#include "Delegates/Delegate.h"

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

	// Shuts down and deletes one module; false when it was not loaded.
	bool UnloadModule(const FName InModuleName, bool bIsShutdown = false, bool bAllowUnloadCode = true);
	// Shuts every module down, last loaded first.
	void UnloadModulesAtShutdown();

	// A module linked into the process, created by the delegate on its first load.
	DECLARE_DELEGATE_RetVal(IModuleInterface*, FInitializeStaticallyLinkedModule);
	void RegisterStaticallyLinkedModule(const FName InModuleName, const FInitializeStaticallyLinkedModule& InInitializerDelegate);

private:
	// The plugin loader adds the modules it created (Core/Host/ModulesHost.h).
	friend struct FHeadlessModules;
	void AddLoadedModule(const FName InModuleName, IModuleInterface* Module);

	FModuleManager() = default;
	struct FImpl;
	FImpl& Impl() const;
};

class FDefaultModuleImpl : public IModuleInterface {};

// Registers a module linked into the program, to be made when it is first loaded. The engine's
// constructor takes an FLazyName, which this stand-in does not have; a name literal passes to both.
template<class ModuleClass>
class FStaticallyLinkedModuleRegistrant
{
public:
	FStaticallyLinkedModuleRegistrant(const FName InModuleName)
	{
		FModuleManager::Get().RegisterStaticallyLinkedModule(InModuleName,
			FModuleManager::FInitializeStaticallyLinkedModule::CreateRaw(this, &FStaticallyLinkedModuleRegistrant<ModuleClass>::InitializeModule));
	}

	IModuleInterface* InitializeModule()
	{
		return new ModuleClass();
	}
};

#define IMPLEMENT_MODULE(ModuleImplClass, ModuleName) \
	extern "C" DLLEXPORT IModuleInterface* InitializeModule() { return new ModuleImplClass(); } \
	extern "C" DLLEXPORT void IMPLEMENT_MODULE_##ModuleName() {} \
	extern "C" DLLEXPORT void ThisIsAnUnrealEngineModule() {}

#define IMPLEMENT_GAME_MODULE(ModuleImplClass, ModuleName) IMPLEMENT_MODULE(ModuleImplClass, ModuleName)
