// USkeleton: the bone hierarchy that skeletal meshes and animations share.
#pragma once

#include "UObject/Object.h"
#include "Engine/HeadlessMeshData.h"

class ENGINE_API USkeleton : public UObject
{
	DECLARE_HEADLESS_CLASS(USkeleton, UObject)

	// Stand-in: the reference skeleton, parents before children.
	TArray<FHeadlessBone> Bones;

	int32 GetNumBones() const { return Bones.Num(); }
	// Index of the bone with that name, or INDEX_NONE.
	int32 FindBoneIndex(FName BoneName) const;

	void SerializeProperties(FPropertyArchive& Ar) override;
};
