// FTopLevelAssetPath: package name plus the name of an object directly in it ("/Script/Engine.StaticMesh").
#pragma once

#include "CoreMinimal.h"

class UObject;

struct COREUOBJECT_API FTopLevelAssetPath
{
	FTopLevelAssetPath() {}
	FTopLevelAssetPath(FName InPackageName, FName InAssetName) : PackageName(InPackageName), AssetName(InAssetName) {}
	// "/Path/Package.Asset"; a malformed string gives the null path.
	explicit FTopLevelAssetPath(const FString& InPath) { TrySetPath(InPath); }
	explicit FTopLevelAssetPath(const TCHAR* InPath) { TrySetPath(FString(InPath)); }
	// The path of a top-level object (its package and name); null for other objects.
	explicit FTopLevelAssetPath(const UObject* InObject);

	bool TrySetPath(const FString& InPath);
	FName GetPackageName() const { return PackageName; }
	FName GetAssetName() const { return AssetName; }
	FString ToString() const;
	bool IsNull() const { return PackageName.IsNone(); }
	bool IsValid() const { return !PackageName.IsNone() && !AssetName.IsNone(); }
	void Reset() { PackageName = FName(); AssetName = FName(); }

	bool operator==(const FTopLevelAssetPath& Other) const { return PackageName == Other.PackageName && AssetName == Other.AssetName; }
	bool operator!=(const FTopLevelAssetPath& Other) const { return !(*this == Other); }

private:
	FName PackageName;
	FName AssetName;
};

inline uint32 GetTypeHash(const FTopLevelAssetPath& Path) { return GetTypeHash(Path.GetPackageName()) * 31u + GetTypeHash(Path.GetAssetName()); }
inline FString LexToString(const FTopLevelAssetPath& Path) { return Path.ToString(); }
