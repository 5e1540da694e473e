// Private to CoreUObject: writing and reading package files (format in PackageFormat.md).
#pragma once

#include "UObject/Package.h"

namespace UE::CoreUObject::Private
{
	// Writes every object of the package (transient ones left out) to Filename, through a
	// temporary file renamed into place.
	bool WritePackageFile(UPackage* Package, const FString& Filename, FString& OutError, int64& OutFileSize);
	// Reads a whole file into objects of Package (made with the given name when null). Nothing is
	// made unless the whole file checks out.
	UPackage* LoadPackageFile(UPackage* Package, const FString& LongPackageName, const FString& Filename, bool bQuiet);

	// The format's identity.
	inline constexpr uint8 PackageFileMagic[8] = { 'H', 'E', 'A', 'S', 'S', 'E', 'T', 0x1A };
	inline constexpr uint32 PackageFileVersion = 1;
	inline constexpr uint8 PackageFileEndMagic[4] = { 'H', 'E', 'N', 'D' };
}
