// The FBX importer: the Assimp-based reader checked against what Debian's `assimp info` reports
// for the same real files, and the assets ImportAssetsAutomated makes from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>
#include <set>

#include "Animation/Skeleton.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "Engine/Texture2D.h"
#include "Materials/Material.h"
#include "Misc/PackageName.h"
#include "UObject/Package.h"
#include "UObject/SavePackage.h"

#include "FbxSceneReader.h"
#include "ModelImportTestSupport.h"
#include "HeadlessString.h"
#include "EngineHost.h"

using namespace ModelImportTest;
namespace Fbx = UE::HeadlessEditor::Fbx;

namespace
{
	// What `assimp info FILE -r` (no post-processing) prints about a file.
	struct FAssimpInfo
	{
		bool bLoaded = false;
		std::string Error;
		int Meshes = -1, Materials = -1, Bones = -1, Animations = -1, Embedded = -1;
		std::vector<std::string> MaterialNames;
		std::set<std::string> TextureRefs;
	};

	FAssimpInfo RunAssimpInfo(const fs::path& File)
	{
		FAssimpInfo Info;
		const std::string Output = RunCommand("assimp info " + ShellQuote(File.string()) + " -r");
		std::istringstream Lines(Output);
		std::string Line;
		bool bInTextureRefs = false;
		const std::regex Count(R"(^(Meshes|Materials|Bones|Animations|Textures \(embed\.\)):\s+(\d+)\s*$)");
		const std::regex MaterialName(R"(^    '(.*)' \(prop\))");
		const std::regex Quoted(R"(^    '(.*)'\s*$)");
		std::smatch Match;
		while (std::getline(Lines, Line))
		{
			if (Line.rfind("ERROR: Failed to load file: ", 0) == 0)
			{
				Info.Error = Line.substr(28);
			}
			if (std::regex_match(Line, Match, Count))
			{
				Info.bLoaded = true;
				const int N = std::stoi(Match[2]);
				const std::string Key = Match[1];
				(Key == "Meshes" ? Info.Meshes : Key == "Materials" ? Info.Materials : Key == "Bones" ? Info.Bones : Key == "Animations" ? Info.Animations : Info.Embedded) = N;
			}
			if (Line.rfind("Texture Refs:", 0) == 0) { bInTextureRefs = true; continue; }
			if (bInTextureRefs && std::regex_match(Line, Match, Quoted)) { Info.TextureRefs.insert(Match[1]); continue; }
			bInTextureRefs = false;
			if (std::regex_search(Line, Match, MaterialName)) { Info.MaterialNames.push_back(Match[1]); }
		}
		return Info;
	}

	std::vector<fs::path> FbxModels()
	{
		std::vector<fs::path> Models;
		const fs::path Dir = TestDataDir() / "fbx";
		std::error_code Ec;
		for (const fs::directory_entry& Entry : fs::directory_iterator(Dir, Ec))
		{
			std::string Ext = Entry.path().extension().string();
			std::transform(Ext.begin(), Ext.end(), Ext.begin(), ::tolower);
			if (Ext == ".fbx") { Models.push_back(Entry.path()); }
		}
		std::sort(Models.begin(), Models.end());
		return Models;
	}

	fs::path Model(const char* Name) { return TestDataDir() / "fbx" / Name; }

	bool StartsWithPng(const fs::path& File)
	{
		return ReadFile(File).rfind("\x89PNG\r\n\x1a\n", 0) == 0;
	}
}

