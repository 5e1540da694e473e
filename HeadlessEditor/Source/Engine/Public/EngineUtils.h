// Iterating the actors of a world: TActorIterator, TActorRange and their untyped forms.
#pragma once

#include "CoreMinimal.h"
#include "Engine/Level.h"
#include "Engine/World.h"
#include "GameFramework/Actor.h"
#include "Templates/Casts.h"
#include "Misc/EnumClassFlags.h"
#include "Templates/SubclassOf.h"

// Which actors an iterator visits.
enum class EActorIteratorFlags
{
	AllActors = 0x00000000,
	SkipPendingKill = 0x00000001,
	// The stand-in's Engine module knows no selection: an iterator asked for selected actors only
	// visits none (the editor's USelection answers that question instead).
	OnlySelectedActors = 0x00000002,
	OnlyActiveLevels = 0x00000004,
};
ENUM_CLASS_FLAGS(EActorIteratorFlags);

enum class EActorIteratorType
{
	End
};

// The actors of the world's levels that are of the class, taken when the iterator is made (the
// engine also takes them up front, from the object hash); the order is not part of the contract.
template <typename Derived>
class TActorIteratorBase
{
public:
	void operator++() { ++Index; }
	AActor* operator*() const { return Actors[Index]; }
	AActor* operator->() const { return Actors[Index]; }
	explicit operator bool() const { return Index < Actors.Num(); }
	bool operator!() const { return !(bool)*this; }
	UWorld* GetWorld() const { return const_cast<UWorld*>(World); }

	friend bool operator!=(const TActorIteratorBase& Lhs, const TActorIteratorBase& Rhs) { return (bool)Lhs != (bool)Rhs; }
	friend bool operator==(const TActorIteratorBase& Lhs, const TActorIteratorBase& Rhs) { return (bool)Lhs == (bool)Rhs; }

protected:
	explicit TActorIteratorBase(EActorIteratorType) {}

	TActorIteratorBase(const UWorld* InWorld, TSubclassOf<AActor> InClass, const EActorIteratorFlags InFlags)
		: World(InWorld)
	{
		UClass* Class = InClass.Get();
		if (!InWorld || !Class || EnumHasAnyFlags(InFlags, EActorIteratorFlags::OnlySelectedActors))
		{
			return;
		}
		for (ULevel* Level : { InWorld->PersistentLevel.Get() })
		{
			if (!Level)
			{
				continue;
			}
			for (const TObjectPtr<AActor>& Actor : Level->Actors)
			{
				AActor* Candidate = Actor.Get();
				if (!Candidate || !Candidate->IsA(Class))
				{
					continue;
				}
				if (EnumHasAnyFlags(InFlags, EActorIteratorFlags::SkipPendingKill) && !IsValid(Candidate))
				{
					continue;
				}
				Actors.Add(Candidate);
			}
		}
	}

private:
	const UWorld* World = nullptr;
	TArray<AActor*> Actors;
	int32 Index = 0;
};

class FActorIterator : public TActorIteratorBase<FActorIterator>
{
	typedef TActorIteratorBase<FActorIterator> Super;

public:
	explicit FActorIterator(const UWorld* InWorld, const EActorIteratorFlags InFlags = EActorIteratorFlags::OnlyActiveLevels | EActorIteratorFlags::SkipPendingKill)
		: Super(InWorld, AActor::StaticClass(), InFlags)
	{
	}
	explicit FActorIterator(const UWorld* InWorld, const TSubclassOf<AActor> InClass, const EActorIteratorFlags InFlags = EActorIteratorFlags::OnlyActiveLevels | EActorIteratorFlags::SkipPendingKill)
		: Super(InWorld, InClass, InFlags)
	{
	}
	explicit FActorIterator(EActorIteratorType) : Super(EActorIteratorType::End) {}
};

class FActorRange
{
public:
	explicit FActorRange(const UWorld* InWorld, const EActorIteratorFlags InFlags = EActorIteratorFlags::OnlyActiveLevels | EActorIteratorFlags::SkipPendingKill)
		: World(InWorld), Flags(InFlags)
	{
	}

private:
	const UWorld* World;
	EActorIteratorFlags Flags;

	friend FActorIterator begin(const FActorRange& Range) { return FActorIterator(Range.World, Range.Flags); }
	friend FActorIterator end(const FActorRange& Range) { return FActorIterator(EActorIteratorType::End); }
};

template <typename ActorType>
class TActorIterator : public TActorIteratorBase<TActorIterator<ActorType>>
{
	typedef TActorIteratorBase<TActorIterator> Super;

public:
	explicit TActorIterator(const UWorld* InWorld, TSubclassOf<ActorType> InClass = ActorType::StaticClass(),
		EActorIteratorFlags InFlags = EActorIteratorFlags::OnlyActiveLevels | EActorIteratorFlags::SkipPendingKill)
		: Super(InWorld, InClass.Get(), InFlags)
	{
	}
	explicit TActorIterator(EActorIteratorType) : Super(EActorIteratorType::End) {}

	ActorType* operator*() const { return CastChecked<ActorType>(Super::operator*()); }
	ActorType* operator->() const { return **this; }
};

template <typename ActorType>
class TActorRange
{
public:
	explicit TActorRange(const UWorld* InWorld, TSubclassOf<ActorType> InClass = ActorType::StaticClass(),
		const EActorIteratorFlags InFlags = EActorIteratorFlags::OnlyActiveLevels | EActorIteratorFlags::SkipPendingKill)
		: Flags(InFlags), World(InWorld), Class(InClass)
	{
	}

private:
	EActorIteratorFlags Flags;
	const UWorld* World;
	TSubclassOf<ActorType> Class;

	friend TActorIterator<ActorType> begin(const TActorRange& Range) { return TActorIterator<ActorType>(Range.World, Range.Class, Range.Flags); }
	friend TActorIterator<ActorType> end(const TActorRange& Range) { return TActorIterator<ActorType>(EActorIteratorType::End); }
};
