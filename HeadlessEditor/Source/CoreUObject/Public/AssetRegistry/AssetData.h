// FAssetData: what the asset registry knows of one asset without loading it.
#pragma once

#include "CoreMinimal.h"
#include "UObject/TopLevelAssetPath.h"

class UObject;
class UClass;

struct COREUOBJECT_API FAssetData
{
	FName PackageName;                   // "/Game/Folder/Asset"
	FName PackagePath;                   // "/Game/Folder"
	FName AssetName;                     // "Asset"
	FTopLevelAssetPath AssetClassPath;   // "/Script/Engine.StaticMesh"
	uint32 PackageFlags = 0;

	FAssetData() = default;
	FAssetData(FName InPackageName, FName InPackagePath, FName InAssetName, FTopLevelAssetPath InAssetClassPath);
	// The data of an object that is directly in a package (an asset); invalid data otherwise.
	FAssetData(const UObject* InAsset);

	// The asset, loading its package when it is not in memory; null when it cannot be had.
	UObject* GetAsset() const;
	// The asset only if it is in memory.
	UObject* FastGetAsset(bool bLoad = false) const;
	bool IsAssetLoaded() const;
	bool IsValid() const { return !PackageName.IsNone() && !AssetName.IsNone(); }
	// "/Game/Folder/Asset.Asset".
	FString GetObjectPathString() const;
	FTopLevelAssetPath GetSoftObjectPath() const { return FTopLevelAssetPath(PackageName, AssetName); }
	// "StaticMesh /Game/Folder/Asset.Asset".
	FString GetFullName() const;
	// The registered class of the asset, or null.
	UClass* GetClass() const;

	bool operator==(const FAssetData& Other) const
	{
		return PackageName == Other.PackageName && AssetName == Other.AssetName && AssetClassPath == Other.AssetClassPath;
	}
	bool operator!=(const FAssetData& Other) const { return !(*this == Other); }
};
