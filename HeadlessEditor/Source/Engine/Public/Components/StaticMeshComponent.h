// UStaticMeshComponent: draws a static mesh.
#pragma once

#include "Components/MeshComponent.h"

class UStaticMesh;

class ENGINE_API UStaticMeshComponent : public UMeshComponent
{
	DECLARE_CLASS(UStaticMeshComponent, UMeshComponent, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	// True when the component's mesh changed.
	virtual bool SetStaticMesh(class UStaticMesh* NewMesh);
	UStaticMesh* GetStaticMesh() const { return StaticMesh; }

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	TObjectPtr<UStaticMesh> StaticMesh;
};
