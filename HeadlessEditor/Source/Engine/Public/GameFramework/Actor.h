// AActor: an object placed in a level, with a label, a transform (its root component's) and its
// components.
#pragma once

#include "UObject/Object.h"
#include "Math/Transform.h"

class ULevel;
class UWorld;
class USceneComponent;

class ENGINE_API AActor : public UObject
{
	DECLARE_CLASS(AActor, UObject, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	AActor() : bHiddenEd(0) {}

	// Hidden in the editor's viewports (such an actor is only selected when asked to be).
	uint8 bHiddenEd : 1;

	USceneComponent* GetRootComponent() const { return RootComponent; }
	void SetRootComponent(USceneComponent* NewRootComponent) { RootComponent = NewRootComponent; }

	FTransform GetActorTransform() const;
	FVector GetActorLocation() const;
	FRotator GetActorRotation() const;
	FVector GetActorScale3D() const;
	bool SetActorTransform(const FTransform& NewTransform);
	bool IsHiddenEd() const { return bHiddenEd; }

#if WITH_EDITOR
	// The name shown in the outliner; the object's name until a label is set.
	const FString& GetActorLabel(bool bCreateIfNone = true) const;
	// Labels need not be unique. With bMarkDirty the actor's package is marked as modified.
	void SetActorLabel(const FString& NewActorLabel, bool bMarkDirty = true);
#endif

	ULevel* GetLevel() const;
	UWorld* GetWorld() const;

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

	TObjectPtr<USceneComponent> RootComponent;

private:
	mutable FString ActorLabel;
	// A transform kept for actors without a root component.
	FTransform ActorTransform;
};
