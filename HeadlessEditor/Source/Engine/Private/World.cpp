// Worlds, levels, actors and their components.
#include "Engine/World.h"
#include "EngineHost.h"
#include "Engine/Level.h"
#include "Engine/Engine.h"
#include "Engine/StaticMesh.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMeshActor.h"
#include "Animation/SkeletalMeshActor.h"
#include "Components/ActorComponent.h"
#include "Components/SceneComponent.h"
#include "Components/PrimitiveComponent.h"
#include "Components/MeshComponent.h"
#include "Components/StaticMeshComponent.h"
#include "Components/SkinnedMeshComponent.h"
#include "Components/SkeletalMeshComponent.h"
#include "GameFramework/Actor.h"
#include "UObject/UObjectGlobals.h"
#include "UObject/PropertyArchive.h"
#include "HeadlessClass.h"

DEFINE_LOG_CATEGORY_STATIC(LogSpawn, Log, All);

IMPLEMENT_HEADLESS_CLASS(UEngine, Engine, CLASS_None)
IMPLEMENT_HEADLESS_CLASS(UWorld, Engine, CLASS_None)
IMPLEMENT_HEADLESS_CLASS(ULevel, Engine, CLASS_None)
IMPLEMENT_HEADLESS_CLASS(AActor, Engine, CLASS_None)
IMPLEMENT_HEADLESS_CLASS(AStaticMeshActor, Engine, CLASS_None)
IMPLEMENT_HEADLESS_CLASS(ASkeletalMeshActor, Engine, CLASS_None)
IMPLEMENT_HEADLESS_CLASS(UActorComponent, Engine, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(USceneComponent, Engine, CLASS_None)
IMPLEMENT_HEADLESS_CLASS(UPrimitiveComponent, Engine, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(UMeshComponent, Engine, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(UStaticMeshComponent, Engine, CLASS_None)
IMPLEMENT_HEADLESS_CLASS(USkinnedMeshComponent, Engine, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(USkeletalMeshComponent, Engine, CLASS_None)

UEngine* GEngine = nullptr;

// --- Components ---------------------------------------------------------------------------------

AActor* UActorComponent::GetOwner() const
{
	return GetTypedOuter<AActor>();
}

bool UStaticMeshComponent::SetStaticMesh(UStaticMesh* NewMesh)
{
	if (NewMesh == StaticMesh.Get()) { return false; }
	StaticMesh = NewMesh;
	return true;
}

void UStaticMeshComponent::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	Ar.Property(TEXT("StaticMesh"), StaticMesh);
}

void USkinnedMeshComponent::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	Ar.Property(TEXT("SkinnedAsset"), SkinnedAsset);
}

void USkeletalMeshComponent::SetSkeletalMesh(USkeletalMesh* NewMesh, bool bReinitPose)
{
	SkinnedAsset = NewMesh;
	if (bReinitPose) { ++NumPoseReinits; }
}

USkeletalMesh* USkeletalMeshComponent::GetSkeletalMeshAsset() const
{
	return Cast<USkeletalMesh>(SkinnedAsset.Get());
}

int32 FHeadlessAssets::GetNumPoseReinits(const USkeletalMeshComponent& Component)
{
	return Component.NumPoseReinits;
}

// --- Actors -------------------------------------------------------------------------------------

FTransform AActor::GetActorTransform() const
{
	return RootComponent ? RootComponent->GetComponentTransform() : ActorTransform;
}

FVector AActor::GetActorLocation() const { return GetActorTransform().GetLocation(); }
FRotator AActor::GetActorRotation() const { return GetActorTransform().Rotator(); }
FVector AActor::GetActorScale3D() const { return GetActorTransform().GetScale3D(); }

bool AActor::SetActorTransform(const FTransform& NewTransform)
{
	if (RootComponent) { RootComponent->SetWorldTransform(NewTransform); }
	else { ActorTransform = NewTransform; }
	return true;
}

#if WITH_EDITOR
const FString& AActor::GetActorLabel(bool bCreateIfNone) const
{
	if (ActorLabel.IsEmpty() && bCreateIfNone) { ActorLabel = GetName(); }
	return ActorLabel;
}

void AActor::SetActorLabel(const FString& NewActorLabel, bool bMarkDirty)
{
	ActorLabel = NewActorLabel.IsEmpty() ? GetName() : NewActorLabel;
	if (bMarkDirty) { Modify(); }
}
#endif

ULevel* AActor::GetLevel() const { return GetTypedOuter<ULevel>(); }
UWorld* AActor::GetWorld() const { return GetTypedOuter<UWorld>(); }

void AActor::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	Ar.Property(TEXT("ActorLabel"), ActorLabel);
	Ar.Property(TEXT("RootComponent"), RootComponent);
}

namespace
{
	// The mesh component of a mesh actor, made the first time the actor is set up.
	template <typename TComponent, typename TActor>
	TComponent* MakeRootComponent(TActor* Actor, const TCHAR* Name)
	{
		TComponent* Component = NewObject<TComponent>(Actor, FName(Name), RF_Transactional | (Actor->GetFlags() & RF_Transient));
		Actor->SetRootComponent(Component);
		return Component;
	}
}

UStaticMeshComponent* AStaticMeshActor::GetStaticMeshComponent() const { return StaticMeshComponent; }

void AStaticMeshActor::PostInitProperties()
{
	Super::PostInitProperties();
	if (!StaticMeshComponent) { StaticMeshComponent = MakeRootComponent<UStaticMeshComponent>(this, TEXT("StaticMeshComponent0")); }
}

void AStaticMeshActor::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	Ar.Property(TEXT("StaticMeshComponent"), StaticMeshComponent);
}

