// Writes the editor level as a binary glTF 2.0 file, so what was imported and placed can be seen in
// any glTF viewer. Host-only (the console's `export-level` and tests); not visible to plugins.
#pragma once

#include "CoreMinimal.h"

class UWorld;

namespace UE::HeadlessEditor
{
	struct FGltfExportStats
	{
		int32 NumNodes = 0;      // one per actor with a mesh
		int32 NumMeshes = 0;     // one per mesh section
		int32 NumMaterials = 0;
		int32 NumTextures = 0;   // PNG images embedded in the file
	};

	// Each actor with a mesh becomes a node with the actor's label and transform; each section of
	// its mesh a glTF mesh with the section's material: base colour, normal and packed
	// metallic/roughness textures taken from the material graph's BaseColor, Normal and
	// Roughness (else Metallic) inputs. Skeletal meshes are written in their bind pose, without
	// skin. Meshes keep the axes of the files they came from (no axis conversion). False, with
	// OutError, when nothing could be written.
	UNREALED_API bool ExportLevelToGlb(UWorld* World, const FString& Filename, FGltfExportStats& OutStats, FString& OutError);
}
