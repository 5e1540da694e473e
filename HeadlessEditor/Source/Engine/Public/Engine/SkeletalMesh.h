// USkeletalMesh: a skinned mesh, its skeleton and its material slots.
#pragma once

#include "Engine/SkinnedAsset.h"
#include "UObject/ObjectPtr.h"
#include "Templates/UniquePtr.h"

class USkeleton;
struct FHeadlessMeshData;

class ENGINE_API USkeletalMesh : public USkinnedAsset
{
	DECLARE_CLASS(USkeletalMesh, USkinnedAsset, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	USkeletalMesh();
	~USkeletalMesh();

	TArray<FSkeletalMaterial>& GetMaterials() override { return Materials; }
	const TArray<FSkeletalMaterial>& GetMaterials() const override { return Materials; }
	void SetMaterials(const TArray<FSkeletalMaterial>& InMaterials) { Materials = InMaterials; }

	USkeleton* GetSkeleton() override { return Skeleton; }
	const USkeleton* GetSkeleton() const override { return Skeleton; }
	void SetSkeleton(USkeleton* InSkeleton) { Skeleton = InSkeleton; }

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	// The imported geometry with its bone influences (indices into the skeleton's bones) and the
	// file it came from, for the host (Engine/Host/EngineHost.h).
	friend struct FHeadlessAssets;

	TArray<FSkeletalMaterial> Materials;
	TObjectPtr<USkeleton> Skeleton;
	TUniquePtr<FHeadlessMeshData> MeshData;
	FString SourceFilePath;
};
