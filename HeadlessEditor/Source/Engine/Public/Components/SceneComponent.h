// USceneComponent: a component with a transform. The stand-in has no attachment: the transform of
// an actor's root component is the actor's transform in the world.
#pragma once

#include "Components/ActorComponent.h"
#include "Math/Transform.h"

class ENGINE_API USceneComponent : public UActorComponent
{
	DECLARE_CLASS(USceneComponent, UActorComponent, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	const FTransform& GetComponentTransform() const { return ComponentToWorld; }
	FVector GetComponentLocation() const { return ComponentToWorld.GetLocation(); }
	FRotator GetComponentRotation() const { return ComponentToWorld.Rotator(); }
	FVector GetComponentScale() const { return ComponentToWorld.GetScale3D(); }
	void SetWorldTransform(const FTransform& NewTransform) { ComponentToWorld = NewTransform; }

private:
	FTransform ComponentToWorld;
};
