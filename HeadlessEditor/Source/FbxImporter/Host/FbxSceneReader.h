// Reads an FBX file through Assimp into a plain description of what the editor's Interchange FBX
// import turns into assets with its generic pipelines' defaults: one static mesh per mesh-bearing
// scene node, one skeletal mesh per skeleton root (the skinned meshes bound to it combined), the
// materials in file order with the texture files they reference, and the names the translator
// gives all of them.
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
		std::string Name;    // as the file holds it
		std::string Label;   // cleaned as the FBX translator cleans object names (see CleanObjectName)
		// True for the material Assimp invents for geometry that has none: the file holds no
		// material to generate, and the slot is named as the engine names a slot without one.
		bool bPlaceholder = false;
		std::vector<FTextureReference> Textures;
	};

	using FMeshSection = FImportedMeshSection;
	using FMeshBuffers = FImportedMeshBuffers;
	constexpr int MaxBoneInfluences = MaxImportedBoneInfluences;

	// A material slot of a mesh: its sections' MaterialIndex is the slot's index.
	struct FMaterialSlot
	{
		// The material's label; "<label>_Section<N>" when one node uses that material again (N
		// counts its earlier uses on the node); "Material_0" for geometry without any material.
		std::string Name;
		int32_t MaterialIndex = -1;   // into FSceneDescription::Materials; -1: the slot has no material
	};

	struct FBone
	{
		std::string Name;               // cleaned as joint names are (see CleanObjectName)
		int32_t ParentIndex = -1;       // into FMeshDescription::Bones; -1 for the root
		float LocalTransform[16];       // row-major, relative to the parent
		float InverseBindPose[16];      // row-major, model space to bone space
	};

	// One mesh asset to be: a static mesh (one scene node) or a skeletal mesh (every node bound to
	// one skeleton root, plus rigid meshes nested in that skeleton).
	struct FMeshDescription
	{
		bool bSkeletal = false;
		// The asset's name before the one-mesh-per-file rule: the scene node's label, or for a
		// skeletal mesh made of several nodes the first mesh's label.
		std::string Label;
		std::vector<std::string> Nodes;            // labels of the scene nodes it holds, in scene order
		std::vector<std::string> CollisionNodes;   // static only: UCX_/UBX_/USP_/UCP_ nodes folded into it
		std::vector<FMaterialSlot> Slots;
		FMeshBuffers Mesh;                         // model space (node transforms baked in)
		std::string RootJoint;                     // skeletal only: the skeleton root's label
		std::vector<FBone> Bones;                  // skeletal only: parents before children
	};

	struct FSceneDescription
	{
		std::vector<std::string> MeshNames;          // Assimp's mesh names, in file order
		std::vector<FMaterialDescription> Materials; // Assimp's materials, in file order
		std::vector<FMeshDescription> Meshes;        // in scene order (by each mesh's first node)
		bool bSkinned = false;                       // some mesh has bones
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

	// A name from the file as the FBX translator makes it: characters that object names may not
	// hold become '_' (for joints also '+'), and "none" in any letter case becomes "Null".
	std::string CleanObjectName(const std::string& Name, bool bJoint = false);

	// Where a texture reference recorded in an FBX is found on disk, or empty: the path as written
	// (absolute, or relative to the FBX's folder, with '\' read as a separator), else its bare file
	// name in the FBX's folder, else in a sub-folder of it (models moved with their textures often
	// keep them in a "textures" folder while the FBX still names the author's drive).
	std::string ResolveTextureFile(const std::string& FbxFolder, const std::string& RecordedPath);

	// The file name part of a recorded path, whichever separator it uses; never "." or "..".
	std::string RecordedFileName(const std::string& RecordedPath);
}
