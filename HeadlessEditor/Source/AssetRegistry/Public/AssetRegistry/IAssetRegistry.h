// IAssetRegistry: the index of the project's assets, on disk and in memory.
//
// Order of every list it returns: by package name, then by asset name, both compared without regard
// to letter case (ordinal on the lower-cased text), whatever the order of the files on disk or of
// the objects in memory. An asset both in memory and on disk is listed once (as in memory).
#pragma once

#include "CoreMinimal.h"
#include "AssetRegistry/AssetData.h"

class ASSETREGISTRY_API IAssetRegistry
{
public:
	virtual ~IAssetRegistry() = default;

	static IAssetRegistry* Get();
	static IAssetRegistry& GetChecked();

	// Reads the heads of the package files under the given content paths ("/Game/Folder") or package
	// names, recursively, now. Paths already scanned are skipped unless bForceRescan; a rescan also
	// forgets files that are gone. Damaged or foreign files are skipped with a log warning.
	virtual void ScanPathsSynchronous(const TArray<FString>& InPaths, bool bForceRescan = false, bool bIgnoreDenyListScanFilters = false) = 0;
	virtual void ScanFilesSynchronous(const TArray<FString>& InFilePaths, bool bForceRescan = false) = 0;

	// The assets whose package path is PackagePath (and, with bRecursive, under it). In-memory assets
	// are included unless bIncludeOnlyOnDiskAssets. True when the path is valid (even if empty).
	virtual bool GetAssetsByPath(FName PackagePath, TArray<FAssetData>& OutAssetData, bool bRecursive = false, bool bIncludeOnlyOnDiskAssets = false) const = 0;
	virtual bool GetAssetsByPaths(TArray<FName> PackagePaths, TArray<FAssetData>& OutAssetData, bool bRecursive = false, bool bIncludeOnlyOnDiskAssets = false) const = 0;
	virtual bool GetAssetsByPackageName(FName PackageName, TArray<FAssetData>& OutAssetData, bool bIncludeOnlyOnDiskAssets = false, bool bSkipARFilteredAssets = true) const = 0;
	virtual bool GetAssetsByClass(FTopLevelAssetPath ClassPathName, TArray<FAssetData>& OutAssetData, bool bSearchSubClasses = false) const = 0;
	virtual bool GetAllAssets(TArray<FAssetData>& OutAssetData, bool bIncludeOnlyOnDiskAssets = false) const = 0;
	// The asset at an object path ("/Game/A/B.B"); invalid data when there is none.
	virtual FAssetData GetAssetByObjectPath(const FString& ObjectPath, bool bIncludeOnlyOnDiskAssets = false) const = 0;
	virtual bool HasAssets(const FName PackagePath, const bool bRecursive = false) const = 0;

	virtual bool IsLoadingAssets() const { return false; }
	virtual void SearchAllAssets(bool bSynchronousSearch) = 0;
	virtual void WaitForCompletion() {}

	// Notifications from editors and tools.
	virtual void AssetCreated(UObject* NewAsset) = 0;
	virtual void AssetDeleted(UObject* DeletedAsset) = 0;
};
