// Reading metadata.json's material entry: text in, the four strings out, no files, no assets.
#pragma once

#include "CoreMinimal.h"

namespace MOLDARIImport
{
	// The keys read from the first object of the "materials" array; a missing key (or one that
	// is not a string) reads as empty.
	struct FMaterialMetadataEntry
	{
		FString Name;
		FString BaseColorTexture;
		FString NormalTexture;
		FString MetallicRoughnessTexture;
	};

	enum class EMaterialMetadataResult : uint8
	{
		Entry,        // OutEntry holds the first material
		ParseFailed,  // not JSON, or its root is not an object
		NoEntry,      // no "materials" array, an empty one, or a first element that is no object
	};

	EMaterialMetadataResult ParseMaterialMetadata(const FString& Text, FMaterialMetadataEntry& OutEntry);
}