TEST(FbxSceneReader, EveryTestModelMatchesAssimpInfo)
{
	const std::vector<fs::path> Models = FbxModels();
	ASSERT_GE(Models.size(), 13u) << "test models not found under " << TestDataDir();
	ASSERT_NE(RunCommand("command -v assimp"), "") << "Debian's assimp-utils is needed for the reference answers";
	int Loaded = 0;
	for (const fs::path& Original : Models)
	{
		SCOPED_TRACE(Original.filename().string());
		FScratchDir Scratch;
		const fs::path File = CopyModel(Original, Scratch.Path);
		const FAssimpInfo Info = RunAssimpInfo(File);
		Fbx::FSceneDescription Scene;
		std::string Error;
		const bool bRead = Fbx::ReadFbxScene(File.string(), Scene, Error);
		ASSERT_EQ(bRead, Info.bLoaded) << Error;
		if (!bRead)
		{
			EXPECT_FALSE(Info.Error.empty());
			EXPECT_EQ(Error, Info.Error);
			EXPECT_FALSE(fs::exists(Scratch.Path / (File.stem().string() + ".fbm")));
			continue;
		}
		++Loaded;
		EXPECT_EQ(int(Scene.MeshNames.size()), Info.Meshes);
		std::vector<std::string> Names;
		for (const Fbx::FMaterialDescription& Material : Scene.Materials) { Names.push_back(Material.Name); }
		EXPECT_EQ(Names, Info.MaterialNames);
		EXPECT_EQ(int(Scene.NumAnimations), Info.Animations);
		EXPECT_EQ(int(Scene.NumEmbeddedTextures), Info.Embedded);
		EXPECT_EQ(Scene.bSkinned, Info.Bones > 0);
		// The skeleton holds at least every bone the meshes are weighted to (plus end joints).
		EXPECT_GE(int(Scene.Bones.size()), Info.Bones);

		std::set<std::string> Recorded;
		for (const Fbx::FMaterialDescription& Material : Scene.Materials)
			for (const Fbx::FTextureReference& Texture : Material.Textures) { Recorded.insert(Texture.RecordedPath); }
		EXPECT_EQ(Recorded, Info.TextureRefs);

		// Embedded media land in "<file>.fbm" beside the FBX, one file each.
		const fs::path Fbm = Scratch.Path / (File.stem().string() + ".fbm");
		if (Info.Embedded > 0)
		{
			EXPECT_EQ(fs::path(Scene.FbmFolder), fs::weakly_canonical(Fbm));
			EXPECT_EQ(int(Scene.EmbeddedFilesWritten.size()), Info.Embedded);
			int Files = 0;
			for (const auto& Entry : fs::directory_iterator(Fbm)) { Files += Entry.is_regular_file(); }
			EXPECT_EQ(Files, Info.Embedded);
		}
		else
		{
			EXPECT_TRUE(Scene.FbmFolder.empty());
			EXPECT_FALSE(fs::exists(Fbm));
		}
	}
	EXPECT_EQ(Loaded, int(Models.size()) - 2) << "two of the models are known not to load in Assimp";
}

TEST(FbxSceneReader, StaticMeshBuffersAreWholeAndGroupedByMaterial)
{
	FScratchDir Scratch;
	Fbx::FSceneDescription Scene;
	std::string Error;
	ASSERT_TRUE(Fbx::ReadFbxScene(CopyModel(Model("ufbx-blender_suzanne_multimaterial_7400_binary.fbx"), Scratch.Path).string(), Scene, Error)) << Error;
	const Fbx::FMeshBuffers& Mesh = Scene.Mesh;
	EXPECT_FALSE(Scene.bSkinned);
	EXPECT_TRUE(Mesh.InfluenceBones.empty());
	ASSERT_EQ(Mesh.Sections.size(), 7u); // one object, seven materials
	EXPECT_EQ(Mesh.Normals.size(), Mesh.Positions.size());
	ASSERT_EQ(Mesh.UVs.size(), 1u);
	EXPECT_EQ(Mesh.UVs[0].size(), size_t(Mesh.NumVertices()) * 2);
	uint32_t NextIndex = 0, Triangles = 0;
	for (size_t I = 0; I < Mesh.Sections.size(); ++I)
	{
		EXPECT_EQ(Mesh.Sections[I].MaterialIndex, I);
		EXPECT_EQ(Mesh.Sections[I].FirstIndex, NextIndex);
		NextIndex += Mesh.Sections[I].NumTriangles * 3;
		Triangles += Mesh.Sections[I].NumTriangles;
	}
	EXPECT_EQ(Triangles, Mesh.NumTriangles());
	EXPECT_TRUE(std::all_of(Mesh.Indices.begin(), Mesh.Indices.end(), [&](uint32_t I) { return I < Mesh.NumVertices(); }));
	for (size_t I = 0; I < Mesh.Normals.size(); I += 3)
	{
		const float Length = std::sqrt(Mesh.Normals[I] * Mesh.Normals[I] + Mesh.Normals[I + 1] * Mesh.Normals[I + 1] + Mesh.Normals[I + 2] * Mesh.Normals[I + 2]);
		ASSERT_NEAR(Length, 1.0f, 1e-3f);
	}
}

