// The geometry of an imported mesh, as flat buffers, and the bones of a skeleton: what the
// headless editor keeps where the engine keeps mesh descriptions, render data and a reference
// skeleton. Static and skeletal meshes each hold one FHeadlessMeshData (see EngineHost.h).
#pragma once

#include "CoreMinimal.h"

class FPropertyArchive;

// A run of triangles drawn with one material slot.
struct FHeadlessMeshSection
{
	int32 MaterialIndex = 0;   // index into the mesh's material slots
	int32 FirstIndex = 0;      // first entry of Indices
	int32 NumTriangles = 0;

	bool operator==(const FHeadlessMeshSection& Other) const = default;
};

struct ENGINE_API FHeadlessMeshData
{
	static constexpr int32 MaxTexCoords = 8;
	static constexpr int32 MaxBoneInfluences = 4;

	TArray<float> Positions;               // x, y, z per vertex
	TArray<float> Normals;                 // x, y, z per vertex, or empty
	TArray<float> Tangents;                // x, y, z per vertex, or empty
	TArray<float> Colors;                  // r, g, b, a per vertex, or empty
	TArray<TArray<float>> TexCoords;       // per UV channel: u, v per vertex
	TArray<uint32> Indices;                // triangle list, three per triangle
	TArray<FHeadlessMeshSection> Sections;
	// Skinned meshes only: MaxBoneInfluences entries per vertex (bone index into the skeleton, weight);
	// unused influences have weight 0.
	TArray<uint32> BoneIndices;
	TArray<float> BoneWeights;

	int32 GetNumVertices() const { return Positions.Num() / 3; }
	int32 GetNumTriangles() const { return Indices.Num() / 3; }
	bool IsEmpty() const { return Positions.IsEmpty(); }
	// Sizes agree with each other and every index is in range.
	bool IsConsistent() const;

	// Visits every buffer under names that begin with Prefix.
	void Serialize(FPropertyArchive& Ar, const TCHAR* Prefix);

	bool operator==(const FHeadlessMeshData& Other) const = default;
};

// One bone of a skeleton.
struct FHeadlessBone
{
	FName Name;
	int32 ParentIndex = INDEX_NONE;     // earlier bone, or INDEX_NONE for a root
	float LocalTransform[16] = { 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1 };   // relative to the parent, row-major, translation in the last column

	bool operator==(const FHeadlessBone& Other) const = default;
};
