#include "AssetRegistry/AssetData.h"
#include "UObject/UObjectGlobals.h"
#include "Misc/PackageName.h"

FAssetData::FAssetData(FName InPackageName, FName InPackagePath, FName InAssetName, FTopLevelAssetPath InAssetClassPath)
	: PackageName(InPackageName), PackagePath(InPackagePath), AssetName(InAssetName), AssetClassPath(InAssetClassPath)
{
}

FAssetData::FAssetData(const UObject* InAsset)
{
	if (!::IsValid(InAsset)) { return; }
	const UObject* Outer = InAsset->GetOuter();
	if (!Outer || Outer->GetOuter() || !Outer->IsA(UPackage::StaticClass())) { return; }
	PackageName = Outer->GetFName();
	PackagePath = FName(FPackageName::GetLongPackagePath(Outer->GetName()));
	AssetName = InAsset->GetFName();
	AssetClassPath = InAsset->GetClass()->GetClassPathName();
}

FString FAssetData::GetObjectPathString() const
{
	if (!IsValid()) { return FString(); }
	return PackageName.ToString() + TEXT(".") + AssetName.ToString();
}

FString FAssetData::GetFullName() const
{
	return AssetClassPath.GetAssetName().ToString() + TEXT(" ") + GetObjectPathString();
}

UClass* FAssetData::GetClass() const
{
	return FindObject<UClass>(AssetClassPath);
}

UObject* FAssetData::FastGetAsset(bool bLoad) const
{
	if (!IsValid()) { return nullptr; }
	if (bLoad) { return GetAsset(); }
	UPackage* Package = FindObject<UPackage>(nullptr, *PackageName.ToString());
	return Package ? StaticFindObject(nullptr, Package, *AssetName.ToString()) : nullptr;
}

bool FAssetData::IsAssetLoaded() const
{
	return FastGetAsset(false) != nullptr;
}

UObject* FAssetData::GetAsset() const
{
	if (!IsValid()) { return nullptr; }
	if (UObject* Loaded = FastGetAsset(false)) { return Loaded; }
	UPackage* Package = LoadPackage(nullptr, *PackageName.ToString(), LOAD_None);
	return Package ? StaticFindObject(nullptr, Package, *AssetName.ToString()) : nullptr;
}