TEST(FbxSceneReader, SkinnedMeshHasAWeightedSkeleton)
{
	for (const char* Name : { "ufbx-maya_game_sausage_7500_binary.fbx", "assimp-animation_with_skeleton.fbx" })
	{
		SCOPED_TRACE(Name);
		FScratchDir Scratch;
		Fbx::FSceneDescription Scene;
		std::string Error;
		ASSERT_TRUE(Fbx::ReadFbxScene(CopyModel(Model(Name), Scratch.Path).string(), Scene, Error)) << Error;
		ASSERT_TRUE(Scene.bSkinned);
		ASSERT_FALSE(Scene.Bones.empty());
		EXPECT_EQ(Scene.Bones[0].ParentIndex, -1);
		std::set<std::string> BoneNames;
		for (size_t B = 0; B < Scene.Bones.size(); ++B)
		{
			EXPECT_LT(Scene.Bones[B].ParentIndex, int32_t(B)) << "parents come before children";
			EXPECT_TRUE(BoneNames.insert(Scene.Bones[B].Name).second) << "bone names are unique: " << Scene.Bones[B].Name;
		}
		const Fbx::FMeshBuffers& Mesh = Scene.Mesh;
		ASSERT_EQ(Mesh.InfluenceWeights.size(), size_t(Mesh.NumVertices()) * Fbx::MaxBoneInfluences);
		std::set<uint16_t> Used;
		for (uint32_t V = 0; V < Mesh.NumVertices(); ++V)
		{
			float Sum = 0;
			for (int I = 0; I < Fbx::MaxBoneInfluences; ++I)
			{
				const size_t K = size_t(V) * Fbx::MaxBoneInfluences + I;
				Sum += Mesh.InfluenceWeights[K];
				ASSERT_LT(Mesh.InfluenceBones[K], Scene.Bones.size());
				if (Mesh.InfluenceWeights[K] > 0) { Used.insert(Mesh.InfluenceBones[K]); }
			}
			ASSERT_NEAR(Sum, 1.0f, 1e-3f) << "vertex " << V;
		}
		EXPECT_GE(Used.size(), 3u) << "the mesh bends on several bones";
	}
	// Maya's end joint is in the skeleton though nothing is weighted to it.
	FScratchDir Scratch;
	Fbx::FSceneDescription Sausage;
	std::string Error;
	ASSERT_TRUE(Fbx::ReadFbxScene(CopyModel(Model("ufbx-maya_game_sausage_7500_binary.fbx"), Scratch.Path).string(), Sausage, Error));
	std::vector<std::string> Names;
	for (const Fbx::FBone& Bone : Sausage.Bones) { Names.push_back(Bone.Name); }
	EXPECT_EQ(Names, (std::vector<std::string>{ "joint1", "joint2", "joint3", "joint4" }));
}

TEST(FbxSceneReader, TexturesAreFoundAsTheEngineLooksForThem)
{
	FScratchDir Scratch;
	// Absolute Windows paths of another machine: found by file name in the textures sub-folder.
	Fbx::FSceneDescription Spider;
	std::string Error;
	ASSERT_TRUE(Fbx::ReadFbxScene(CopyModel(Model("assimp-spider.fbx"), Scratch.Path).string(), Spider, Error)) << Error;
	ASSERT_EQ(Spider.Materials.size(), 4u);
	for (const Fbx::FMaterialDescription& Material : Spider.Materials)
	{
		ASSERT_EQ(Material.Textures.size(), 1u) << Material.Name;
		const Fbx::FTextureReference& Texture = Material.Textures[0];
		EXPECT_FALSE(Texture.bEmbedded);
		EXPECT_EQ(fs::path(Texture.File), fs::weakly_canonical(Scratch.Path / "textures" / Fbx::RecordedFileName(Texture.RecordedPath)));
	}
	EXPECT_TRUE(Spider.Warnings.empty());

	// References that lead nowhere stay unresolved and are reported, one warning each.
	Fbx::FSceneDescription Dangling;
	ASSERT_TRUE(Fbx::ReadFbxScene(CopyModel(Model("assimp-maxPbrMaterial_metalRough.fbx"), Scratch.Path).string(), Dangling, Error)) << Error;
	ASSERT_EQ(Dangling.Materials.size(), 1u);
	EXPECT_EQ(Dangling.Materials[0].Textures.size(), 7u);
	for (const Fbx::FTextureReference& Texture : Dangling.Materials[0].Textures) { EXPECT_TRUE(Texture.File.empty()) << Texture.RecordedPath; }
	EXPECT_EQ(Dangling.Warnings.size(), 7u);

	// Relative paths with backslashes; a different letter case still finds the file.
	fs::create_directories(Scratch.Path / "maps" / "deep");
	std::ofstream(Scratch.Path / "maps" / "deep" / "Wood.PNG") << "x";
	EXPECT_EQ(Fbx::ResolveTextureFile(Scratch.Path.string(), "maps\\deep\\Wood.PNG"), fs::weakly_canonical(Scratch.Path / "maps/deep/Wood.PNG").string());
	EXPECT_EQ(Fbx::ResolveTextureFile(Scratch.Path.string(), "E:\\art\\wood.png"), fs::weakly_canonical(Scratch.Path / "maps/deep/Wood.PNG").string());
	EXPECT_EQ(Fbx::ResolveTextureFile(Scratch.Path.string(), "E:\\art\\missing.png"), "");
	EXPECT_EQ(Fbx::ResolveTextureFile(Scratch.Path.string(), "..\\.."), "");
	EXPECT_EQ(Fbx::RecordedFileName("..\\Primitives\\GridGrey.tga"), "GridGrey.tga");
	EXPECT_EQ(Fbx::RecordedFileName("C:tex.png"), "tex.png");
	EXPECT_EQ(Fbx::RecordedFileName("a/.."), "");
}

