// What the headless editor's plugin loader does with the module manager beyond the engine's API:
// it adds a module it created from a plugin's shared library (the engine's module manager loads
// plugin libraries itself).
#pragma once

#include "Modules/ModuleManager.h"

struct CORE_API FHeadlessModules
{
	// Adds an already created module under its name and starts it up; nothing happens for null.
	static void AddLoadedModule(const FName InModuleName, IModuleInterface* Module);
};
