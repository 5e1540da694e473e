// ASkeletalMeshActor: an actor that shows a skeletal mesh.
#pragma once

#include "GameFramework/Actor.h"

class USkeletalMeshComponent;

class ENGINE_API ASkeletalMeshActor : public AActor
{
	DECLARE_HEADLESS_CLASS(ASkeletalMeshActor, AActor)

	USkeletalMeshComponent* GetSkeletalMeshComponent() const;

	void PostInitProperties() override;
	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	TObjectPtr<USkeletalMeshComponent> SkeletalMeshComponent;
};