TEST(FbxSceneReader, EmbeddedMediaAreWrittenIntoTheFbmFolderOnly)
{
	FScratchDir Scratch;
	Fbx::FSceneDescription Scene;
	std::string Error;
	const fs::path File = CopyModel(Model("ufbx-blender_293_embedded_textures_7400_binary.fbx"), Scratch.Path);
	ASSERT_TRUE(Fbx::ReadFbxScene(File.string(), Scene, Error)) << Error;
	const fs::path Fbm = Scratch.Path / "ufbx-blender_293_embedded_textures_7400_binary.fbm";
	ASSERT_EQ(Scene.Materials.size(), 1u);
	ASSERT_EQ(Scene.Materials[0].Textures.size(), 5u);
	for (const Fbx::FTextureReference& Texture : Scene.Materials[0].Textures)
	{
		EXPECT_TRUE(Texture.bEmbedded);
		EXPECT_EQ(fs::path(Texture.File), fs::weakly_canonical(Fbm / Fbx::RecordedFileName(Texture.RecordedPath)));
		EXPECT_TRUE(StartsWithPng(Texture.File)) << Texture.File;
	}
	// Embedded bytes are the same images as the loose copies shipped beside the model.
	EXPECT_EQ(ReadFile(Fbm / "checkerboard_diffuse.png"), ReadFile(TestDataDir() / "fbx/textures/checkerboard_diffuse.png"));

	// A recorded name with ".." is written inside the .fbm folder, never beside or above it.
	FScratchDir Other;
	Fbx::FSceneDescription Box;
	ASSERT_TRUE(Fbx::ReadFbxScene(CopyModel(Model("assimp-box_orphant_embedded_texture.fbx"), Other.Path).string(), Box, Error)) << Error;
	ASSERT_EQ(Box.EmbeddedFilesWritten.size(), 1u);
	EXPECT_EQ(fs::path(Box.EmbeddedFilesWritten[0]), fs::weakly_canonical(Other.Path / "assimp-box_orphant_embedded_texture.fbm/GridGrey.tga"));
	EXPECT_FALSE(fs::exists(Other.Path / "Primitives"));
	EXPECT_FALSE(fs::exists(Other.Path.parent_path() / "Primitives"));

	// Reading without writing media leaves the folder alone and the references unresolved.
	FScratchDir Third;
	Fbx::FSceneDescription NoMedia;
	ASSERT_TRUE(Fbx::ReadFbxScene(CopyModel(Model("ufbx-blender_293_embedded_textures_7400_binary.fbx"), Third.Path).string(), NoMedia, Error, false));
	EXPECT_FALSE(fs::exists(Third.Path / "ufbx-blender_293_embedded_textures_7400_binary.fbm"));
	EXPECT_TRUE(NoMedia.Materials[0].Textures[0].File.empty());
}

