// IAssetTools: importing and managing assets from code.
#pragma once

#include "CoreMinimal.h"
#include "UObject/Object.h"
#include "AssetRegistry/AssetData.h"

class UAutomatedAssetImportData;

class UAssetTools;

class ASSETTOOLS_API IAssetTools
{
public:
	virtual ~IAssetTools() = default;

	static IAssetTools& Get();

	// Imports ImportData->Filenames into ImportData->DestinationPath without asking anything; the
	// importer is chosen by each file's extension. Returns the assets created or replaced (possibly
	// none). With bReplaceExisting false a file whose asset already exists is skipped.
	virtual TArray<UObject*> ImportAssetsAutomated(const UAutomatedAssetImportData* ImportData) = 0;
	// Imports files into a content path, replacing existing assets; the engine's interactive form.
	virtual TArray<UObject*> ImportAssets(const TArray<FString>& Files, const FString& DestinationPath) = 0;

	// Selects these assets in the primary Content Browser, even a locked one.
	virtual void SyncBrowserToAssets(const TArray<UObject*>& AssetsToSync) = 0;
	virtual void SyncBrowserToAssets(const TArray<FAssetData>& AssetsToSync) = 0;
};
