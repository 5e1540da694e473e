// UPackage: the outermost object of every asset; one package is one file on disk.
#pragma once

#include "UObject/Object.h"
#include "UObject/SavePackage.h"

class COREUOBJECT_API UPackage : public UObject
{
	DECLARE_CLASS(UPackage, UObject, CLASS_None, CASTCLASS_None, TEXT("/Script/CoreUObject"), COREUOBJECT_API)

	// Loads the package's objects from its file when it has one and they are not in memory yet;
	// safe to call again. A package without a file is simply marked fully loaded.
	void FullyLoad();
	bool IsFullyLoaded() const { return bHasBeenFullyLoaded; }
	void MarkAsFullyLoaded() { bHasBeenFullyLoaded = true; }

	bool IsDirty() const { return bDirty; }
	void SetDirtyFlag(bool bInIsDirty);

	// Writes the package (every object in it) to Filename in this project's package format.
	// InAsset must be in the package. True when the file was written; the package is then clean
	// (unless SAVE_KeepDirty). Errors go to SaveArgs.Error and the log.
	static bool SavePackage(UPackage* InOuter, UObject* InAsset, const TCHAR* Filename, const FSavePackageArgs& SaveArgs);
	static FSavePackageResultStruct Save(UPackage* InOuter, UObject* InAsset, const TCHAR* Filename, const FSavePackageArgs& SaveArgs);

private:
	friend struct FObjectTableAccess;
	bool bDirty = false;
	bool bHasBeenFullyLoaded = false;
	// The file this package was last loaded from or saved to (empty if none).
	FString LoadedFilename;
};
