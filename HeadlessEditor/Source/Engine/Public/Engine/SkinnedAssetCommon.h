// FSkeletalMaterial: one material slot of a skeletal mesh.
#pragma once

#include "CoreMinimal.h"
#include "MeshUVChannelInfo.h"
#include "UObject/ObjectPtr.h"

class UMaterialInterface;

struct ENGINE_API FSkeletalMaterial
{
	TObjectPtr<class UMaterialInterface> MaterialInterface;
	FName MaterialSlotName;
#if WITH_EDITORONLY_DATA
	FName ImportedMaterialSlotName;
#endif
	FMeshUVChannelInfo UVChannelData;

	FSkeletalMaterial() = default;
	FSkeletalMaterial(UMaterialInterface* InMaterialInterface, FName InMaterialSlotName = NAME_None
#if WITH_EDITORONLY_DATA
		, FName InImportedMaterialSlotName = NAME_None
#endif
		)
		: MaterialInterface(InMaterialInterface), MaterialSlotName(InMaterialSlotName)
#if WITH_EDITORONLY_DATA
		, ImportedMaterialSlotName(InImportedMaterialSlotName)
#endif
	{}

	bool operator==(const FSkeletalMaterial& Other) const
	{
		return MaterialInterface == Other.MaterialInterface && MaterialSlotName == Other.MaterialSlotName
#if WITH_EDITORONLY_DATA
			&& ImportedMaterialSlotName == Other.ImportedMaterialSlotName
#endif
			;
	}
};
