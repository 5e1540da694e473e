// Helpers of the material, delete, world and export tests: assets and materials made in code,
// saved to files.
#pragma once

#include "AssetTestSupport.h"
#include "TestAssets.h"

#include "EngineUtils.h"
#include "Engine/Texture2D.h"
#include "Factories/MaterialFactoryNew.h"
#include "MaterialEditingLibrary.h"
#include "Materials/Material.h"
#include "Materials/MaterialExpressionTextureSample.h"
#include "Misc/PackageName.h"
#include "UObject/Package.h"
#include "UObject/SavePackage.h"

namespace EditingTest
{
	using TestAssets::MakeAsset;

	inline UTexture2D* MakeTexture(const TCHAR* PackageName, TextureCompressionSettings Compression, bool bSRGB)
	{
		UTexture2D* Texture = MakeAsset<UTexture2D>(PackageName);
		Texture->CompressionSettings = Compression;
		Texture->SRGB = bSRGB;
		const uint8 Pixels[4 * 4] = {};
		Texture->Source.Init(2, 2, 1, 1, TSF_BGRA8, Pixels);
		// As after an import or an edit: settings that cannot go together are put right.
		Texture->PostEditChange();
		return Texture;
	}

	// The world's live actors, as the engine's actor iterator visits them.
	inline TArray<AActor*> LiveActors(const UWorld* World)
	{
		TArray<AActor*> Actors;
		for (AActor* Actor : TActorRange<AActor>(World)) { Actors.Add(Actor); }
		return Actors;
	}

	inline bool Save(UObject* Asset)
	{
		UPackage* Package = Asset->GetOutermost();
		FString Filename;
		FPackageName::TryConvertLongPackageNameToFilename(Package->GetName(), Filename, FPackageName::GetAssetPackageExtension());
		FSavePackageArgs Args;
		Args.TopLevelFlags = RF_Public | RF_Standalone;
		return UPackage::SavePackage(Package, Asset, *Filename, Args);
	}

	// A material as the editor's factory makes it, in a new package.
	inline UMaterial* NewMaterial(const TCHAR* PackageName)
	{
		UPackage* Package = CreatePackage(PackageName);
		Package->FullyLoad();
		UMaterialFactoryNew* Factory = NewObject<UMaterialFactoryNew>(GetTransientPackage());
		UObject* Made = Factory->FactoryCreateNew(UMaterial::StaticClass(), Package, FName(FPackageName::GetShortName(PackageName)),
			RF_Public | RF_Standalone | RF_Transactional, nullptr, GWarn);
		return Cast<UMaterial>(Made);
	}

	inline UMaterialExpressionTextureSample* AddSample(UMaterial* Material, UTexture* Texture, int32 X, int32 Y)
	{
		auto* Node = Cast<UMaterialExpressionTextureSample>(UMaterialEditingLibrary::CreateMaterialExpression(Material, UMaterialExpressionTextureSample::StaticClass(), X, Y));
		if (Node) { Node->Texture = Texture; }
		return Node;
	}

	// The plugin's graph: base colour, normal, and packed metallic/roughness.
	inline UMaterial* BuildPbr(const TCHAR* Folder)
	{
		const FString F(Folder);
		UTexture2D* Base = MakeTexture(*(F + TEXT("/Textures/T_Base")), TC_Default, true);
		UTexture2D* Normal = MakeTexture(*(F + TEXT("/Textures/T_Normal")), TC_Normalmap, true);
		UTexture2D* Masks = MakeTexture(*(F + TEXT("/Textures/T_MR")), TC_Masks, false);
		UMaterial* Material = NewMaterial(*(F + TEXT("/M_Pbr")));
		if (!Material) { return nullptr; }
		auto* BaseNode = AddSample(Material, Base, -400, -200);
		EXPECT_TRUE(UMaterialEditingLibrary::ConnectMaterialProperty(BaseNode, TEXT("RGB"), MP_BaseColor));
		auto* NormalNode = AddSample(Material, Normal, -400, 100);
		NormalNode->SamplerType = SAMPLERTYPE_Normal;
		EXPECT_TRUE(UMaterialEditingLibrary::ConnectMaterialProperty(NormalNode, TEXT("RGB"), MP_Normal));
		auto* MaskNode = AddSample(Material, Masks, -400, 300);
		MaskNode->SamplerType = SAMPLERTYPE_Masks;
		EXPECT_TRUE(UMaterialEditingLibrary::ConnectMaterialProperty(MaskNode, TEXT("G"), MP_Roughness));
		EXPECT_TRUE(UMaterialEditingLibrary::ConnectMaterialProperty(MaskNode, TEXT("B"), MP_Metallic));
		return Material;
	}
}
