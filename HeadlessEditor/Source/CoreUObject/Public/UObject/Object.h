// UObject: the base of every engine object.
#pragma once

#include "UObject/UObjectBaseUtility.h"
#include "UObject/ObjectPtr.h"

struct FPropertyChangedEvent;
class FProperty;
class FPropertyArchive;

class COREUOBJECT_API UObject : public UObjectBaseUtility
{
public:
	using Super = UObject;
	using ThisClass = UObject;
	static UClass* StaticClass();

	UObject() = default;

	// After construction (NewObject) with the class defaults in place.
	virtual void PostInitProperties() {}
	// After the object's properties were read from its package.
	virtual void PostLoad() {}

#if WITH_EDITOR
	// Forwards to PostEditChangeProperty with an empty event, as the engine does.
	void PostEditChange();
	virtual void PostEditChangeProperty(FPropertyChangedEvent& PropertyChangedEvent);
	virtual void PreEditChange(FProperty* PropertyAboutToChange) {}
#endif
	// Marks the package dirty when asked (the stand-in keeps no undo buffer).
	virtual bool Modify(bool bAlwaysMarkDirty = true);

	// An asset: a public object directly in a package that is not transient.
	virtual bool IsAsset() const;

protected:
	// Reads or writes the object's saved properties, where the engine uses reflection (package
	// files, reference search: see CoreUObject/Host/UObject/PropertyArchive.h). Subclasses call
	// Super::SerializeProperties first, then visit each of their own members.
	virtual void SerializeProperties(FPropertyArchive& Ar) {}

private:
	// The object table and package code call SerializeProperties.
	friend struct FObjectTableAccess;
};

// True for a live object pointer.
COREUOBJECT_API bool IsValid(const UObject* Test);

// As in the engine, Object.h also brings NewObject, CreatePackage, Cast and friends.
#include "UObject/UObjectGlobals.h"
