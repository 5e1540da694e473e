// What the FBX and USD importers share when they turn a model reader's description into assets:
// mesh buffers into the engine's mesh data, asset names unique within one import, and textures
// imported through the image importer under a chosen asset name.
#pragma once

#include <string>

#include "CoreMinimal.h"
#include "Engine/HeadlessMeshData.h"

#include "MeshImportData.h"

class UTexture2D;

namespace UE::HeadlessEditor
{
	class FAssetImportContext;

	FString Utf8ToFString(const std::string& Text);

	// An asset name from a name inside a model (a material, a prim), made valid as importers make
	// names from file names; unlike a file name, everything after a dot is kept ("Material.001" ->
	// "Material_001").
	FString MakeAssetNameFromName(const FString& Name);

	// Copies the reader's buffers; influences beyond the mesh data's limit are dropped (the readers
	// already keep no more).
	void FillMeshData(const FImportedMeshBuffers& In, FHeadlessMeshData& Out);

	// Asset names given out by one import, compared without regard to case as object names are.
	class FImportNames
	{
	public:
		bool Contains(const FString& Name) const;
		void Add(const FString& Name) { Names.Add(Name); }
		// Name itself when free, else Name_1, Name_2, ...; the result is taken.
		FString TakeUnique(const FString& Name);

	private:
		TArray<FString> Names;
	};

	// Imports the image File into PackagePath as the texture AssetName through the image importer.
	// When the file's own name would give another asset name, a copy under that name is imported
	// from a temporary folder. Null (the image importer logged why) when no texture came of it.
	UTexture2D* ImportTextureNamed(FAssetImportContext& Context, const FString& File, const FString& PackagePath, const FString& AssetName);
}
