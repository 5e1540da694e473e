// UStaticMesh: a mesh without bones, with its material slots.
#pragma once

#include "Engine/StreamableRenderAsset.h"
#include "MeshUVChannelInfo.h"
#include "UObject/ObjectPtr.h"
#include "Templates/UniquePtr.h"

class UMaterialInterface;
struct FHeadlessMeshData;

struct ENGINE_API FStaticMaterial
{
	TObjectPtr<class UMaterialInterface> MaterialInterface;
	FName MaterialSlotName;
	FName ImportedMaterialSlotName;
	FMeshUVChannelInfo UVChannelData;

	FStaticMaterial() = default;
	FStaticMaterial(UMaterialInterface* InMaterialInterface, FName InMaterialSlotName = NAME_None
#if WITH_EDITORONLY_DATA
		, FName InImportedMaterialSlotName = NAME_None
#endif
		)
		: MaterialInterface(InMaterialInterface), MaterialSlotName(InMaterialSlotName)
#if WITH_EDITORONLY_DATA
		, ImportedMaterialSlotName(InImportedMaterialSlotName)
#endif
	{}

	bool operator==(const FStaticMaterial& Other) const
	{
		return MaterialInterface == Other.MaterialInterface && MaterialSlotName == Other.MaterialSlotName && ImportedMaterialSlotName == Other.ImportedMaterialSlotName;
	}
};

class ENGINE_API UStaticMesh : public UStreamableRenderAsset
{
	DECLARE_CLASS(UStaticMesh, UStreamableRenderAsset, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	UStaticMesh();
	~UStaticMesh();

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

	int32 GetNumTriangles(int32 LODIndex = 0) const;
	int32 GetNumVertices(int32 LODIndex = 0) const;

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	// The imported geometry and the file it came from, for the host (Engine/Host/EngineHost.h).
	friend struct FHeadlessAssets;

	TArray<FStaticMaterial> StaticMaterials;
	TUniquePtr<FHeadlessMeshData> MeshData;
	FString SourceFilePath;
};
