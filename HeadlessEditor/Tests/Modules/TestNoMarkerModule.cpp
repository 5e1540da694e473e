// A library that looks like a module but lacks the engine's module marker: it must not be run.
#include "CoreMinimal.h"
#include "Modules/ModuleInterface.h"

class FTestNoMarkerModule : public IModuleInterface
{
public:
	virtual void StartupModule() override { UE_LOG(LogTemp, Log, TEXT("TestNoMarker: StartupModule")); }
};

extern "C" DLLEXPORT IModuleInterface* InitializeModule() { return new FTestNoMarkerModule(); }
