// UObjectBaseUtility: names, paths, outers and class tests built on UObjectBase.
#pragma once

#include "UObject/UObjectBase.h"

class COREUOBJECT_API UObjectBaseUtility : public UObjectBase
{
public:
	FString GetName() const { return GetFName().ToString(); }
	// "/Game/Folder/Asset.Asset" for an asset, "...Asset:Sub" for its subobjects, "/Game/Folder/Asset" for a package.
	FString GetPathName(const UObject* StopOuter = nullptr) const;
	// "<ClassName> <PathName>".
	FString GetFullName(const UObject* StopOuter = nullptr) const;

	// The top outer: the package that holds the object (the object itself when it is a package).
	UPackage* GetOutermost() const;
	UPackage* GetPackage() const { return GetOutermost(); }
	bool IsIn(const UObject* SomeOuter) const;

	// Flags the outermost package as needing a save. False for transient packages and while loading.
	bool MarkPackageDirty() const;

	bool IsA(const UClass* SomeBase) const;
	template <class T>
	bool IsA() const { return IsA(T::StaticClass()); }

	// The nearest outer of the class (or a subclass), or null.
	UObject* GetTypedOuter(const UClass* Target) const;
	template <class T>
	T* GetTypedOuter() const { return static_cast<T*>(GetTypedOuter(T::StaticClass())); }

protected:
	UObjectBaseUtility() = default;
};