TEST(FbxSceneReader, UnwritableFbmFolderIsReportedNotFatal)
{
	FScratchDir Scratch;
	const fs::path File = CopyModel(Model("ufbx-blender_293_embedded_textures_7400_binary.fbx"), Scratch.Path);
	// A file where the folder should go: no folder can be made there.
	std::ofstream(Scratch.Path / "ufbx-blender_293_embedded_textures_7400_binary.fbm") << "in the way";
	Fbx::FSceneDescription Scene;
	std::string Error;
	ASSERT_TRUE(Fbx::ReadFbxScene(File.string(), Scene, Error)) << Error;
	EXPECT_TRUE(Scene.EmbeddedFilesWritten.empty());
	EXPECT_TRUE(Scene.FbmFolder.empty());
	ASSERT_FALSE(Scene.Warnings.empty());
	EXPECT_NE(Scene.Warnings[0].find("cannot create the folder for embedded media"), std::string::npos) << Scene.Warnings[0];
	for (const Fbx::FTextureReference& Texture : Scene.Materials[0].Textures) { EXPECT_TRUE(Texture.File.empty()); }
}

TEST(FbxSceneReader, BrokenAndForeignFilesFailWithAReason)
{
	FScratchDir Scratch;
	const std::string Real = ReadFile(Model("ufbx-maya_game_sausage_7500_binary.fbx"));
	const std::vector<std::pair<std::string, std::string>> Cases = {
		{ "empty.fbx", "" },
		{ "text.fbx", "this is not a model\n" },
		{ "truncated.fbx", Real.substr(0, Real.size() / 2) },
		{ "header-only.fbx", Real.substr(0, 27) },
	};
	for (const auto& [Name, Bytes] : Cases)
	{
		SCOPED_TRACE(Name);
		std::ofstream(Scratch.Path / Name, std::ios::binary) << Bytes;
		Fbx::FSceneDescription Scene;
		std::string Error;
		EXPECT_FALSE(Fbx::ReadFbxScene((Scratch.Path / Name).string(), Scene, Error));
		EXPECT_FALSE(Error.empty());
		EXPECT_TRUE(Scene.Mesh.Positions.empty());
	}
	Fbx::FSceneDescription Scene;
	std::string Error;
	EXPECT_FALSE(Fbx::ReadFbxScene((Scratch.Path / "no-such-file.fbx").string(), Scene, Error));
	EXPECT_EQ(Error, "no such file");
}

// ---------------------------------------------------------------------------------------------
// The assets ImportAssetsAutomated makes from FBX files.

using FFbxAssetImport = FAssetImportTest;

TEST_F(FFbxAssetImport, StaticModelGivesMeshSlotsMaterialsAndTexturesAsTheFileHolds)
{
	const fs::path File = CopyModel(Model("assimp-spider.fbx"), Files.Path);
	const FAssimpInfo Info = RunAssimpInfo(File);
	const std::vector<UObject*> Result = ToVector(Import(File, "/Game/Fbx/Spider"));

	UStaticMesh* Mesh = Find<UStaticMesh>(Result, "assimp-spider");
	ASSERT_NE(Mesh, nullptr);
	EXPECT_FALSE(Mesh->IsA<USkeletalMesh>());
	ASSERT_EQ(Mesh->GetStaticMaterials().Num(), int32(Info.MaterialNames.size()));
	for (int32 Slot = 0; Slot < Mesh->GetStaticMaterials().Num(); ++Slot)
	{
		const FStaticMaterial& Material = Mesh->GetStaticMaterials()[Slot];
		const std::string Name = Info.MaterialNames[size_t(Slot)];
		EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Material.MaterialSlotName.ToString()), Name);
		// Each slot holds the material generated for it, an asset of the same name.
		ASSERT_NE(Material.MaterialInterface.Get(), nullptr) << Name;
		EXPECT_EQ(Material.MaterialInterface.Get(), Find<UMaterial>(Result, Name));
	}
	EXPECT_TRUE(FHeadlessAssets::MeshData(*Mesh).IsConsistent());
	EXPECT_EQ(FHeadlessAssets::MeshData(*Mesh).Sections.Num(), 4);
	EXPECT_GT(Mesh->GetNumTriangles(), 1000);

	// One texture per referenced file that exists: the four JPEGs, found by name in textures/.
	for (const char* Texture : { "drkwood2", "wal67ar_small", "engineflare1", "SpiderTex" })
	{
		UTexture2D* Found = Find<UTexture2D>(Result, Texture);
		ASSERT_NE(Found, nullptr) << Texture;
		EXPECT_GT(Found->GetSizeX(), 0);
	}
	// Everything lies directly in the destination, nothing else.
	std::vector<std::string> Listed = AssetsIn("/Game/Fbx/Spider");
	std::sort(Listed.begin(), Listed.end());
	EXPECT_EQ(Listed, (std::vector<std::string>{ "Augentex /Script/Engine.Material", "BeinTex /Script/Engine.Material",
		"HLeibTex /Script/Engine.Material", "Skin /Script/Engine.Material", "SpiderTex /Script/Engine.Texture2D",
		"assimp-spider /Script/Engine.StaticMesh", "drkwood2 /Script/Engine.Texture2D", "engineflare1 /Script/Engine.Texture2D",
		"wal67ar_small /Script/Engine.Texture2D" }));
	EXPECT_EQ(Result.size(), Listed.size());
	EXPECT_TRUE(AssetsIn("/Game/Fbx/Spider", true).size() == Listed.size()) << "no sub-folders";
}

