#include "Modules/ModuleManager.h"
#include "CoreGlobals.h"
#include "ModulesHost.h"

#include <memory>
#include <mutex>
#include <vector>

struct FModuleManager::FImpl
{
	struct FLoaded { FName Name; IModuleInterface* Module; };
	std::recursive_mutex Mutex;
	std::vector<std::pair<FName, FModuleManager::FInitializeStaticallyLinkedModule>> Factories;
	std::vector<FLoaded> Loaded; // in load order
};

FModuleManager& FModuleManager::Get()
{
	static FModuleManager Instance;
	return Instance;
}

FModuleManager::FImpl& FModuleManager::Impl() const
{
	static FImpl Instance;
	return Instance;
}

bool FModuleManager::IsModuleLoaded(const FName InModuleName) const
{
	std::lock_guard<std::recursive_mutex> Lock(Impl().Mutex);
	for (const FImpl::FLoaded& L : Impl().Loaded) { if (L.Name == InModuleName) { return true; } }
	return false;
}

IModuleInterface* FModuleManager::GetModule(const FName InModuleName)
{
	std::lock_guard<std::recursive_mutex> Lock(Impl().Mutex);
	for (const FImpl::FLoaded& L : Impl().Loaded) { if (L.Name == InModuleName) { return L.Module; } }
	return nullptr;
}

IModuleInterface* FModuleManager::LoadModule(const FName InModuleName)
{
	std::lock_guard<std::recursive_mutex> Lock(Impl().Mutex);
	if (IModuleInterface* Existing = GetModule(InModuleName)) { return Existing; }
	for (auto& Factory : Impl().Factories)
	{
		if (Factory.first == InModuleName)
		{
			IModuleInterface* Module = Factory.second.Execute();
			AddLoadedModule(InModuleName, Module);
			return Module;
		}
	}
	UE_LOG(LogModuleManager, Warning, TEXT("No module named '%s' is known"), *InModuleName.ToString());
	return nullptr;
}

IModuleInterface& FModuleManager::LoadModuleChecked(const FName InModuleName)
{
	IModuleInterface* Module = LoadModule(InModuleName);
	check(Module);
	return *Module;
}

void FModuleManager::RegisterStaticallyLinkedModule(const FName InModuleName, const FInitializeStaticallyLinkedModule& InInitializerDelegate)
{
	std::lock_guard<std::recursive_mutex> Lock(Impl().Mutex);
	Impl().Factories.emplace_back(InModuleName, InInitializerDelegate);
}

void FHeadlessModules::AddLoadedModule(const FName InModuleName, IModuleInterface* Module)
{
	FModuleManager::Get().AddLoadedModule(InModuleName, Module);
}

void FModuleManager::AddLoadedModule(const FName InModuleName, IModuleInterface* Module)
{
	if (!Module) { return; }
	{
		std::lock_guard<std::recursive_mutex> Lock(Impl().Mutex);
		Impl().Loaded.push_back({ InModuleName, Module });
	}
	Module->StartupModule();
}

bool FModuleManager::UnloadModule(const FName InModuleName, bool /*bIsShutdown*/, bool /*bAllowUnloadCode*/)
{
	IModuleInterface* Module = nullptr;
	{
		std::lock_guard<std::recursive_mutex> Lock(Impl().Mutex);
		auto& Loaded = Impl().Loaded;
		for (auto It = Loaded.begin(); It != Loaded.end(); ++It)
		{
			if (It->Name == InModuleName) { Module = It->Module; Loaded.erase(It); break; }
		}
	}
	if (!Module) { return false; }
	Module->PreUnloadCallback();
	Module->ShutdownModule();
	delete Module;
	return true;
}

void FModuleManager::UnloadModulesAtShutdown()
{
	while (true)
	{
		FName Last;
		{
			std::lock_guard<std::recursive_mutex> Lock(Impl().Mutex);
			if (Impl().Loaded.empty()) { return; }
			Last = Impl().Loaded.back().Name;
		}
		UnloadModule(Last);
	}
}
