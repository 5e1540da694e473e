// Long package names ("/Game/Folder/Asset") and the files they are saved in. The stand-in mounts
// one content root: "/Game/" is the project's Content/ folder.
#pragma once

#include "CoreMinimal.h"

class COREUOBJECT_API FPackageName
{
public:
	// "/Game/A/B" -> "<Project>/Content/A/B" + InExtension. False when the name is not a valid long
	// package name under a mounted root.
	static bool TryConvertLongPackageNameToFilename(const FString& InLongPackageName, FString& OutFilename, const FString& InExtension = TEXT(""));
	// As above; a name that cannot be converted is a fatal error, as in the engine.
	static FString LongPackageNameToFilename(const FString& InLongPackageName, const FString& InExtension = TEXT(""));
	// "<Project>/Content/A/B.uasset" -> "/Game/A/B". False for files outside every mounted root.
	static bool TryConvertFilenameToLongPackageName(const FString& InFilename, FString& OutPackageName, FString* OutFailureReason = nullptr);
	static FString FilenameToLongPackageName(const FString& InFilename);

	static const FString& GetAssetPackageExtension();   // ".uasset"
	static const FString& GetMapPackageExtension();     // ".umap"
	static bool IsPackageExtension(const TCHAR* Ext);   // "uasset" or "umap" (no dot)

	// Starts with '/', has a root and a name, no "//", no trailing '/', none of the characters the
	// engine forbids (\ : * ? " < > | ' , . space and control characters) and no "..".
	static bool IsValidLongPackageName(const FString& InLongPackageName, bool bIncludeReadOnlyRoots = false, FText* OutReason = nullptr);
	// A folder path ("/Game" or "/Game/A"): the rules above, with the root alone allowed.
	static bool IsValidPath(const FString& InPath);
	// "/Game/A/B" -> "/Game/A".
	static FString GetLongPackagePath(const FString& InLongPackageName);
	// "/Game/A/B" -> "B".
	static FString GetShortName(const FString& InLongPackageName);
	static FName GetShortFName(const FName& InLongPackageName) { return FName(GetShortName(InLongPackageName.ToString())); }
	// "/Game/A/B.B" or "/Game/A/B.B:Sub" -> "/Game/A/B".
	static FString ObjectPathToPackageName(const FString& InObjectPath);
	// "/Game/A/B.C" -> "C".
	static FString ObjectPathToObjectName(const FString& InObjectPath);
	// "/Game/A/B" -> "/Game/".
	static FString GetPackageMountPoint(const FString& InPackagePath);
	static bool DoesPackageExist(const FString& LongPackageName, FString* OutFilename = nullptr);
	// Every mounted root ("/Game/").
	static void QueryRootContentPaths(TArray<FString>& OutRootContentPaths);
};