TEST_F(FFbxAssetImport, SkinnedModelGivesSkeletalMeshAndSkeleton)
{
	const fs::path File = CopyModel(Model("ufbx-maya_game_sausage_7500_binary.fbx"), Files.Path);
	const std::vector<UObject*> Result = ToVector(Import(File, "/Game/Fbx/Sausage"));
	USkeletalMesh* Mesh = Find<USkeletalMesh>(Result, "ufbx-maya_game_sausage_7500_binary");
	USkeleton* Skeleton = Find<USkeleton>(Result, "ufbx-maya_game_sausage_7500_binary_Skeleton");
	ASSERT_NE(Mesh, nullptr);
	ASSERT_NE(Skeleton, nullptr);
	EXPECT_EQ(Find<UStaticMesh>(Result, "ufbx-maya_game_sausage_7500_binary"), nullptr);
	EXPECT_EQ(Mesh->GetSkeleton(), Skeleton);
	ASSERT_EQ(FHeadlessAssets::Bones(*Skeleton).Num(), 4);
	EXPECT_EQ(FHeadlessAssets::FindBoneIndex(*Skeleton, FName(TEXT("joint3"))), 2);
	EXPECT_EQ(FHeadlessAssets::Bones(*Skeleton)[2].ParentIndex, 1);
	ASSERT_EQ(Mesh->GetMaterials().Num(), 1);
	EXPECT_EQ(Mesh->GetMaterials()[0].MaterialSlotName, FName(TEXT("lambert1")));
	EXPECT_EQ(Mesh->GetMaterials()[0].MaterialInterface.Get(), Find<UMaterial>(Result, "lambert1"));
	EXPECT_TRUE(FHeadlessAssets::MeshData(*Mesh).IsConsistent());
	EXPECT_EQ(FHeadlessAssets::MeshData(*Mesh).BoneWeights.Num(), FHeadlessAssets::MeshData(*Mesh).GetNumVertices() * FHeadlessMeshData::MaxBoneInfluences);
	EXPECT_EQ(Result.size(), 3u);

	// The animated Blender model: skeletal too; its animation is named in the log as not made.
	const fs::path Animated = CopyModel(Model("assimp-animation_with_skeleton.fbx"), Files.Path);
	const std::vector<UObject*> Second = ToVector(Import(Animated, "/Game/Fbx/Animated"));
	EXPECT_NE(Find<USkeletalMesh>(Second, "assimp-animation_with_skeleton"), nullptr);
	EXPECT_TRUE(Logged("1 animation(s) not imported"));
}

TEST_F(FFbxAssetImport, EmbeddedTexturesAreUnpackedBesideTheFbxThenImported)
{
	const fs::path File = CopyModel(Model("ufbx-blender_293_embedded_textures_7400_binary.fbx"), Files.Path);
	const std::vector<UObject*> Result = ToVector(Import(File, "/Game/Fbx/Embedded"));
	const fs::path Fbm = Files.Path / "ufbx-blender_293_embedded_textures_7400_binary.fbm";
	ASSERT_TRUE(fs::is_directory(Fbm));
	UStaticMesh* Mesh = Find<UStaticMesh>(Result, "ufbx-blender_293_embedded_textures_7400_binary");
	ASSERT_NE(Mesh, nullptr);
	ASSERT_EQ(Mesh->GetStaticMaterials().Num(), 1);
	// The slot keeps the material's name with its dot; the asset name cannot hold one.
	EXPECT_EQ(Mesh->GetStaticMaterials()[0].MaterialSlotName, FName(TEXT("Material.001")));
	UMaterial* Material = Find<UMaterial>(Result, "Material_001");
	ASSERT_NE(Material, nullptr);
	EXPECT_EQ(Mesh->GetStaticMaterials()[0].MaterialInterface.Get(), Material);
	for (const char* Name : { "checkerboard_diffuse", "checkerboard_emissive", "checkerboard_roughness", "checkerboard_weight", "checkerboard_metallic" })
	{
		SCOPED_TRACE(Name);
		ASSERT_TRUE(fs::is_regular_file(Fbm / (std::string(Name) + ".png")));
		UTexture2D* Texture = Find<UTexture2D>(Result, Name);
		ASSERT_NE(Texture, nullptr);
		EXPECT_EQ(Texture->GetSizeX(), 128);
		EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FHeadlessAssets::SourceFilePath(*Texture)), fs::weakly_canonical(Fbm / (std::string(Name) + ".png")).string());
	}
	EXPECT_EQ(AssetsIn("/Game/Fbx/Embedded").size(), 7u);
}

