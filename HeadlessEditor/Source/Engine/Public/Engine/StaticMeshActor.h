// AStaticMeshActor: an actor that shows a static mesh.
#pragma once

#include "GameFramework/Actor.h"

class UStaticMeshComponent;

class ENGINE_API AStaticMeshActor : public AActor
{
	DECLARE_CLASS(AStaticMeshActor, AActor, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	UStaticMeshComponent* GetStaticMeshComponent() const;

	// Makes the mesh component (its root), once the actor is in the object table.
	void PostInitProperties() override;
protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	TObjectPtr<UStaticMeshComponent> StaticMeshComponent;
};
