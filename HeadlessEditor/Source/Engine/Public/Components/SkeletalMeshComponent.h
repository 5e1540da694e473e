// USkeletalMeshComponent: draws a skeletal mesh in a pose.
#pragma once

#include "Components/SkinnedMeshComponent.h"

class USkeletalMesh;

class ENGINE_API USkeletalMeshComponent : public USkinnedMeshComponent
{
	DECLARE_HEADLESS_CLASS(USkeletalMeshComponent, USkinnedMeshComponent)

	// Sets the mesh; with bReinitPose the pose is put back to the mesh's reference pose.
	virtual void SetSkeletalMesh(class USkeletalMesh* NewMesh, bool bReinitPose = true);
	void SetSkeletalMeshAsset(USkeletalMesh* NewMesh) { SetSkeletalMesh(NewMesh, false); }
	USkeletalMesh* GetSkeletalMeshAsset() const;

	// Stand-in: how many times the pose was put back to the reference pose (the stand-in has no
	// animation, so this is all a pose is).
	int32 GetNumPoseReinits() const { return NumPoseReinits; }

private:
	int32 NumPoseReinits = 0;
};