TEST_F(FFbxAssetImport, FileWithoutMaterialGetsAnEmptySlotAndNoMaterialAsset)
{
	const fs::path File = CopyModel(Model("assimp-boxWithUncompressedCTypeArray.FBX"), Files.Path);
	const std::vector<UObject*> Result = ToVector(Import(File, "/Game/Fbx/Plain"));
	ASSERT_EQ(Result.size(), 1u);
	UStaticMesh* Mesh = Find<UStaticMesh>(Result, "assimp-boxWithUncompressedCTypeArray");
	ASSERT_NE(Mesh, nullptr);
	ASSERT_EQ(Mesh->GetStaticMaterials().Num(), 1);
	EXPECT_EQ(Mesh->GetStaticMaterials()[0].MaterialSlotName, FName(TEXT("DefaultMaterial")));
	EXPECT_EQ(Mesh->GetStaticMaterials()[0].MaterialInterface.Get(), nullptr);
}

TEST_F(FFbxAssetImport, UnreadableFilesImportNothingAndSayWhy)
{
	for (const char* Name : { "assimp-transparentTest.fbx", "ufbx-maya_cube_6100_binary.fbx" })
	{
		SCOPED_TRACE(Name);
		const fs::path File = CopyModel(Model(Name), Files.Path);
		const FAssimpInfo Info = RunAssimpInfo(File);
		ASSERT_FALSE(Info.Error.empty());
		EXPECT_TRUE(Import(File, "/Game/Fbx/Broken").IsEmpty());
		EXPECT_TRUE(Logged(Info.Error)) << Info.Error;
	}
	EXPECT_TRUE(AssetsIn("/Game/Fbx/Broken", true).empty());
}

TEST_F(FFbxAssetImport, TextureNamedLikeTheMeshDoesNotTakeItsPlace)
{
	// The model's file name is the same as one of its textures' names.
	fs::create_directories(Files.Path / "clash");
	CopyModel(Model("ufbx-max_pbr_metal_rough_material_7700_ascii.fbx"), Files.Path / "clash");
	const fs::path File = Files.Path / "clash" / "checkerboard_diffuse.fbx";
	fs::rename(Files.Path / "clash" / "ufbx-max_pbr_metal_rough_material_7700_ascii.fbx", File);
	const std::vector<UObject*> Result = ToVector(Import(File, "/Game/Fbx/Clash"));
	UStaticMesh* Mesh = Find<UStaticMesh>(Result, "checkerboard_diffuse");
	ASSERT_NE(Mesh, nullptr);
	EXPECT_EQ(Mesh->GetStaticMaterials()[0].MaterialSlotName, FName(TEXT("01 - Default")));
	EXPECT_NE(Find<UMaterial>(Result, "01_-_Default"), nullptr);
	UTexture2D* Renamed = Find<UTexture2D>(Result, "checkerboard_diffuse_1");
	ASSERT_NE(Renamed, nullptr);
	EXPECT_EQ(Renamed->GetSizeX(), 128);
	int Textures = 0;
	for (UObject* Object : Result) { Textures += Object->IsA<UTexture2D>(); }
	EXPECT_EQ(Textures, 6);
}

