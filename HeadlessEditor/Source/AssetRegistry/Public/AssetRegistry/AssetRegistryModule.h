// FAssetRegistryModule: the module that owns the asset registry.
#pragma once

#include "CoreMinimal.h"
#include "Modules/ModuleInterface.h"
#include "AssetRegistry/IAssetRegistry.h"

class ASSETREGISTRY_API FAssetRegistryModule : public IModuleInterface
{
public:
	void StartupModule() override;
	void ShutdownModule() override;

	virtual IAssetRegistry& Get() const;
	static IAssetRegistry& GetRegistry();

	// Tells the registry that a new in-memory asset exists.
	static void AssetCreated(UObject* NewAsset);
	static void AssetDeleted(UObject* DeletedAsset);
};
