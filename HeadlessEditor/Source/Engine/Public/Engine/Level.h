// ULevel: the actors of one level of a world.
#pragma once

#include "UObject/Object.h"

class AActor;
class UWorld;

class ENGINE_API ULevel : public UObject
{
	DECLARE_HEADLESS_CLASS(ULevel, UObject)

	// In the order they were spawned. An actor that was deleted leaves a null entry.
	TArray<TObjectPtr<AActor>> Actors;
	TObjectPtr<UWorld> OwningWorld;

	void SerializeProperties(FPropertyArchive& Ar) override;
};
