// The object table and package files, as the rest of the stand-in (asset registry, asset tools,
// object tools, the console) sees them. Not visible to plugins.
#pragma once

#include "CoreMinimal.h"
#include "UObject/Object.h"
#include "UObject/Package.h"

DECLARE_LOG_CATEGORY_EXTERN(LogUObjectGlobals, Log, All);
DECLARE_LOG_CATEGORY_EXTERN(LogSavePackage, Log, All);
DECLARE_LOG_CATEGORY_EXTERN(LogLinker, Log, All);

namespace UE::HeadlessEditor
{
	// Every registered native class, in registration order.
	COREUOBJECT_API TArray<UClass*> GetAllClasses();
	// Every live object (packages included, classes excluded), in creation order.
	COREUOBJECT_API TArray<UObject*> GetAllObjects();
	// The objects whose outer is Outer; with bIncludeNested, their inner objects too (outers first).
	COREUOBJECT_API TArray<UObject*> GetObjectsWithOuter(const UObject* Outer, bool bIncludeNestedObjects = true);
	// The packages in memory that are saved to files (not the transient package), in creation order.
	COREUOBJECT_API TArray<UPackage*> GetLoadedPackages();
	COREUOBJECT_API UPackage* FindPackage(const FString& LongPackageName);

	// The objects that Object's saved properties refer to (nulls left out, duplicates kept once).
	COREUOBJECT_API TArray<UObject*> GetReferencedObjects(UObject* Object);
	// The live objects whose properties refer to Target, other than Target and its own inner objects.
	COREUOBJECT_API TArray<UObject*> FindReferencers(const UObject* Target);

	// Destroys Object and every object inside it, after setting every property that refers to one of
	// them to null (and marking those referencers' packages dirty). Destroying a package destroys
	// what it holds. Pointers to destroyed objects must not be used again.
	COREUOBJECT_API void DestroyObject(UObject* Object);

	// Forgets every package other than the transient one, as if the program had started again; the
	// files on disk stay. Objects in the transient package that pointed into them see null.
	COREUOBJECT_API void UnloadAllPackages();

	// The head of a package file: read without loading the objects.
	struct FPackageFileAsset
	{
		FName AssetName;
		FTopLevelAssetPath ClassPath;
	};
	struct FPackageFileSummary
	{
		uint32 FormatVersion = 0;
		FString PackageName;
		TArray<FPackageFileAsset> Assets;
	};
	// False (with OutError set) for a file that is missing, too short, foreign or of a newer version.
	COREUOBJECT_API bool ReadPackageFileSummary(const FString& Filename, FPackageFileSummary& OutSummary, FString& OutError);

	// Called after a package was written to a file, and before an object is destroyed (the asset
	// registry follows both).
	DECLARE_MULTICAST_DELEGATE_TwoParams(FOnPackageSaved, UPackage* /*Package*/, const FString& /*Filename*/);
	COREUOBJECT_API FOnPackageSaved& OnPackageSaved();
	DECLARE_MULTICAST_DELEGATE_OneParam(FOnObjectDestroyed, UObject* /*Object*/);
	COREUOBJECT_API FOnObjectDestroyed& OnObjectDestroyed();
}
