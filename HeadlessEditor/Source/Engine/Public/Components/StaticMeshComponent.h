// UStaticMeshComponent: draws a static mesh.
#pragma once

#include "Components/MeshComponent.h"

class UStaticMesh;

class ENGINE_API UStaticMeshComponent : public UMeshComponent
{
	DECLARE_HEADLESS_CLASS(UStaticMeshComponent, UMeshComponent)

	// True when the component's mesh changed.
	virtual bool SetStaticMesh(class UStaticMesh* NewMesh);
	UStaticMesh* GetStaticMesh() const { return StaticMesh; }

	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	TObjectPtr<UStaticMesh> StaticMesh;
};
