#include "UObject/TopLevelAssetPath.h"
#include "UObject/Object.h"
#include "UObject/Package.h"

FTopLevelAssetPath::FTopLevelAssetPath(const UObject* InObject)
{
	if (!InObject) { return; }
	if (const UClass* AsClass = Cast<UClass>(InObject))
	{
		*this = AsClass->GetClassPathName();
		return;
	}
	const UObject* Outer = InObject->GetOuter();
	if (Outer && Outer->IsA(UPackage::StaticClass()) && !Outer->GetOuter())
	{
		PackageName = Outer->GetFName();
		AssetName = InObject->GetFName();
	}
}

bool FTopLevelAssetPath::TrySetPath(const FString& InPath)
{
	Reset();
	int32 Dot = INDEX_NONE;
	if (!InPath.StartsWith(TEXT("/")) || !InPath.FindChar('.', Dot) || Dot <= 1 || Dot >= InPath.Len() - 1) { return false; }
	const FString Asset = InPath.RightChop(Dot + 1);
	if (Asset.Contains(TEXT(".")) || Asset.Contains(TEXT(":"))) { return false; }
	PackageName = FName(InPath.Left(Dot));
	AssetName = FName(Asset);
	return true;
}

FString FTopLevelAssetPath::ToString() const
{
	if (PackageName.IsNone()) { return FString(); }
	return AssetName.IsNone() ? PackageName.ToString() : PackageName.ToString() + TEXT(".") + AssetName.ToString();
}
