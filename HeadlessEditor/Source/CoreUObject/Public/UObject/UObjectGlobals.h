// Creating, finding and loading objects and packages.
#pragma once

#include "UObject/Object.h"
#include "UObject/Class.h"
#include "UObject/Package.h"
#include "Templates/Casts.h"

class FObjectInstancingGraph;

// The package of objects that are never saved (import requests, factories, scratch objects).
COREUOBJECT_API UPackage* GetTransientPackage();

// Finds the package in memory or makes a new, empty one. The name must be a long package name
// ("/Game/Folder/Asset"); null (with a log error) otherwise. Does not load it: see FullyLoad.
COREUOBJECT_API UPackage* CreatePackage(const TCHAR* PackageName);

// Loads a package from its file (or returns it when it is already loaded); null with a log error
// when the file is missing, foreign or damaged.
COREUOBJECT_API UPackage* LoadPackage(UPackage* InOuter, const TCHAR* InLongPackageName, uint32 LoadFlags = LOAD_None);

// Finds an object by outer and name, or by full path ("/Game/A/B.B", "/Script/Engine.StaticMesh")
// when InOuter is null. Does not load.
COREUOBJECT_API UObject* StaticFindObject(UClass* Class, UObject* InOuter, const TCHAR* Name, bool ExactClass = false);
COREUOBJECT_API UObject* StaticFindObject(UClass* Class, FTopLevelAssetPath ObjectPath, bool ExactClass = false);
// Finds the object, loading its package when needed. Name is a path ("/Game/A/B.B" or "/Game/A/B").
COREUOBJECT_API UObject* StaticLoadObject(UClass* Class, UObject* InOuter, const TCHAR* Name, const TCHAR* Filename = nullptr, uint32 LoadFlags = LOAD_None);

namespace UE::CoreUObject::Private
{
	// Makes an object of Class in Outer. An existing object of the same name and class in the same
	// outer is replaced in place (destroyed and constructed again at the same address, as the
	// engine does); one of another class makes this fail with a log error. NAME_None picks a
	// unique "<Class>_<N>" name.
	COREUOBJECT_API UObject* StaticNewObject(const UClass* Class, UObject* Outer, FName Name, EObjectFlags Flags);
}

template <class T>
T* NewObject(UObject* Outer = (UObject*)GetTransientPackage())
{
	return static_cast<T*>(UE::CoreUObject::Private::StaticNewObject(T::StaticClass(), Outer, NAME_None, RF_NoFlags));
}

template <class T>
T* NewObject(UObject* Outer, FName Name, EObjectFlags Flags = RF_NoFlags, UObject* Template = nullptr,
	bool bCopyTransientsFromClassDefaults = false, FObjectInstancingGraph* InInstanceGraph = nullptr)
{
	return static_cast<T*>(UE::CoreUObject::Private::StaticNewObject(T::StaticClass(), Outer, Name, Flags));
}

template <class T>
T* NewObject(UObject* Outer, const UClass* Class, FName Name = NAME_None, EObjectFlags Flags = RF_NoFlags,
	UObject* Template = nullptr, bool bCopyTransientsFromClassDefaults = false, FObjectInstancingGraph* InInstanceGraph = nullptr,
	UPackage* ExternalPackage = nullptr)
{
	if (Class && !Class->IsChildOf(T::StaticClass()))
	{
		UE_LOG(LogTemp, Error, TEXT("NewObject: class %s is not a %s"), *Class->GetName(), *T::StaticClass()->GetName());
		return nullptr;
	}
	return static_cast<T*>(UE::CoreUObject::Private::StaticNewObject(Class, Outer, Name, Flags));
}

template <class T>
T* FindObject(UObject* Outer, const TCHAR* Name, bool ExactClass = false)
{
	return static_cast<T*>(StaticFindObject(T::StaticClass(), Outer, Name, ExactClass));
}

// Finds a top-level object (an asset or a native class, "/Script/Engine.StaticMesh") by its path.
template <class T>
T* FindObject(FTopLevelAssetPath InPath, bool ExactClass = false)
{
	return static_cast<T*>(StaticFindObject(T::StaticClass(), InPath, ExactClass));
}

template <class T>
T* LoadObject(UObject* Outer, const TCHAR* Name, const TCHAR* Filename = nullptr, uint32 LoadFlags = LOAD_None)
{
	return static_cast<T*>(StaticLoadObject(T::StaticClass(), Outer, Name, Filename, LoadFlags));
}
