// UActorComponent: a part of an actor.
#pragma once

#include "UObject/Object.h"

class AActor;

class ENGINE_API UActorComponent : public UObject
{
	DECLARE_HEADLESS_CLASS(UActorComponent, UObject)

	// The actor this component belongs to (its outer).
	AActor* GetOwner() const;
};
