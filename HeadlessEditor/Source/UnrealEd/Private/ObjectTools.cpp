// Deleting assets: the reference check, clearing what still refers to a forced delete, and
// taking the asset out of the registry and, with its package's last object, off the disk.
#include "ObjectTools.h"
#include "Editor.h"
#include "Selection.h"
#include "GameFramework/Actor.h"
#include "AssetRegistry/AssetRegistryModule.h"
#include "UObject/UObjectGlobals.h"
#include "UObject/Package.h"
#include "Misc/PackageName.h"
#include "HAL/FileManager.h"

#include "UObjectHost.h"

DEFINE_LOG_CATEGORY_STATIC(LogObjectTools, Log, All);

namespace
{
	using namespace UE::HeadlessEditor;

	// What refers to Object, other than the objects that contain it (a level listing its actors, a
	// material listing its nodes: ownership, not use).
	TArray<UObject*> FindUsers(UObject* Object)
	{
		TArray<UObject*> Users = FindReferencers(Object);
		Users.RemoveAll([Object](UObject* User) { return Object->IsIn(User); });
		return Users;
	}

	FString Describe(const TArray<UObject*>& Objects)
	{
		FString Result;
		for (const UObject* Object : Objects)
		{
			if (!Result.IsEmpty()) { Result += TEXT(", "); }
			Result += Object->GetPathName();
		}
		return Result;
	}

	bool HoldsAnythingElse(UPackage* Package, const UObject* Deleted)
	{
		for (UObject* Object : GetObjectsWithOuter(Package, false))
		{
			if (Object != Deleted && !Object->HasAnyFlags(RF_Transient)) { return true; }
		}
		return false;
	}
}

namespace ObjectTools
{
	bool DeleteSingleObject(UObject* ObjectToDelete, bool bPerformReferenceCheck)
	{
		if (!IsValid(ObjectToDelete))
		{
			UE_LOG(LogObjectTools, Warning, TEXT("DeleteSingleObject: no live object given"));
			return false;
		}
		if (ObjectToDelete->IsA(UPackage::StaticClass()) || ObjectToDelete->IsA(UClass::StaticClass()))
		{
			UE_LOG(LogObjectTools, Warning, TEXT("DeleteSingleObject: %s is not an object that can be deleted"), *ObjectToDelete->GetFullName());
			return false;
		}
		if (GEditor && GEditor->GetSelectedActors()) { GEditor->GetSelectedActors()->Deselect(ObjectToDelete); }

		const FString Path = ObjectToDelete->GetPathName();
		const TArray<UObject*> Users = FindUsers(ObjectToDelete);
		if (bPerformReferenceCheck && Users.Num() > 0)
		{
			UE_LOG(LogObjectTools, Warning, TEXT("Could not delete %s: it is still referenced by %s"), *Path, *Describe(Users));
			return false;
		}
		for (const UObject* User : Users)
		{
			UE_LOG(LogObjectTools, Warning, TEXT("%s still referred to %s; that reference is now null and will be saved as null"), *User->GetPathName(), *Path);
		}

		const bool bIsAsset = ObjectToDelete->IsAsset();
		UPackage* Package = ObjectToDelete->GetOutermost();
		if (bIsAsset) { FAssetRegistryModule::AssetDeleted(ObjectToDelete); }
		const bool bPackageEmptied = bIsAsset && Package && !HoldsAnythingElse(Package, ObjectToDelete);
		DestroyObject(ObjectToDelete);

		if (bPackageEmptied)
		{
			// Nothing is left to save: the file goes, and the empty package is not saved again.
			FString Filename;
			if (FPackageName::DoesPackageExist(Package->GetName(), &Filename))
			{
				if (IFileManager::Get().Delete(*Filename, false, true))
				{
					UE_LOG(LogObjectTools, Log, TEXT("Deleted %s and its package file %s"), *Path, *Filename);
				}
				else
				{
					UE_LOG(LogObjectTools, Error, TEXT("Deleted %s, but its package file %s could not be deleted"), *Path, *Filename);
				}
			}
			Package->SetDirtyFlag(false);
		}
		else if (Package && Package != GetTransientPackage())
		{
			Package->SetDirtyFlag(true);
		}
		return true;
	}
}
