// USkeletalMesh: a skinned mesh, its skeleton and its material slots.
#pragma once

#include "Engine/SkinnedAsset.h"
#include "Engine/HeadlessMeshData.h"
#include "UObject/ObjectPtr.h"

class USkeleton;

class ENGINE_API USkeletalMesh : public USkinnedAsset
{
	DECLARE_HEADLESS_CLASS(USkeletalMesh, USkinnedAsset)

	TArray<FSkeletalMaterial>& GetMaterials() override { return Materials; }
	const TArray<FSkeletalMaterial>& GetMaterials() const override { return Materials; }
	void SetMaterials(const TArray<FSkeletalMaterial>& InMaterials) { Materials = InMaterials; }

	USkeleton* GetSkeleton() override { return Skeleton; }
	const USkeleton* GetSkeleton() const override { return Skeleton; }
	void SetSkeleton(USkeleton* InSkeleton) { Skeleton = InSkeleton; }

	// Stand-in: the imported geometry with its bone influences (indices into the skeleton's bones).
	FHeadlessMeshData MeshData;
	// Stand-in: the file the mesh was imported from.
	FString SourceFilePath;

	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	TArray<FSkeletalMaterial> Materials;
	TObjectPtr<USkeleton> Skeleton;
};
