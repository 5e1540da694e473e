// FAssetToolsModule: the module that owns the asset tools.
#pragma once

#include "CoreMinimal.h"
#include "Modules/ModuleInterface.h"
#include "IAssetTools.h"

class ASSETTOOLS_API FAssetToolsModule : public IModuleInterface
{
public:
	void StartupModule() override;
	void ShutdownModule() override;

	virtual IAssetTools& Get() const;
	// The module, loading it when needed.
	static FAssetToolsModule& GetModule();
	static bool IsModuleLoaded();
};
