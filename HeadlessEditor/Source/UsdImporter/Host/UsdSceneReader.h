// Reads USD files for the USD importer: USDZ packages (ZIP, through libzip), text layers (usda)
// and the header of binary layers (usdc). Engine-free: the asset factories build UObjects from the
// plain description.
//
// What is read from a text layer: Mesh prims (points, faceVertexCounts, faceVertexIndices, normals,
// the first texCoord2f primvar, orientation, GeomSubsets bound to materials), their transforms
// (translate, scale, rotateX/Y/Z, rotateXYZ, orient, transform), material bindings (inherited down
// the prim tree), and Material prims with the texture files their shaders name. Time samples,
// variants, references, payloads and sublayers are not followed; each kind met is named in the
// warnings. A binary layer is recognised and its version and sections reported, but not read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MeshImportData.h"

struct zip;

namespace UE::HeadlessEditor::Usd
{
	struct FMaterialDescription
	{
		std::string PrimPath;                 // "/Root/Materials/Red"
		std::string Name;                     // the prim's name: "Red"
		std::vector<std::string> TextureAssets; // asset paths of its shaders' inputs:file, as written
	};

	// Every Mesh prim of the layer combined into one static mesh, placed by its transforms.
	struct FStaticMeshDescription
	{
		std::vector<std::string> MeshPrimPaths;
		// One slot per bound material, in the order the meshes first use them; a slot with an empty
		// path holds geometry bound to no material.
		std::vector<std::string> SlotMaterialPaths;
		std::vector<std::string> SlotNames;
		FImportedMeshBuffers Mesh;
	};

	struct FTextLayerDescription
	{
		std::vector<FMaterialDescription> Materials; // every Material prim, in file order
		FStaticMeshDescription StaticMesh;
		std::vector<std::string> Warnings;
	};

	// Parses a usda text; false with a reason (and a line number) when the text is not a usda layer
	// this reader understands.
	bool ParseTextLayer(const std::string& Text, FTextLayerDescription& Out, std::string& OutError);

	struct FBinaryLayerInfo
	{
		int Major = 0, Minor = 0, Patch = 0;
		std::vector<std::string> Sections;     // "TOKENS", "STRINGS", "FIELDS", ...
	};
	// Checks the crate header and its table of contents.
	bool ReadBinaryLayerHeader(const std::vector<uint8_t>& Bytes, FBinaryLayerInfo& Out, std::string& OutError);

	enum class ELayerFormat { Text, Binary, Unknown };
	ELayerFormat DetectLayerFormat(const uint8_t* Bytes, size_t Size);

	struct FPackageEntry
	{
		std::string Name;      // path inside the package, '/'-separated
		uint64_t Size = 0;
		int64_t Index = 0;     // libzip's entry index
	};

	// A USDZ package, open for reading.
	class FUsdzPackage
	{
	public:
		FUsdzPackage() = default;
		~FUsdzPackage();
		FUsdzPackage(const FUsdzPackage&) = delete;
		FUsdzPackage& operator=(const FUsdzPackage&) = delete;

		bool Open(const std::string& File, std::string& OutError);
		// Entries with safe relative names (no "..", no absolute path, no backslash), in package
		// order; the first layer among them is the package's root layer.
		const std::vector<FPackageEntry>& GetEntries() const { return Entries; }
		// Names skipped as unsafe.
		const std::vector<std::string>& GetRefusedNames() const { return Refused; }
		// Reads a whole entry (CRC checked by libzip), at most MaxEntrySize bytes.
		bool ReadEntry(const FPackageEntry& Entry, std::vector<uint8_t>& OutBytes, std::string& OutError) const;

		static constexpr uint64_t MaxEntrySize = 512ull * 1024 * 1024;

	private:
		::zip* Archive = nullptr;
		std::vector<FPackageEntry> Entries;
		std::vector<std::string> Refused;
	};

	bool IsImageFile(const std::string& Name);
	bool IsLayerFile(const std::string& Name);
	// Safe relative path inside a package or below a layer's folder.
	bool IsSafeRelativePath(const std::string& Name);
}
