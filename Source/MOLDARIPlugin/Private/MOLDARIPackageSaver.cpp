#include "MOLDARIImport.h"
#include "MOLDARIImportJobs.h"

#include "AssetRegistry/AssetData.h"
#include "AssetRegistry/AssetRegistryModule.h"
#include "AssetRegistry/IAssetRegistry.h"
#include "Engine/World.h"
#include "Misc/PackageName.h"
#include "Modules/ModuleManager.h"
#include "UObject/Package.h"
#include "UObject/SavePackage.h"

void SaveImportedPackages(const FString& ContentPath)
{
	IAssetRegistry& AssetRegistry = FModuleManager::LoadModuleChecked<FAssetRegistryModule>(TEXT("AssetRegistry")).Get();
	AssetRegistry.ScanPathsSynchronous({ ContentPath }, true, false);

	TArray<FAssetData> Assets;
	AssetRegistry.GetAssetsByPath(FName(*ContentPath), Assets, true, false);

	int32 Saved = 0;
	for (const FAssetData& AssetData : Assets)
	{
		UObject* Asset = AssetData.GetAsset();
		if (!Asset)
		{
			continue;
		}
		UPackage* Package = Asset->GetOutermost();
		if (!Package || !Package->IsDirty())
		{
			continue;
		}
		// A level must be written as a map file, or the editor will not open it as one.
		const FString& Extension = Asset->IsA<UWorld>() ? FPackageName::GetMapPackageExtension() : FPackageName::GetAssetPackageExtension();
		FString Filename;
		if (!FPackageName::TryConvertLongPackageNameToFilename(Package->GetName(), Filename, Extension))
		{
			continue;
		}
		FSavePackageArgs SaveArgs;
		SaveArgs.TopLevelFlags = RF_Public | RF_Standalone;
		if (UPackage::SavePackage(Package, Asset, *Filename, SaveArgs))
		{
			++Saved;
			UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Saved: %s"), *Filename);
		}
		else
		{
			UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Failed to save: %s"), *Filename);
		}
	}

	UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Saved %d .uasset file(s) to disk"), Saved);
	MOLDARIJobs::ReportFilesSaved(Saved);
}
