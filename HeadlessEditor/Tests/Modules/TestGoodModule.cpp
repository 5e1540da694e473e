// A well-formed plugin module for the module-loading tests.
#include "CoreMinimal.h"
#include "Modules/ModuleManager.h"

class FTestGoodModule : public IModuleInterface
{
public:
	virtual void StartupModule() override { UE_LOG(LogTemp, Log, TEXT("TestGood: StartupModule")); }
	virtual void ShutdownModule() override { UE_LOG(LogTemp, Log, TEXT("TestGood: ShutdownModule")); }
};

IMPLEMENT_MODULE(FTestGoodModule, TestGood)