TEST_F(FFbxAssetImport, ExistingAssetsAreSkippedOrReplacedInPlace)
{
	const fs::path File = CopyModel(Model("ufbx-blender_suzanne_multimaterial_7400_binary.fbx"), Files.Path);
	const std::vector<UObject*> First = ToVector(Import(File, "/Game/Fbx/Again"));
	UStaticMesh* Mesh = Find<UStaticMesh>(First, "ufbx-blender_suzanne_multimaterial_7400_binary");
	ASSERT_NE(Mesh, nullptr);
	EXPECT_EQ(First.size(), 8u); // the mesh and seven materials
	const int32 Triangles = Mesh->GetNumTriangles();
	Mesh->SetMaterial(0, nullptr);

	EXPECT_TRUE(Import(File, "/Game/Fbx/Again", false).IsEmpty());
	EXPECT_EQ(Mesh->GetStaticMaterials()[0].MaterialInterface.Get(), nullptr) << "not replaced";

	const std::vector<UObject*> Replaced = ToVector(Import(File, "/Game/Fbx/Again", true));
	EXPECT_EQ(Find<UStaticMesh>(Replaced, "ufbx-blender_suzanne_multimaterial_7400_binary"), Mesh) << "replaced in place";
	EXPECT_EQ(Mesh->GetNumTriangles(), Triangles);
	EXPECT_NE(Mesh->GetStaticMaterials()[0].MaterialInterface.Get(), nullptr);
	EXPECT_EQ(AssetsIn("/Game/Fbx/Again").size(), 8u);
}

TEST_F(FFbxAssetImport, NonAsciiFileNamesSurvive)
{
	const fs::path File = CopyModel(Model("ufbx-synthetic_a\u03b2\u30ab\U0001F602_7500_ascii.fbx"), Files.Path);
	ASSERT_TRUE(fs::exists(File));
	const std::vector<UObject*> Result = ToVector(Import(File, "/Game/Fbx/Unicode"));
	EXPECT_NE(Find<UStaticMesh>(Result, "ufbx-synthetic_a\u03b2\u30ab\U0001F602_7500_ascii"), nullptr);
}

TEST_F(FFbxAssetImport, ImportedAssetsSaveAndLoadBackEqualAfterARestart)
{
	const fs::path File = CopyModel(Model("ufbx-maya_game_sausage_7500_binary.fbx"), Files.Path);
	const std::vector<UObject*> Result = ToVector(Import(File, "/Game/Fbx/Saved"));
	ASSERT_EQ(Result.size(), 3u);
	for (UObject* Asset : Result)
	{
		FString Filename;
		ASSERT_TRUE(FPackageName::TryConvertLongPackageNameToFilename(Asset->GetOutermost()->GetName(), Filename, FPackageName::GetAssetPackageExtension()));
		FSavePackageArgs Args;
		Args.TopLevelFlags = RF_Public | RF_Standalone;
		ASSERT_TRUE(UPackage::SavePackage(Asset->GetOutermost(), Asset, *Filename, Args)) << UE::HeadlessEditor::ToUtf8(Filename);
	}
	USkeletalMesh* Mesh = Find<USkeletalMesh>(Result, "ufbx-maya_game_sausage_7500_binary");
	ASSERT_NE(Mesh, nullptr);
	const FHeadlessMeshData MeshData = FHeadlessAssets::MeshData(*Mesh);
	const TArray<FHeadlessBone> Bones = FHeadlessAssets::Bones(*Mesh->GetSkeleton());

	Restart();
	FAssetRegistryModule::GetRegistry().ScanPathsSynchronous({ TEXT("/Game/Fbx/Saved") }, true);
	std::vector<std::string> Listed = AssetsIn("/Game/Fbx/Saved");
	std::sort(Listed.begin(), Listed.end());
	EXPECT_EQ(Listed, (std::vector<std::string>{ "lambert1 /Script/Engine.Material", "ufbx-maya_game_sausage_7500_binary /Script/Engine.SkeletalMesh",
		"ufbx-maya_game_sausage_7500_binary_Skeleton /Script/Engine.Skeleton" }));
	USkeletalMesh* Loaded = LoadObject<USkeletalMesh>(nullptr, TEXT("/Game/Fbx/Saved/ufbx-maya_game_sausage_7500_binary.ufbx-maya_game_sausage_7500_binary"));
	ASSERT_NE(Loaded, nullptr);
	EXPECT_TRUE(FHeadlessAssets::MeshData(*Loaded) == MeshData);
	ASSERT_NE(Loaded->GetSkeleton(), nullptr);
	EXPECT_TRUE(FHeadlessAssets::Bones(*Loaded->GetSkeleton()) == Bones);
	ASSERT_EQ(Loaded->GetMaterials().Num(), 1);
	EXPECT_EQ(Loaded->GetMaterials()[0].MaterialSlotName, FName(TEXT("lambert1")));
	ASSERT_NE(Loaded->GetMaterials()[0].MaterialInterface.Get(), nullptr);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Loaded->GetMaterials()[0].MaterialInterface->GetPathName()), "/Game/Fbx/Saved/lambert1.lambert1");
}
