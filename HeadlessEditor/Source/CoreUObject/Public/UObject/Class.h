// UField, UStruct and UClass: one UClass per native class, found by its path "/Script/<Module>.<Name>".
#pragma once

#include "UObject/Object.h"
#include "UObject/TopLevelAssetPath.h"

class COREUOBJECT_API UField : public UObject
{
	DECLARE_HEADLESS_CLASS(UField, UObject)
};

class COREUOBJECT_API UStruct : public UField
{
	DECLARE_HEADLESS_CLASS(UStruct, UField)

	UStruct* GetSuperStruct() const { return SuperStruct; }
	bool IsChildOf(const UStruct* SomeBase) const;
	template <class T>
	bool IsChildOf() const { return IsChildOf(T::StaticClass()); }

protected:
	UStruct* SuperStruct = nullptr;
};

class COREUOBJECT_API UClass : public UStruct
{
	DECLARE_HEADLESS_CLASS(UClass, UStruct)

	UClass* GetSuperClass() const { return static_cast<UClass*>(SuperStruct); }
	// "/Script/Engine" + "StaticMesh".
	FTopLevelAssetPath GetClassPathName() const { return ClassPath; }
	bool HasAnyClassFlags(EClassFlags Flags) const { return (ClassFlags & Flags) != 0; }
	EClassFlags GetClassFlags() const { return ClassFlags; }

	// Stand-in: the class registered under a path ("/Script/Engine.StaticMesh"), or null.
	static UClass* FindClass(const FTopLevelAssetPath& Path);
	// Stand-in: every registered class, in registration order.
	static TArray<UClass*> GetAllClasses();

private:
	friend UClass* UE::CoreUObject::Private::RegisterNativeClass(const TCHAR*, const TCHAR*, UClass*, uint32, UE::CoreUObject::Private::FObjectConstructor, EClassFlags);
	friend struct FObjectTableAccess;

	FTopLevelAssetPath ClassPath;
	EClassFlags ClassFlags = CLASS_None;
	uint32 ObjectSize = 0;
	UE::CoreUObject::Private::FObjectConstructor Constructor = nullptr;
};
