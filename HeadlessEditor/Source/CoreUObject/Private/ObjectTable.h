// Private to CoreUObject: the object table's state and the loading flag.
#pragma once

#include "UObject/Object.h"
#include "UObject/Class.h"
#include "UObject/Package.h"
#include "HeadlessClass.h"

struct FObjectTableAccess
{
	static void SetIdentity(UObjectBase* Object, UClass* Class, FName Name, UObject* Outer, EObjectFlags Flags)
	{
		Object->ClassPrivate = Class;
		Object->NamePrivate = Name;
		Object->OuterPrivate = Outer;
		Object->ObjectFlags = Flags;
	}
	static void SetClass(UObjectBase* Object, UClass* Class) { Object->ClassPrivate = Class; }
	static UClass* GetRawClass(const UObjectBase* Object) { return Object->ClassPrivate; }
	static void SetUniqueId(UObjectBase* Object, uint32 Id) { Object->UniqueId = Id; }
	static void SetLoadedFilename(UPackage* Package, const FString& Filename) { Package->LoadedFilename = Filename; }
	static uint32 GetObjectSize(const UClass* Class) { return Class->ObjectSize; }
	static UE::CoreUObject::Private::FObjectConstructor GetConstructor(const UClass* Class) { return Class->Constructor; }
	static void InitClass(UClass* Class, UClass* SuperClass, const FTopLevelAssetPath& Path, EClassFlags Flags, uint32 Size,
		UE::CoreUObject::Private::FObjectConstructor Constructor)
	{
		Class->SuperStruct = SuperClass;
		Class->ClassPath = Path;
		Class->ClassFlags = Flags;
		Class->ObjectSize = Size;
		Class->Constructor = Constructor;
	}
	static FTopLevelAssetPath GetClassPath(const UClass* Class) { return Class->ClassPath; }
	// The object's saved properties, read or written (UObject keeps SerializeProperties protected).
	static void SerializeProperties(UObject* Object, FPropertyArchive& Ar) { Object->SerializeProperties(Ar); }
};

namespace UE::CoreUObject::Private
{
	// While above zero, objects are being read from a package: MarkPackageDirty does nothing.
	int32& LoadingDepth();
	struct FScopedLoading
	{
		FScopedLoading() { ++LoadingDepth(); }
		~FScopedLoading() { --LoadingDepth(); }
	};

	bool IsInObjectTable(const UObjectBase* Object);
	UPackage* LoadPackageFile(UPackage* Package, const FString& LongPackageName, const FString& Filename, bool bQuiet);
}
