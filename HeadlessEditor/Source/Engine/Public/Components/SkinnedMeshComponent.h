// USkinnedMeshComponent: draws a skinned asset.
#pragma once

#include "Components/MeshComponent.h"

class USkinnedAsset;

class ENGINE_API USkinnedMeshComponent : public UMeshComponent
{
	DECLARE_CLASS(USkinnedMeshComponent, UMeshComponent, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	USkinnedAsset* GetSkinnedAsset() const { return SkinnedAsset; }

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

	TObjectPtr<USkinnedAsset> SkinnedAsset;
};
