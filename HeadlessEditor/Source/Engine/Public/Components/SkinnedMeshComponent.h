// USkinnedMeshComponent: draws a skinned asset.
#pragma once

#include "Components/MeshComponent.h"

class USkinnedAsset;

class ENGINE_API USkinnedMeshComponent : public UMeshComponent
{
	DECLARE_HEADLESS_CLASS(USkinnedMeshComponent, UMeshComponent)

	USkinnedAsset* GetSkinnedAsset() const { return SkinnedAsset; }

	void SerializeProperties(FPropertyArchive& Ar) override;

protected:
	TObjectPtr<USkinnedAsset> SkinnedAsset;
};
