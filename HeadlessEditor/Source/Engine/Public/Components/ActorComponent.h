// UActorComponent: a part of an actor.
#pragma once

#include "UObject/Object.h"

class AActor;

class ENGINE_API UActorComponent : public UObject
{
	DECLARE_CLASS(UActorComponent, UObject, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	// The actor this component belongs to (its outer).
	AActor* GetOwner() const;
};
