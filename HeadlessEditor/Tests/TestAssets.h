// Assets made in code, shared by the stand-in's tests and the package fuzzer's seed writer (so it
// holds no test-framework code).
#pragma once

#include "Animation/Skeleton.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "Misc/PackageName.h"
#include "UObject/Package.h"
#include "EngineHost.h"

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

	// The two-section quad as a static mesh with slots Body (BodyMaterial, imported as
	// Body_Imported) and Trim (no material).
	inline UStaticMesh* MakeTwoSlotStaticMesh(const TCHAR* PackageName, UMaterialInterface* BodyMaterial)
	{
		UStaticMesh* Mesh = MakeAsset<UStaticMesh>(PackageName);
		FHeadlessAssets::MeshData(*Mesh) = MakeTwoSectionQuad(false);
		Mesh->GetStaticMaterials().Add(FStaticMaterial(BodyMaterial, FName(TEXT("Body")), FName(TEXT("Body_Imported"))));
		Mesh->GetStaticMaterials().Add(FStaticMaterial(nullptr, FName(TEXT("Trim"))));
		return Mesh;
	}

	// The skinned two-section quad with slot Skin. Its skeleton (bones root and spine) lives in
	// the mesh's own package, named after the mesh plus "_Skeleton": one package, two assets.
	inline USkeletalMesh* MakeSkinnedQuad(const TCHAR* PackageName, UMaterialInterface* SkinMaterial)
	{
		USkeletalMesh* Skinned = MakeAsset<USkeletalMesh>(PackageName);
		const FString SkeletonName = FPackageName::GetShortName(PackageName) + TEXT("_Skeleton");
		USkeleton* Skeleton = NewObject<USkeleton>(Skinned->GetOutermost(), FName(*SkeletonName), RF_Public | RF_Standalone);
		FHeadlessBone Root;
		Root.Name = FName(TEXT("root"));
		FHeadlessBone Child;
		Child.Name = FName(TEXT("spine"));
		Child.ParentIndex = 0;
		FHeadlessAssets::Bones(*Skeleton) = { Root, Child };
		Skinned->SetSkeleton(Skeleton);
		FHeadlessAssets::MeshData(*Skinned) = MakeTwoSectionQuad(true);
		Skinned->GetMaterials().Add(FSkeletalMaterial(SkinMaterial, FName(TEXT("Skin"))));
		return Skinned;
	}
}