USkeletalMeshComponent* ASkeletalMeshActor::GetSkeletalMeshComponent() const { return SkeletalMeshComponent; }

void ASkeletalMeshActor::PostInitProperties()
{
	Super::PostInitProperties();
	if (!SkeletalMeshComponent) { SkeletalMeshComponent = MakeRootComponent<USkeletalMeshComponent>(this, TEXT("SkeletalMeshComponent0")); }
}

void ASkeletalMeshActor::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	Ar.Property(TEXT("SkeletalMeshComponent"), SkeletalMeshComponent);
}

// --- Levels and worlds --------------------------------------------------------------------------

void ULevel::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	Ar.Property(TEXT("Actors"), Actors);
	Ar.Property(TEXT("OwningWorld"), OwningWorld);
}

AActor* UWorld::SpawnActor(UClass* InClass, FVector const* Location, FRotator const* Rotation, const FActorSpawnParameters& SpawnParameters)
{
	const FTransform Transform(Rotation ? *Rotation : FRotator::ZeroRotator, Location ? *Location : FVector::ZeroVector);
	return SpawnActor(InClass, &Transform, SpawnParameters);
}

AActor* UWorld::SpawnActor(UClass* Class, FTransform const* Transform, const FActorSpawnParameters& SpawnParameters)
{
	if (!Class)
	{
		UE_LOG(LogSpawn, Warning, TEXT("SpawnActor failed because no class was specified"));
		return nullptr;
	}
	if (!Class->IsChildOf(AActor::StaticClass()))
	{
		UE_LOG(LogSpawn, Warning, TEXT("SpawnActor failed because %s is not an actor class"), *Class->GetName());
		return nullptr;
	}
	if (Class->HasAnyClassFlags(CLASS_Abstract))
	{
		UE_LOG(LogSpawn, Warning, TEXT("SpawnActor failed because class %s is abstract"), *Class->GetName());
		return nullptr;
	}
	ULevel* Level = SpawnParameters.OverrideLevel ? SpawnParameters.OverrideLevel : GetCurrentLevel();
	if (!IsValid(Level))
	{
		UE_LOG(LogSpawn, Warning, TEXT("SpawnActor failed because the world %s has no level to spawn into"), *GetName());
		return nullptr;
	}
	if (!SpawnParameters.Name.IsNone() && StaticFindObject(nullptr, Level, *SpawnParameters.Name.ToString()))
	{
		UE_LOG(LogSpawn, Error, TEXT("SpawnActor failed because an object named %s already exists in %s"), *SpawnParameters.Name.ToString(), *Level->GetPathName());
		return nullptr;
	}
	// Parameters the stand-in has no use for are said once, not silently dropped.
	static bool bToldIgnored = false;
	if (!bToldIgnored && (SpawnParameters.Template || SpawnParameters.Owner || SpawnParameters.Instigator || SpawnParameters.bDeferConstruction))
	{
		bToldIgnored = true;
		UE_LOG(LogSpawn, Warning, TEXT("SpawnActor: template, owner, instigator and deferred construction are not supported by the headless editor and are ignored (said once)"));
	}
	AActor* Actor = NewObject<AActor>(Level, Class, SpawnParameters.Name, SpawnParameters.ObjectFlags);
	if (!Actor) { return nullptr; }
	Actor->SetActorTransform(Transform ? *Transform : FTransform::Identity);
	Level->Actors.Add(Actor);
	return Actor;
}

void UWorld::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	Ar.Property(TEXT("PersistentLevel"), PersistentLevel);
	Ar.Property(TEXT("CurrentLevel"), CurrentLevel);
}
