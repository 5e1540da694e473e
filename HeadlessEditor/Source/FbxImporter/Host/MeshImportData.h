// Mesh buffers as the model readers (FBX, USD) hand them to the mesh factories: one combined mesh
// in model space with a section per material slot.
#pragma once

#include <cstdint>
#include <vector>

namespace UE::HeadlessEditor
{
	// A run of triangles in the index buffer that uses one material slot.
	struct FImportedMeshSection
	{
		uint32_t MaterialIndex = 0;
		uint32_t FirstIndex = 0;
		uint32_t NumTriangles = 0;
	};

	constexpr int MaxImportedBoneInfluences = 4;

	struct FImportedMeshBuffers
	{
		std::vector<float> Positions;              // xyz per vertex
		std::vector<float> Normals;                // xyz per vertex
		std::vector<std::vector<float>> UVs;       // per channel, uv per vertex
		std::vector<uint32_t> Indices;             // triangles, grouped by section
		std::vector<FImportedMeshSection> Sections; // in slot order, only slots with triangles
		// Skinned meshes only: MaxImportedBoneInfluences entries per vertex, unused ones weight 0.
		std::vector<uint16_t> InfluenceBones;
		std::vector<float> InfluenceWeights;

		uint32_t NumVertices() const { return uint32_t(Positions.size() / 3); }
		uint32_t NumTriangles() const { return uint32_t(Indices.size() / 3); }
	};
}
