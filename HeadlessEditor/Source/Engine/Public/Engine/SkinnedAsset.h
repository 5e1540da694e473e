// USkinnedAsset: the base of skeletal meshes.
#pragma once

#include "Engine/StreamableRenderAsset.h"
#include "Engine/SkinnedAssetCommon.h"

class USkeleton;

class ENGINE_API USkinnedAsset : public UStreamableRenderAsset
{
	DECLARE_CLASS(USkinnedAsset, UStreamableRenderAsset, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	virtual TArray<FSkeletalMaterial>& GetMaterials();
	virtual const TArray<FSkeletalMaterial>& GetMaterials() const;
	virtual USkeleton* GetSkeleton() { return nullptr; }
	virtual const USkeleton* GetSkeleton() const { return nullptr; }
};
