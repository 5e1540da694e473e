// Writes the package fuzzer's seeds with the stand-in's own saver: a texture with source pixels,
// a material with a graph node that refers to the texture's package, a static mesh with two
// slots and a skeletal mesh with its skeleton in the same package. Each file is written without
// its end record (the harness appends a correct one, so mutations are not all stopped by the
// checksum); one file is kept whole, so the checksum path is seeded too.
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "Engine/Texture2D.h"
#include "MaterialEditingLibrary.h"
#include "Materials/Material.h"
#include "Materials/MaterialExpressionTextureSample.h"
#include "Misc/FileHelper.h"
#include "Misc/PackageName.h"
#include "UObject/Package.h"
#include "UObject/SavePackage.h"

#include "HeadlessEditorHost.h"
#include "TestAssets.h"
#include "HeadlessString.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using TestAssets::MakeAsset;

namespace
{
	bool SaveSeed(UObject* Asset, const std::string& OutDir, const char* Leaf, bool bKeepEndRecord)
	{
		UPackage* Package = Asset->GetOutermost();
		FString Filename;
		FPackageName::TryConvertLongPackageNameToFilename(Package->GetName(), Filename, FPackageName::GetAssetPackageExtension());
		FSavePackageArgs Args;
		Args.TopLevelFlags = RF_Public | RF_Standalone;
		TArray<uint8> Bytes;
		if (!UPackage::SavePackage(Package, Asset, *Filename, Args) || !FFileHelper::LoadFileToArray(Bytes, *Filename) || Bytes.Num() < 8)
		{
			std::fprintf(stderr, "make_package_seeds: %s was not saved\n", Leaf);
			return false;
		}
		if (!bKeepEndRecord)
		{
			Bytes.SetNum(Bytes.Num() - 8);
		}
		return FFileHelper::SaveArrayToFile(Bytes, *UE::HeadlessEditor::FromUtf8(OutDir.data(), OutDir.size()).Append(TEXT("/")).Append(UE::HeadlessEditor::FromUtf8(Leaf, std::strlen(Leaf))));
	}
}

int main(int Argc, char** Argv)
{
	if (Argc < 3)
	{
		std::fprintf(stderr, "usage: %s SCRATCH_PROJECT_DIR OUTPUT_DIR\n", Argv[0]);
		return 2;
	}
	UE::HeadlessEditor::SetLogToStdout(false);
	UE::HeadlessEditor::SetProjectDir(UE::HeadlessEditor::FromUtf8(Argv[1], std::strlen(Argv[1])));
	const std::string OutDir = Argv[2];

	UTexture2D* Texture = MakeAsset<UTexture2D>(TEXT("/Game/Seed/T_Seed"));
	const uint8 Pixels[] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24 };
	Texture->Source.Init(3, 2, 1, 1, TSF_BGRA8, Pixels);
	Texture->CompressionSettings = TC_Masks;
	Texture->SRGB = false;

	UMaterial* Material = MakeAsset<UMaterial>(TEXT("/Game/Seed/M_Seed"));
	UMaterialExpressionTextureSample* Node = Cast<UMaterialExpressionTextureSample>(
		UMaterialEditingLibrary::CreateMaterialExpression(Material, UMaterialExpressionTextureSample::StaticClass(), -400, 300));
	if (Node)
	{
		Node->Texture = Texture;
		Node->SamplerType = SAMPLERTYPE_Masks;
		UMaterialEditingLibrary::ConnectMaterialProperty(Node, TEXT("G"), MP_Roughness);
		UMaterialEditingLibrary::ConnectMaterialProperty(Node, TEXT("B"), MP_Metallic);
	}

	UStaticMesh* Mesh = TestAssets::MakeTwoSlotStaticMesh(TEXT("/Game/Seed/SM_Seed"), Material);
	USkeletalMesh* Skinned = TestAssets::MakeSkinnedQuad(TEXT("/Game/Seed/SK_Seed"), Material);

	bool bOk = SaveSeed(Texture, OutDir, "seed-texture", false);
	bOk &= SaveSeed(Material, OutDir, "seed-material", false);
	bOk &= SaveSeed(Mesh, OutDir, "seed-static-mesh", false);
	bOk &= SaveSeed(Skinned, OutDir, "seed-skeletal-mesh", false);
	bOk &= SaveSeed(Texture, OutDir, "seed-texture-whole", true);
	std::fflush(stdout);
	std::_Exit(bOk ? 0 : 1);   // objects are left to the process's end, as the editor does
}
