// Reads an FBX file through Assimp into a plain description of what the editor's FBX importer
// turns into assets: one combined mesh (skinned or not) with a section per material, the
// materials in file order with the texture files they reference, and the skeleton.
// Engine-free on purpose: the asset factories build UObjects from it, the tests compare it with
// what Assimp itself reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MeshImportData.h"

namespace UE::HeadlessEditor::Fbx
{
	// A texture as a material references it.
	struct FTextureReference
	{
		std::string Usage;          // Assimp's semantic: "Diffuse", "BaseColor", "NormalCamera", ...
		std::string RecordedPath;   // exactly as the file stores it (backslashes, drive letters, "..")
		std::string File;           // the existing file it was found at (UTF-8, absolute); empty when none
		bool bEmbedded = false;     // taken from the FBX's embedded media (written to the .fbm folder)
	};

	struct FMaterialDescription
	{
		std::string Name;
		// True for the material Assimp invents for geometry that has none: it gets a slot but the
		// file holds no material to generate.
		bool bPlaceholder = false;
		std::vector<FTextureReference> Textures;
	};

	using FMeshSection = FImportedMeshSection;
	using FMeshBuffers = FImportedMeshBuffers;
	constexpr int MaxBoneInfluences = MaxImportedBoneInfluences;

	struct FBone
	{
		std::string Name;
		int32_t ParentIndex = -1;       // into FSceneDescription::Bones; -1 for the root
		float LocalTransform[16];       // row-major, relative to the parent
		float InverseBindPose[16];      // row-major, model space to bone space
	};

	struct FSceneDescription
	{
		std::vector<std::string> MeshNames;          // Assimp's mesh names, in file order
		std::vector<FMaterialDescription> Materials; // one per material slot, in file order
		FMeshBuffers Mesh;
		bool bSkinned = false;                       // some mesh has bones
		std::vector<FBone> Bones;                    // skeleton, parents before children; empty when not skinned
		uint32_t NumAnimations = 0;
		uint32_t NumEmbeddedTextures = 0;
		std::string FbmFolder;                       // where embedded media went; empty when the file has none
		std::vector<std::string> EmbeddedFilesWritten;
		std::vector<std::string> Warnings;           // things read but not kept, textures not found, ...
	};

	// Reads FbxFile (UTF-8 path). With bWriteEmbeddedMedia, the file's embedded textures are first
	// written to "<folder>/<base name>.fbm/" beside it, as the engine's importer does, and the
	// materials' references to them point there. On failure returns false with Assimp's reason.
	bool ReadFbxScene(const std::string& FbxFile, FSceneDescription& Out, std::string& OutError, bool bWriteEmbeddedMedia = true);

	// Where a texture reference recorded in an FBX is found on disk, or empty: the path as written
	// (absolute, or relative to the FBX's folder, with '\' read as a separator), else its bare file
	// name in the FBX's folder, else in a sub-folder of it (models moved with their textures often
	// keep them in a "textures" folder while the FBX still names the author's drive).
	std::string ResolveTextureFile(const std::string& FbxFolder, const std::string& RecordedPath);

	// The file name part of a recorded path, whichever separator it uses; never "." or "..".
	std::string RecordedFileName(const std::string& RecordedPath);
}
