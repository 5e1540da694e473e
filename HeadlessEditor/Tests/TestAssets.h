// Assets made in code, shared by the stand-in's tests and the package fuzzer's seed writer (so it
// holds no test-framework code).
#pragma once

#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "Misc/PackageName.h"
#include "UObject/Package.h"

namespace TestAssets
{
	// A public, standalone asset named after the last part of its new package's name.
	template <class T>
	T* MakeAsset(const TCHAR* PackageName)
	{
		UPackage* Package = CreatePackage(PackageName);
		return NewObject<T>(Package, FName(FPackageName::GetShortName(PackageName)), RF_Public | RF_Standalone);
	}

	// A quad of two sections (one triangle each, material slots 0 and 1) with two UV sets, the
	// second with values a lossy writer would change; bone influences when skinned.
	inline FHeadlessMeshData MakeTwoSectionQuad(bool bSkinned)
	{
		FHeadlessMeshData Data;
		Data.Positions = { 0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0 };
		Data.Normals = { 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1 };
		Data.TexCoords = { { 0, 0, 1, 0, 1, 1, 0, 1 }, { 0.5f, 0.5f, 0.25f, 0.25f, 0.125f, 0.125f, -1.5f, 3.0e7f } };
		Data.Indices = { 0, 1, 2, 0, 2, 3 };
		Data.Sections = { { 0, 0, 1 }, { 1, 3, 1 } };
		if (bSkinned)
		{
			Data.BoneIndices = { 0, 1, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0 };
			Data.BoneWeights = { 0.75f, 0.25f, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0.5f, 0.5f, 0, 0 };
		}
		return Data;
	}
}
