// USkeletalMeshComponent: draws a skeletal mesh in a pose.
#pragma once

#include "Components/SkinnedMeshComponent.h"

class USkeletalMesh;

class ENGINE_API USkeletalMeshComponent : public USkinnedMeshComponent
{
	DECLARE_CLASS(USkeletalMeshComponent, USkinnedMeshComponent, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	// Sets the mesh; with bReinitPose the pose is put back to the mesh's reference pose.
	virtual void SetSkeletalMesh(class USkeletalMesh* NewMesh, bool bReinitPose = true);
	void SetSkeletalMeshAsset(USkeletalMesh* NewMesh) { SetSkeletalMesh(NewMesh, false); }
	USkeletalMesh* GetSkeletalMeshAsset() const;

private:
	// How many times the pose was put back to the reference pose (the headless editor has no
	// animation, so this is all a pose is); read by the host (Engine/Host/EngineHost.h).
	friend struct FHeadlessAssets;
	int32 NumPoseReinits = 0;
};
