// ULevel: the actors of one level of a world.
#pragma once

#include "UObject/Object.h"

class AActor;
class UWorld;

class ENGINE_API ULevel : public UObject
{
	DECLARE_CLASS(ULevel, UObject, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	// In the order they were spawned. An actor that was deleted leaves a null entry.
	TArray<TObjectPtr<AActor>> Actors;
	TObjectPtr<UWorld> OwningWorld;

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;
};
