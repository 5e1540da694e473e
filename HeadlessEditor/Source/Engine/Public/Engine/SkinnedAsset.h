// USkinnedAsset: the base of skeletal meshes.
#pragma once

#include "Engine/StreamableRenderAsset.h"
#include "Engine/SkinnedAssetCommon.h"

class USkeleton;

class ENGINE_API USkinnedAsset : public UStreamableRenderAsset
{
	DECLARE_HEADLESS_CLASS(USkinnedAsset, UStreamableRenderAsset)

	virtual TArray<FSkeletalMaterial>& GetMaterials();
	virtual const TArray<FSkeletalMaterial>& GetMaterials() const;
	virtual USkeleton* GetSkeleton() { return nullptr; }
	virtual const USkeleton* GetSkeleton() const { return nullptr; }
};
