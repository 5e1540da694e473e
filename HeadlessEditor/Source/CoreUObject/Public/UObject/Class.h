// UField, UStruct and UClass: one UClass per native class, found by its path "/Script/<Module>.<Name>".
#pragma once

#include "UObject/Object.h"
#include "UObject/TopLevelAssetPath.h"

class COREUOBJECT_API UField : public UObject
{
	DECLARE_CLASS(UField, UObject, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/CoreUObject"), COREUOBJECT_API)
};

class COREUOBJECT_API UStruct : public UField
{
	DECLARE_CLASS(UStruct, UField, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/CoreUObject"), COREUOBJECT_API)

	UStruct* GetSuperStruct() const { return SuperStruct; }
	bool IsChildOf(const UStruct* SomeBase) const;
	template <class T>
	bool IsChildOf() const { return IsChildOf(T::StaticClass()); }

protected:
	UStruct* SuperStruct = nullptr;
};

class COREUOBJECT_API UClass : public UStruct
{
	DECLARE_CLASS(UClass, UStruct, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/CoreUObject"), COREUOBJECT_API)

	UClass* GetSuperClass() const { return static_cast<UClass*>(SuperStruct); }
	// "/Script/Engine" + "StaticMesh".
	FTopLevelAssetPath GetClassPathName() const { return ClassPath; }
	bool HasAnyClassFlags(EClassFlags Flags) const { return (ClassFlags & Flags) != 0; }
	EClassFlags GetClassFlags() const { return ClassFlags; }

private:
	friend struct FObjectTableAccess;

	FTopLevelAssetPath ClassPath;
	EClassFlags ClassFlags = CLASS_None;
	uint32 ObjectSize = 0;
	// Placement-constructs an object of the class (null for an abstract class).
	UObject* (*Constructor)(void* Memory) = nullptr;
};
