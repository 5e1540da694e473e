// UStaticMesh: a mesh without bones, with its material slots.
#pragma once

#include "Engine/StreamableRenderAsset.h"
#include "Engine/HeadlessMeshData.h"
#include "Engine/MeshUVChannelInfo.h"
#include "UObject/ObjectPtr.h"

class UMaterialInterface;

struct ENGINE_API FStaticMaterial
{
	TObjectPtr<class UMaterialInterface> MaterialInterface;
	FName MaterialSlotName;
#if WITH_EDITORONLY_DATA
	FName ImportedMaterialSlotName;
#endif
	FMeshUVChannelInfo UVChannelData;

	FStaticMaterial() = default;
	FStaticMaterial(UMaterialInterface* InMaterialInterface, FName InMaterialSlotName = NAME_None, FName InImportedMaterialSlotName = NAME_None)
		: MaterialInterface(InMaterialInterface), MaterialSlotName(InMaterialSlotName), ImportedMaterialSlotName(InImportedMaterialSlotName) {}

	bool operator==(const FStaticMaterial& Other) const
	{
		return MaterialInterface == Other.MaterialInterface && MaterialSlotName == Other.MaterialSlotName && ImportedMaterialSlotName == Other.ImportedMaterialSlotName;
	}
};

class ENGINE_API UStaticMesh : public UStreamableRenderAsset
{
	DECLARE_HEADLESS_CLASS(UStaticMesh, UStreamableRenderAsset)

	TArray<FStaticMaterial>& GetStaticMaterials() { return StaticMaterials; }
	const TArray<FStaticMaterial>& GetStaticMaterials() const { return StaticMaterials; }
	void SetStaticMaterials(const TArray<FStaticMaterial>& InStaticMaterials) { StaticMaterials = InStaticMaterials; }

	// The material of a slot, or null for an index out of range.
	UMaterialInterface* GetMaterial(int32 MaterialIndex) const;
	int32 GetMaterialIndex(FName MaterialSlotName) const;
#if WITH_EDITOR
	// Replaces the material of a slot (nothing happens for an index out of range).
	void SetMaterial(int32 MaterialIndex, UMaterialInterface* NewMaterial);
#endif

	int32 GetNumTriangles(int32 LODIndex = 0) const { return LODIndex == 0 ? MeshData.GetNumTriangles() : 0; }
	int32 GetNumVertices(int32 LODIndex = 0) const { return LODIndex == 0 ? MeshData.GetNumVertices() : 0; }

	// Stand-in: the imported geometry.
	FHeadlessMeshData MeshData;
	// Stand-in: the file the mesh was imported from.
	FString SourceFilePath;

	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	TArray<FStaticMaterial> StaticMaterials;
};
