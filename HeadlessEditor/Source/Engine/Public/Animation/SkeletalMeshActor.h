// ASkeletalMeshActor: an actor that shows a skeletal mesh.
#pragma once

#include "GameFramework/Actor.h"

class USkeletalMeshComponent;

class ENGINE_API ASkeletalMeshActor : public AActor
{
	DECLARE_CLASS(ASkeletalMeshActor, AActor, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	USkeletalMeshComponent* GetSkeletalMeshComponent() const;

	void PostInitProperties() override;
protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	TObjectPtr<USkeletalMeshComponent> SkeletalMeshComponent;
};
