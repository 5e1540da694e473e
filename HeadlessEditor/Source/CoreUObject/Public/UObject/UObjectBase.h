// UObjectBase: class, name, outer and flags of an object. Objects are made by NewObject (or loaded
// from a package) and belong to the global object table until they are destroyed.
#pragma once

#include "CoreMinimal.h"
#include "UObject/ObjectMacros.h"

class UClass;
class UObject;
class UPackage;

class COREUOBJECT_API UObjectBase
{
public:
	UObjectBase(const UObjectBase&) = delete;
	UObjectBase& operator=(const UObjectBase&) = delete;
	virtual ~UObjectBase();

	FORCEINLINE UClass* GetClass() const { return ClassPrivate; }
	FORCEINLINE UObject* GetOuter() const { return OuterPrivate; }
	FORCEINLINE FName GetFName() const { return NamePrivate; }
	FORCEINLINE EObjectFlags GetFlags() const { return ObjectFlags; }
	FORCEINLINE uint32 GetUniqueID() const { return UniqueId; }

	void SetFlags(EObjectFlags NewFlags) { ObjectFlags |= NewFlags; }
	void ClearFlags(EObjectFlags FlagsToClear) { ObjectFlags &= ~FlagsToClear; }
	bool HasAnyFlags(EObjectFlags FlagsToCheck) const { return (ObjectFlags & FlagsToCheck) != 0; }
	bool HasAllFlags(EObjectFlags FlagsToCheck) const { return (ObjectFlags & FlagsToCheck) == FlagsToCheck; }

	// True while the object is in the object table (not destroyed).
	bool IsValidLowLevel() const;

protected:
	// Class, name, outer and flags are set before the constructor body runs (as in the engine), so a
	// constructor may already ask for them.
	UObjectBase();

private:
	friend struct FObjectTableAccess;

	UClass* ClassPrivate = nullptr;
	FName NamePrivate;
	UObject* OuterPrivate = nullptr;
	EObjectFlags ObjectFlags = RF_NoFlags;
	uint32 UniqueId = 0;
};
