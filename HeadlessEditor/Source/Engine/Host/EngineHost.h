// What the headless editor keeps on engine assets beyond the engine's public API: the geometry of
// imported meshes, the bones of skeletons, texture source pixels and the file an asset was imported
// from (the engine keeps mesh descriptions, reference skeletons and asset import data), and what a
// skeletal mesh component did with its pose. Importers, the glTF exporter and tests use these.
#pragma once

#include "Engine/HeadlessMeshData.h"
#include "Engine/StaticMesh.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/Texture.h"
#include "Animation/Skeleton.h"
#include "Components/SkeletalMeshComponent.h"

struct ENGINE_API FHeadlessAssets
{
	static FHeadlessMeshData& MeshData(UStaticMesh& Mesh);
	static const FHeadlessMeshData& MeshData(const UStaticMesh& Mesh);
	static FHeadlessMeshData& MeshData(USkeletalMesh& Mesh);
	static const FHeadlessMeshData& MeshData(const USkeletalMesh& Mesh);

	// The file the asset was imported from ("" when it was made in the editor).
	static FString& SourceFilePath(UStaticMesh& Mesh);
	static const FString& SourceFilePath(const UStaticMesh& Mesh);
	static FString& SourceFilePath(USkeletalMesh& Mesh);
	static const FString& SourceFilePath(const USkeletalMesh& Mesh);
	static FString& SourceFilePath(UTexture& Texture);
	static const FString& SourceFilePath(const UTexture& Texture);

	// The reference skeleton's bones, parents before children.
	static TArray<FHeadlessBone>& Bones(USkeleton& Skeleton);
	static const TArray<FHeadlessBone>& Bones(const USkeleton& Skeleton);
	// Index of the bone with that name, or INDEX_NONE.
	static int32 FindBoneIndex(const USkeleton& Skeleton, FName BoneName);

	// The source pixels: rows top to bottom, no padding.
	static const TArray<uint8>& SourceData(const FTextureSource& Source);
	// For importers: takes Data's buffer (exactly SizeX * SizeY * bytes per pixel bytes) instead of
	// copying it; an empty source when the size does not match.
	static void InitSource(FTextureSource& Source, int32 SizeX, int32 SizeY, ETextureSourceFormat Format, TArray<uint8>&& Data);

	// How many times the component put its pose back to the mesh's reference pose.
	static int32 GetNumPoseReinits(const USkeletalMeshComponent& Component);
};
