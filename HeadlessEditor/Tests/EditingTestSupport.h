// Helpers of the material, delete and world tests: assets made in code and saved to files.
#pragma once

#include "AssetTestSupport.h"
#include "TestAssets.h"

#include "EngineUtils.h"
#include "Engine/Texture2D.h"
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

	inline FString FileOf(const UPackage* Package)
	{
		FString Filename;
		FPackageName::TryConvertLongPackageNameToFilename(Package->GetName(), Filename, FPackageName::GetAssetPackageExtension());
		return Filename;
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
		FSavePackageArgs Args;
		Args.TopLevelFlags = RF_Public | RF_Standalone;
		return UPackage::SavePackage(Package, Asset, *FileOf(Package), Args);
	}
}
