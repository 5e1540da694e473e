// UWorld: the levels of a world and the spawning of actors into them.
#pragma once

#include "UObject/Object.h"
#include "Engine/EngineTypes.h"
#include "Math/Transform.h"

class AActor;
class APawn;
class ULevel;

struct ENGINE_API FActorSpawnParameters
{
	FActorSpawnParameters() : bNoFail(false), bDeferConstruction(false) {}

	// NAME_None: the world names the actor after its class.
	FName Name;
	AActor* Template = nullptr;
	AActor* Owner = nullptr;
	APawn* Instigator = nullptr;
	// Null: the world's current level.
	class ULevel* OverrideLevel = nullptr;
	ESpawnActorCollisionHandlingMethod SpawnCollisionHandlingOverride = ESpawnActorCollisionHandlingMethod::Undefined;
	uint8 bNoFail : 1;
	uint8 bDeferConstruction : 1;
	EObjectFlags ObjectFlags = RF_Transactional;
};

class ENGINE_API UWorld : public UObject
{
	DECLARE_CLASS(UWorld, UObject, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	TObjectPtr<ULevel> PersistentLevel;

	ULevel* GetCurrentLevel() const { return CurrentLevel ? CurrentLevel.Get() : PersistentLevel.Get(); }
	void SetCurrentLevel(ULevel* Level) { CurrentLevel = Level; }

	// A new actor of the class in the level, at the transform (identity when null); null, with an
	// error in the log, for a class that is not a concrete actor class or a name already taken.
	AActor* SpawnActor(UClass* InClass, FVector const* Location = nullptr, FRotator const* Rotation = nullptr,
		const FActorSpawnParameters& SpawnParameters = FActorSpawnParameters());
	AActor* SpawnActor(UClass* Class, FTransform const* Transform, const FActorSpawnParameters& SpawnParameters = FActorSpawnParameters());

	template <class T>
	T* SpawnActor(const FActorSpawnParameters& SpawnParameters = FActorSpawnParameters())
	{
		return static_cast<T*>(SpawnActor(T::StaticClass(), static_cast<FTransform const*>(nullptr), SpawnParameters));
	}
	template <class T>
	T* SpawnActor(UClass* Class, FTransform const& Transform, const FActorSpawnParameters& SpawnParameters = FActorSpawnParameters())
	{
		AActor* Actor = Class && Class->IsChildOf(T::StaticClass()) ? SpawnActor(Class, &Transform, SpawnParameters) : nullptr;
		return static_cast<T*>(Actor);
	}

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	TObjectPtr<ULevel> CurrentLevel;
};
