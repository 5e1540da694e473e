// The FBX importer: the Assimp-based reader checked against what Debian's `assimp info` reports
// for the same real files, and the assets ImportAssetsAutomated makes from them, named and split
// as UE 5.5.1's Interchange FBX import does with its generic pipelines' defaults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>
#include <set>
#include <sstream>

#include "Animation/Skeleton.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "Engine/Texture2D.h"
#include "Materials/Material.h"
#include "Misc/PackageName.h"
#include "UObject/Package.h"

#include "EditingTestSupport.h"
#include "FbxSceneReader.h"
#include "ModelImportTestSupport.h"
#include "EngineHost.h"
#include "HeadlessString.h"

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
		std::vector<std::string> MeshNodes;   // nodes that carry meshes, in the printed (depth-first) order
	};

	FAssimpInfo RunAssimpInfo(const fs::path& File)
	{
		FAssimpInfo Info;
		std::string Output;
		RunShell("assimp info " + ShellQuote(File.string()) + " -r", Output);
		std::istringstream Lines(Output);
		std::string Line;
		bool bInTextureRefs = false;
		bool bInHierarchy = false;
		const std::regex Count(R"(^(Meshes|Materials|Bones|Animations|Textures \(embed\.\)):\s+(\d+)\s*$)");
		const std::regex MaterialName(R"(^    '(.*)' \(prop\))");
		const std::regex Quoted(R"(^    '(.*)'\s*$)");
		const std::regex MeshNode(R"(^(.*) \(mesh [0-9, ]+\)\s*$)");
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
			if (Line.rfind("Node hierarchy:", 0) == 0) { bInHierarchy = true; continue; }
			// Tree lines: "├╴Name (mesh 0, 1)" under "│ " and "  " indents.
			const size_t Branch = Line.find("\xE2\x95\xB4");
			if (bInHierarchy && Branch != std::string::npos)
			{
				const std::string Rest = Line.substr(Branch + 3);
				if (std::regex_match(Rest, Match, MeshNode)) { Info.MeshNodes.push_back(Match[1]); }
				continue;
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

	// The ASCII model assimp-cubes_with_names.fbx (nodes Cube2 > Куб1 and Cube3 > Куб1; materials
	// Mat_Green on the first two, Mat_Red on the others) written as Into/Name with edits: each
	// edit replaces the first occurrence of its text, which must be there.
	fs::path CubesVariant(const fs::path& Into, const std::string& Name, const std::vector<std::pair<std::string, std::string>>& Edits)
	{
		std::string Text = ReadFile(Model("assimp-cubes_with_names.fbx"));
		for (const auto& [From, To] : Edits)
		{
			const size_t At = Text.find(From);
			EXPECT_NE(At, std::string::npos) << From;
			if (At != std::string::npos) { Text.replace(At, From.size(), To); }
		}
		WriteFile(Into / Name, Text);
		return Into / Name;
	}

	// Node Cube2's geometry (six quads) takes its material per polygon from three slots: Mat_Green,
	// Mat_Red, Mat_Green again (quads 0-2, 3-4, 5).
	const std::vector<std::pair<std::string, std::string>> CubeWithARepeatedMaterial = {
		{ "MappingInformationType: \"AllSame\"\n\t\t\tReferenceInformationType: \"IndexToDirect\"\n\t\t\tMaterials: *1 {\n\t\t\t\ta: 0\n",
		  "MappingInformationType: \"ByPolygon\"\n\t\t\tReferenceInformationType: \"IndexToDirect\"\n\t\t\tMaterials: *6 {\n\t\t\t\ta: 0,0,0,1,1,2\n" },
		{ ";Material::Mat_Green, Model::Cube2\n\tC: \"OO\",2359823919504,2359439406816\n",
		  ";Material::Mat_Green, Model::Cube2\n\tC: \"OO\",2359823919504,2359439406816\n"
		  "\tC: \"OO\",2359823921584,2359439406816\n\tC: \"OO\",2359823919504,2359439406816\n" },
	};

	std::vector<std::string> SlotNames(const UStaticMesh* Mesh)
	{
		std::vector<std::string> Out;
		if (!Mesh) { return { "(no mesh)" }; }
		for (const FStaticMaterial& Slot : Mesh->GetStaticMaterials()) { Out.push_back(UE::HeadlessEditor::ToUtf8(Slot.MaterialSlotName.ToString())); }
		return Out;
	}

	// The sorted asset names of the objects of class T, read from their packages' paths: an
	// object's FName shows the first spelling any test gave that name ("ok" for a node "OK"), a
	// package path is a name of its own.
	template <class T>
	std::vector<std::string> NamesOf(const std::vector<UObject*>& Objects)
	{
		std::vector<std::string> Out;
		for (UObject* Object : Objects)
		{
			if (Object && Object->IsA<T>()) { Out.push_back(UE::HeadlessEditor::ToUtf8(FPackageName::GetShortName(Object->GetOutermost()->GetName()))); }
		}
		std::sort(Out.begin(), Out.end());
		return Out;
	}
}

TEST(FbxSceneReader, EveryTestModelMatchesAssimpInfo)
{
	const std::vector<fs::path> Models = FbxModels();
	ASSERT_GE(Models.size(), 13u) << "test models not found under " << TestDataDir();
	std::string Found;
	ASSERT_EQ(RunShell("command -v assimp", Found), 0) << "Debian's assimp-utils is needed for the reference answers";
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
		std::vector<std::string> MaterialNames;
		for (const Fbx::FMaterialDescription& Material : Scene.Materials) { MaterialNames.push_back(Material.Name); }
		EXPECT_EQ(MaterialNames, Info.MaterialNames);
		EXPECT_EQ(int(Scene.NumAnimations), Info.Animations);
		EXPECT_EQ(int(Scene.NumEmbeddedTextures), Info.Embedded);
		EXPECT_EQ(Scene.bSkinned, Info.Bones > 0);

		// Every node that carries geometry is in exactly one mesh, in the file's node order.
		std::vector<std::string> Expected, Nodes;
		for (const std::string& Node : Info.MeshNodes) { Expected.push_back(Fbx::CleanObjectName(Node)); }
		size_t Bones = 0;
		for (const Fbx::FMeshDescription& Mesh : Scene.Meshes)
		{
			Nodes.insert(Nodes.end(), Mesh.Nodes.begin(), Mesh.Nodes.end());
			Nodes.insert(Nodes.end(), Mesh.CollisionNodes.begin(), Mesh.CollisionNodes.end());
			Bones += Mesh.Bones.size();
			EXPECT_EQ(Mesh.bSkeletal, !Mesh.Bones.empty()) << Mesh.Label;
			EXPECT_FALSE(Mesh.Slots.empty()) << Mesh.Label;
			for (const Fbx::FMeshSection& Section : Mesh.Mesh.Sections) { EXPECT_LT(Section.MaterialIndex, Mesh.Slots.size()) << Mesh.Label; }
		}
		EXPECT_EQ(Nodes, Expected);
		// The skeletons hold at least every bone the meshes are weighted to (plus end joints).
		EXPECT_GE(int(Bones), Info.Bones);

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

TEST(FbxSceneReader, ANodeIsOneMeshWithASectionPerSlot)
{
	// Suzanne: one node whose geometry Assimp splits into seven pieces, one per material.
	FScratchDir Scratch;
	Fbx::FSceneDescription Scene;
	std::string Error;
	ASSERT_TRUE(Fbx::ReadFbxScene(CopyModel(Model("ufbx-blender_suzanne_multimaterial_7400_binary.fbx"), Scratch.Path).string(), Scene, Error)) << Error;
	ASSERT_EQ(Scene.Meshes.size(), 1u);
	const Fbx::FMeshDescription& Suzanne = Scene.Meshes[0];
	EXPECT_FALSE(Suzanne.bSkeletal);
	EXPECT_EQ(Suzanne.Label, "Suzanne");
	std::vector<std::string> Slots;
	for (size_t Slot = 0; Slot < Suzanne.Slots.size(); ++Slot)
	{
		Slots.push_back(Suzanne.Slots[Slot].Name);
		EXPECT_EQ(Suzanne.Slots[Slot].MaterialIndex, int32_t(Slot));
	}
	EXPECT_EQ(Slots, (std::vector<std::string>{ "LeftEye", "RightEye", "Pupil", "Monkey", "Nose", "LeftEar", "RightEar" }));
	const Fbx::FMeshBuffers& Mesh = Suzanne.Mesh;
	EXPECT_TRUE(Mesh.InfluenceBones.empty());
	ASSERT_EQ(Mesh.Sections.size(), 7u);
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
		ASSERT_EQ(Scene.Meshes.size(), 1u) << "one skinned node, and no other geometry";
		const Fbx::FMeshDescription& Skinned = Scene.Meshes[0];
		ASSERT_TRUE(Skinned.bSkeletal);
		ASSERT_FALSE(Skinned.Bones.empty());
		EXPECT_EQ(Skinned.Bones[0].ParentIndex, -1);
		EXPECT_EQ(Skinned.RootJoint, Skinned.Bones[0].Name);
		std::vector<std::string> Bones;
		std::set<std::string> BoneNames;
		for (size_t B = 0; B < Skinned.Bones.size(); ++B)
		{
			EXPECT_LT(Skinned.Bones[B].ParentIndex, int32_t(B)) << "parents come before children";
			EXPECT_TRUE(BoneNames.insert(Skinned.Bones[B].Name).second) << "bone names are unique: " << Skinned.Bones[B].Name;
			Bones.push_back(Skinned.Bones[B].Name);
		}
		// Maya's end joint is in the skeleton though nothing is weighted to it; Blender's bone
		// names lose their dots as the translator cleans joint names.
		if (std::string(Name).rfind("ufbx-maya", 0) == 0)
		{
			EXPECT_EQ(Bones, (std::vector<std::string>{ "joint1", "joint2", "joint3", "joint4" }));
			EXPECT_EQ(Skinned.Label, "pCube1");
		}
		else
		{
			EXPECT_EQ(BoneNames.count("Bone_001"), 1u);
			EXPECT_EQ(BoneNames.count("Bone.001"), 0u);
		}
		const Fbx::FMeshBuffers& Mesh = Skinned.Mesh;
		ASSERT_EQ(Mesh.InfluenceWeights.size(), size_t(Mesh.NumVertices()) * Fbx::MaxBoneInfluences);
		std::set<uint16_t> Used;
		for (uint32_t V = 0; V < Mesh.NumVertices(); ++V)
		{
			float Sum = 0;
			for (int I = 0; I < Fbx::MaxBoneInfluences; ++I)
			{
				const size_t K = size_t(V) * Fbx::MaxBoneInfluences + I;
				Sum += Mesh.InfluenceWeights[K];
				ASSERT_LT(Mesh.InfluenceBones[K], Skinned.Bones.size());
				if (Mesh.InfluenceWeights[K] > 0) { Used.insert(Mesh.InfluenceBones[K]); }
			}
			ASSERT_NEAR(Sum, 1.0f, 1e-3f) << "vertex " << V;
		}
		EXPECT_GE(Used.size(), 3u) << "the mesh bends on several bones";
	}
}

TEST(FbxSceneReader, NamesAreCleanedAsTheTranslatorCleansThem)
{
	EXPECT_EQ(Fbx::CleanObjectName("Material.001"), "Material_001");
	EXPECT_EQ(Fbx::CleanObjectName("01 - Default"), "01_-_Default");
	EXPECT_EQ(Fbx::CleanObjectName("a\"b'c,d/e:f|g&h!i~j@k#l(m)n{o}p[q]r=s;t^u%v$w`x"), "a_b_c_d_e_f_g_h_i_j_k_l_m_n_o_p_q_r_s_t_u_v_w_x");
	EXPECT_EQ(Fbx::CleanObjectName("tab\there\r\n"), "tab_here__");
	EXPECT_EQ(Fbx::CleanObjectName("L+R"), "L+R");
	EXPECT_EQ(Fbx::CleanObjectName("L+R", true), "L_R");
	EXPECT_EQ(Fbx::CleanObjectName("NoNe"), "Null");
	EXPECT_EQ(Fbx::CleanObjectName("none_x"), "none_x");
	EXPECT_EQ(Fbx::CleanObjectName("Куб1 \xF0\x9F\x98\x82"), "Куб1_\xF0\x9F\x98\x82");
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

TEST(FbxSceneReader, EmbeddedMediaAreWrittenIntoTheFbmFolderOnlyWhenItCanBeMade)
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
		EXPECT_EQ(ReadFile(Texture.File).rfind("\x89PNG\r\n\x1a\n", 0), 0u) << Texture.File;
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

	// A file where the folder should go: reported, not fatal, and the references stay unresolved.
	std::ofstream(Third.Path / "ufbx-blender_293_embedded_textures_7400_binary.fbm") << "in the way";
	Fbx::FSceneDescription Blocked;
	ASSERT_TRUE(Fbx::ReadFbxScene((Third.Path / "ufbx-blender_293_embedded_textures_7400_binary.fbx").string(), Blocked, Error)) << Error;
	EXPECT_TRUE(Blocked.EmbeddedFilesWritten.empty());
	EXPECT_TRUE(Blocked.FbmFolder.empty());
	ASSERT_FALSE(Blocked.Warnings.empty());
	EXPECT_NE(Blocked.Warnings[0].find("cannot create the folder for embedded media"), std::string::npos) << Blocked.Warnings[0];
	for (const Fbx::FTextureReference& Texture : Blocked.Materials[0].Textures) { EXPECT_TRUE(Texture.File.empty()); }
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
		EXPECT_TRUE(Scene.Meshes.empty());
	}
	Fbx::FSceneDescription Scene;
	std::string Error;
	EXPECT_FALSE(Fbx::ReadFbxScene((Scratch.Path / "no-such-file.fbx").string(), Scene, Error));
	EXPECT_EQ(Error, "no such file");
}

// ---------------------------------------------------------------------------------------------
// The assets ImportAssetsAutomated makes from FBX files.

using FFbxAssetImport = FAssetImportTest;

TEST_F(FFbxAssetImport, EachMeshNodeBecomesAStaticMeshNamedAfterIt)
{
	const fs::path File = CopyModel(Model("assimp-spider.fbx"), Files);
	const FAssimpInfo Info = RunAssimpInfo(File);
	ASSERT_EQ(Info.MeshNodes.size(), 19u);
	const std::vector<UObject*> Result = ToVector(Import(File, "/Game/Fbx/Spider"));

	// Nineteen nodes, nineteen meshes with the nodes' names; none with the file's name.
	std::vector<std::string> Expected = Info.MeshNodes;
	std::sort(Expected.begin(), Expected.end());
	EXPECT_EQ(NamesOf<UStaticMesh>(Result), Expected);
	EXPECT_EQ(Find<UStaticMesh>(Result, "assimp-spider"), nullptr);
	for (UObject* Object : Result)
	{
		UStaticMesh* Mesh = Cast<UStaticMesh>(Object);
		if (!Mesh) { continue; }
		SCOPED_TRACE(UE::HeadlessEditor::ToUtf8(Mesh->GetName()));
		EXPECT_FALSE(Mesh->IsA<USkeletalMesh>());
		EXPECT_TRUE(FHeadlessAssets::MeshData(*Mesh).IsConsistent());
		EXPECT_GT(Mesh->GetNumTriangles(), 0);
		ASSERT_EQ(Mesh->GetStaticMaterials().Num(), 1);
		// The slot is named after the material and holds the material asset of that name.
		const FStaticMaterial& Slot = Mesh->GetStaticMaterials()[0];
		ASSERT_NE(Slot.MaterialInterface.Get(), nullptr);
		EXPECT_EQ(Slot.MaterialInterface->GetName(), Slot.MaterialSlotName.ToString());
		EXPECT_NE(std::find(Info.MaterialNames.begin(), Info.MaterialNames.end(), UE::HeadlessEditor::ToUtf8(Slot.MaterialSlotName.ToString())), Info.MaterialNames.end());
	}
	// Together the meshes hold every triangle of the file, each node placed where the file puts it.
	int32 Triangles = 0;
	for (UObject* Object : Result) { if (UStaticMesh* Mesh = Cast<UStaticMesh>(Object)) { Triangles += Mesh->GetNumTriangles(); } }
	EXPECT_GT(Triangles, 1000);

	// One material per FBX material and one texture per referenced file that exists, no prefixes,
	// all directly in the destination.
	EXPECT_EQ(NamesOf<UMaterial>(Result), (std::vector<std::string>{ "Augentex", "BeinTex", "HLeibTex", "Skin" }));
	EXPECT_EQ(NamesOf<UTexture2D>(Result), (std::vector<std::string>{ "SpiderTex", "drkwood2", "engineflare1", "wal67ar_small" }));
	for (UObject* Texture : Result) { if (UTexture2D* T = Cast<UTexture2D>(Texture)) { EXPECT_GT(T->GetSizeX(), 0); } }
	EXPECT_EQ(Result.size(), 27u);
	EXPECT_EQ(Listed(TEXT("/Game/Fbx/Spider"), false).size(), Result.size());
	EXPECT_EQ(Listed(TEXT("/Game/Fbx/Spider"), true).size(), Result.size()) << "no sub-folders";
}

TEST_F(FFbxAssetImport, NodesOfOneNameGiveOneMeshAndCollisionNodesFoldIntoTheirOwner)
{
	// Two nodes are called Куб1: the first one (under Cube2, one cube) is made, the second is not,
	// and nothing gets a numbered name.
	const fs::path File = CopyModel(Model("assimp-cubes_with_names.fbx"), Files);
	const std::vector<UObject*> Result = ToVector(Import(File, "/Game/Fbx/Cubes"));
	EXPECT_EQ(NamesOf<UStaticMesh>(Result), (std::vector<std::string>{ "Cube2", "Cube3", "Куб1" }));
	UStaticMesh* Kub = Find<UStaticMesh>(Result, "Куб1");
	ASSERT_NE(Kub, nullptr);
	EXPECT_EQ(Kub->GetNumTriangles(), 12);
	EXPECT_EQ(SlotNames(Kub), (std::vector<std::string>{ "Mat_Green" }));
	EXPECT_EQ(SlotNames(Find<UStaticMesh>(Result, "Cube3")), (std::vector<std::string>{ "Mat_Red" }));
	EXPECT_TRUE(Logged("a second StaticMesh named Куб1 is not made"));
	EXPECT_EQ(NamesOf<UMaterial>(Result), (std::vector<std::string>{ "Mat_Green", "Mat_Red" }));
	EXPECT_EQ(Listed(TEXT("/Game/Fbx/Cubes"), false).size(), 5u);

	// "UCX_<Node>" and "UCX_<Node>_<n>" are collision of that node, not meshes of their own; a
	// collision prefix without such a node is an ordinary mesh.
	auto Collisions = [this](const char* Name, const std::string& Last) {
		return CubesVariant(Files, Name, { { "\"Model::Cube3\"", "\"Model::UCX_Cube2\"" },
			{ "2359439411456, \"Model::Куб1\"", "2359439411456, \"Model::UCX_Cube2_01\"" },
			{ "2359439416096, \"Model::Куб1\"", "2359439416096, \"Model::" + Last + "\"" } });
	};
	const std::vector<UObject*> Folded = ToVector(Import(Collisions("collision.fbx", "UCX_Nothing"), "/Game/Fbx/Collision"));
	ASSERT_EQ(NamesOf<UStaticMesh>(Folded), (std::vector<std::string>{ "Cube2", "UCX_Nothing" }));
	EXPECT_EQ(Find<UStaticMesh>(Folded, "Cube2")->GetNumTriangles(), 12) << "the collision geometry is not drawn";
	EXPECT_TRUE(Logged("2 collision node(s) of Cube2 folded into it"));

	// With the last one matching too, the file yields one mesh, which takes the file's name.
	const std::vector<UObject*> Single = ToVector(Import(Collisions("one mesh.fbx", "UBX_Cube2_02"), "/Game/Fbx/OneMesh"));
	EXPECT_EQ(NamesOf<UStaticMesh>(Single), (std::vector<std::string>{ "one_mesh" }));
}

TEST_F(FFbxAssetImport, AFileWithOneMeshNamesItAfterTheFile)
{
	// Static: the node (Cube) gives way to the file's base name, cleaned like any object name.
	fs::create_directories(Files / "named");
	const fs::path Embedded = CopyModel(Model("ufbx-blender_293_embedded_textures_7400_binary.fbx"), Files / "named");
	const fs::path Renamed = Files / "named" / "My Model.v2 (final).fbx";
	fs::rename(Embedded, Renamed);
	const std::vector<UObject*> Result = ToVector(Import(Renamed, "/Game/Fbx/Named"));
	EXPECT_EQ(NamesOf<UStaticMesh>(Result), (std::vector<std::string>{ "My_Model_v2__final_" }));
	EXPECT_EQ(Find<UStaticMesh>(Result, "Cube"), nullptr);

	// A name in Greek, Katakana and an emoji survives the path conversions.
	const fs::path Unicode = CopyModel(Model("ufbx-synthetic_a\u03b2\u30ab\U0001F602_7500_ascii.fbx"), Files);
	ASSERT_TRUE(fs::exists(Unicode));
	const std::vector<UObject*> Wide = ToVector(Import(Unicode, "/Game/Fbx/Unicode"));
	EXPECT_EQ(NamesOf<UStaticMesh>(Wide), (std::vector<std::string>{ "ufbx-synthetic_a\u03b2\u30ab\U0001F602_7500_ascii" }));
}

TEST_F(FFbxAssetImport, SlotsAreNamedAfterTheCleanedMaterialWithSectionSuffixesForRepeats)
{
	// One node with the same material in two slots: "<material>_Section1", holding that material.
	const fs::path Repeated = CubesVariant(Files, "repeated.fbx", CubeWithARepeatedMaterial);
	const std::vector<UObject*> Result = ToVector(Import(Repeated, "/Game/Fbx/Repeated"));
	UStaticMesh* Cube2 = Find<UStaticMesh>(Result, "Cube2");
	ASSERT_NE(Cube2, nullptr);
	ASSERT_EQ(SlotNames(Cube2), (std::vector<std::string>{ "Mat_Green", "Mat_Red", "Mat_Green_Section1" }));
	UMaterial* Green = Find<UMaterial>(Result, "Mat_Green");
	ASSERT_NE(Green, nullptr);
	EXPECT_EQ(Cube2->GetStaticMaterials()[0].MaterialInterface.Get(), Green);
	EXPECT_EQ(Cube2->GetStaticMaterials()[1].MaterialInterface.Get(), Find<UMaterial>(Result, "Mat_Red"));
	EXPECT_EQ(Cube2->GetStaticMaterials()[2].MaterialInterface.Get(), Green);
	// Quads 0-2, 3-4 and 5, each section on its own slot.
	const TArray<FHeadlessMeshSection>& Sections = FHeadlessAssets::MeshData(*Cube2).Sections;
	ASSERT_EQ(Sections.Num(), 3);
	for (int32 I = 0; I < 3; ++I) { EXPECT_EQ(Sections[I].MaterialIndex, I); }
	EXPECT_EQ(Sections[0].NumTriangles, 6);
	EXPECT_EQ(Sections[1].NumTriangles, 4);
	EXPECT_EQ(Sections[2].NumTriangles, 2);
	EXPECT_EQ(NamesOf<UMaterial>(Result).size(), 2u) << "one asset per material, however often it is used";
	EXPECT_EQ(SlotNames(Find<UStaticMesh>(Result, "Куб1")), (std::vector<std::string>{ "Mat_Green" })) << "the other nodes keep their one slot";

	// Geometry without any material: the engine's generated slot name, no material asset.
	const fs::path Plain = CopyModel(Model("assimp-boxWithUncompressedCTypeArray.FBX"), Files);
	const std::vector<UObject*> Bare = ToVector(Import(Plain, "/Game/Fbx/Plain"));
	ASSERT_EQ(Bare.size(), 1u);
	UStaticMesh* Box = Find<UStaticMesh>(Bare, "assimp-boxWithUncompressedCTypeArray");
	ASSERT_NE(Box, nullptr);
	ASSERT_EQ(SlotNames(Box), (std::vector<std::string>{ "Material_0" }));
	EXPECT_EQ(Box->GetStaticMaterials()[0].MaterialInterface.Get(), nullptr);
}

TEST_F(FFbxAssetImport, SkinnedModelGivesSkeletalMeshAndSkeleton)
{
	const fs::path File = CopyModel(Model("ufbx-maya_game_sausage_7500_binary.fbx"), Files);
	const std::vector<UObject*> Result = ToVector(Import(File, "/Game/Fbx/Sausage"));
	USkeletalMesh* Mesh = Find<USkeletalMesh>(Result, "ufbx-maya_game_sausage_7500_binary");
	USkeleton* Skeleton = Find<USkeleton>(Result, "ufbx-maya_game_sausage_7500_binary_Skeleton");
	ASSERT_NE(Mesh, nullptr);
	ASSERT_NE(Skeleton, nullptr);
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

	// A second skinned import into the same folder uses the skeleton already there when it fits.
	const fs::path Copy = Files / "sausage2.fbx";
	fs::copy_file(File, Copy);
	const std::vector<UObject*> Again = ToVector(Import(Copy, "/Game/Fbx/Sausage"));
	USkeletalMesh* Second = Find<USkeletalMesh>(Again, "sausage2");
	ASSERT_NE(Second, nullptr);
	EXPECT_EQ(Second->GetSkeleton(), Skeleton);
	EXPECT_TRUE(NamesOf<USkeleton>(Again).empty());

	// The animated Blender model: skeletal too; its animation and physics asset are named in the
	// log as not made.
	const fs::path Animated = CopyModel(Model("assimp-animation_with_skeleton.fbx"), Files);
	const std::vector<UObject*> Blender = ToVector(Import(Animated, "/Game/Fbx/Animated"));
	EXPECT_NE(Find<USkeletalMesh>(Blender, "assimp-animation_with_skeleton"), nullptr);
	EXPECT_NE(Find<USkeleton>(Blender, "assimp-animation_with_skeleton_Skeleton"), nullptr);
	EXPECT_TRUE(Logged("1 animation(s) not imported"));
	EXPECT_TRUE(Logged("no physics asset is made"));
}

TEST_F(FFbxAssetImport, EmbeddedTexturesAreUnpackedBesideTheFbxThenImported)
{
	const fs::path File = CopyModel(Model("ufbx-blender_293_embedded_textures_7400_binary.fbx"), Files);
	const std::vector<UObject*> Result = ToVector(Import(File, "/Game/Fbx/Embedded"));
	const fs::path Fbm = Files / "ufbx-blender_293_embedded_textures_7400_binary.fbm";
	ASSERT_TRUE(fs::is_directory(Fbm));
	for (const char* Name : { "checkerboard_diffuse", "checkerboard_emissive", "checkerboard_roughness", "checkerboard_weight", "checkerboard_metallic" })
	{
		SCOPED_TRACE(Name);
		ASSERT_TRUE(fs::is_regular_file(Fbm / (std::string(Name) + ".png")));
		UTexture2D* Texture = Find<UTexture2D>(Result, Name);
		ASSERT_NE(Texture, nullptr);
		EXPECT_EQ(Texture->GetSizeX(), 128);
		EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FHeadlessAssets::SourceFilePath(*Texture)), fs::weakly_canonical(Fbm / (std::string(Name) + ".png")).string());
		EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Texture->GetOutermost()->GetName()), std::string("/Game/Fbx/Embedded/") + Name);
	}
	EXPECT_EQ(Listed(TEXT("/Game/Fbx/Embedded"), false).size(), 7u);

	// The material's name is cleaned for the slot as for the asset: "Material.001".
	UStaticMesh* Mesh = Find<UStaticMesh>(Result, "ufbx-blender_293_embedded_textures_7400_binary");
	ASSERT_NE(Mesh, nullptr);
	ASSERT_EQ(SlotNames(Mesh), (std::vector<std::string>{ "Material_001" }));
	EXPECT_EQ(Mesh->GetStaticMaterials()[0].MaterialInterface.Get(), Find<UMaterial>(Result, "Material_001"));
}

TEST_F(FFbxAssetImport, UnreadableFilesImportNothingAndSayWhy)
{
	for (const char* Name : { "assimp-transparentTest.fbx", "ufbx-maya_cube_6100_binary.fbx" })
	{
		SCOPED_TRACE(Name);
		const fs::path File = CopyModel(Model(Name), Files);
		const FAssimpInfo Info = RunAssimpInfo(File);
		ASSERT_FALSE(Info.Error.empty());
		EXPECT_TRUE(Import(File, "/Game/Fbx/Broken").IsEmpty());
		EXPECT_TRUE(Logged(Info.Error)) << Info.Error;
	}
	EXPECT_TRUE(Listed(TEXT("/Game/Fbx/Broken"), true).empty());
}

TEST_F(FFbxAssetImport, ExistingAssetsAreLeftAloneUnlessReplacingAndMaterialsAreReused)
{
	const fs::path File = CopyModel(Model("assimp-spider.fbx"), Files);
	const std::vector<UObject*> First = ToVector(Import(File, "/Game/Fbx/Again"));
	ASSERT_EQ(First.size(), 27u);
	UStaticMesh* Head = Find<UStaticMesh>(First, "Kopf");
	ASSERT_NE(Head, nullptr);
	const int32 Triangles = Head->GetNumTriangles();
	Head->SetMaterial(0, nullptr); // a mark a second import would wipe out

	// Not replacing: every asset exists, so nothing is made, returned, or numbered.
	EXPECT_TRUE(Import(File, "/Game/Fbx/Again", false).IsEmpty());
	EXPECT_EQ(Head->GetStaticMaterials()[0].MaterialInterface.Get(), nullptr) << "left as it was";
	EXPECT_EQ(Listed(TEXT("/Game/Fbx/Again"), false).size(), 27u);
	EXPECT_TRUE(Logged("/Game/Fbx/Again/Kopf.Kopf is left as it is: it already exists and bReplaceExisting is false"));

	// Replacing: meshes and textures are made again in place; the materials already in the folder
	// are used as they are and not returned.
	const std::vector<UObject*> Replaced = ToVector(Import(File, "/Game/Fbx/Again", true));
	EXPECT_EQ(Replaced.size(), 23u);
	EXPECT_EQ(Find<UStaticMesh>(Replaced, "Kopf"), Head) << "replaced in place";
	EXPECT_TRUE(NamesOf<UMaterial>(Replaced).empty());
	EXPECT_EQ(Head->GetNumTriangles(), Triangles);
	const FStaticMaterial& Slot = Head->GetStaticMaterials()[0];
	ASSERT_NE(Slot.MaterialInterface.Get(), nullptr);
	EXPECT_EQ(Slot.MaterialInterface.Get(), Find<UMaterial>(First, UE::HeadlessEditor::ToUtf8(Slot.MaterialSlotName.ToString()))) << "the first import's material";
	EXPECT_EQ(Listed(TEXT("/Game/Fbx/Again"), false).size(), 27u);
}

TEST_F(FFbxAssetImport, AnAssetOfAnotherClassWithANodesNameFailsThatNodeAlone)
{
	// A texture called Cube3 is in the destination before the model with a node Cube3 comes.
	WriteFile(Files / "Cube3.png", ReadFile(TestDataDir() / "fbx/textures/checkerboard_normal.png"));
	const std::vector<UObject*> Texture = ToVector(Import(Files / "Cube3.png", "/Game/Fbx/Clash"));
	ASSERT_EQ(Texture.size(), 1u);

	const fs::path File = CopyModel(Model("assimp-cubes_with_names.fbx"), Files);
	for (bool bReplace : { false, true })
	{
		SCOPED_TRACE(bReplace ? "replacing" : "not replacing");
		const std::vector<UObject*> Result = ToVector(Import(File, "/Game/Fbx/Clash", bReplace));
		EXPECT_EQ(NamesOf<UStaticMesh>(Result), (std::vector<std::string>{ "Cube2", "Куб1" }));
		EXPECT_TRUE(Logged("no StaticMesh named Cube3 is made in /Game/Fbx/Clash: the Texture2D /Game/Fbx/Clash/Cube3.Cube3 already holds that name"));
		EXPECT_EQ(FindObject<UTexture2D>(nullptr, TEXT("/Game/Fbx/Clash/Cube3.Cube3")), Texture[0]) << "the texture stays";
	}

	// Within one import: textures come before the meshes that use them, so a single-mesh file
	// named like one of its textures keeps the texture and loses the mesh.
	fs::create_directories(Files / "clash");
	CopyModel(Model("ufbx-max_pbr_metal_rough_material_7700_ascii.fbx"), Files / "clash");
	const fs::path Named = Files / "clash" / "checkerboard_diffuse.fbx";
	fs::rename(Files / "clash" / "ufbx-max_pbr_metal_rough_material_7700_ascii.fbx", Named);
	const std::vector<UObject*> Result = ToVector(Import(Named, "/Game/Fbx/SameFile"));
	EXPECT_TRUE(NamesOf<UStaticMesh>(Result).empty());
	UTexture2D* Diffuse = Find<UTexture2D>(Result, "checkerboard_diffuse");
	ASSERT_NE(Diffuse, nullptr);
	EXPECT_EQ(Diffuse->GetSizeX(), 128);
	EXPECT_EQ(NamesOf<UTexture2D>(Result).size(), 6u);
	EXPECT_EQ(NamesOf<UMaterial>(Result), (std::vector<std::string>{ "01_-_Default" }));
	EXPECT_TRUE(Logged("no StaticMesh named checkerboard_diffuse is made"));
}

TEST_F(FFbxAssetImport, ImportedAssetsSaveAndLoadBackEqualAfterARestart)
{
	const fs::path File = CopyModel(Model("ufbx-maya_game_sausage_7500_binary.fbx"), Files);
	const std::vector<UObject*> Result = ToVector(Import(File, "/Game/Fbx/Saved"));
	ASSERT_EQ(Result.size(), 3u);
	for (UObject* Asset : Result) { ASSERT_TRUE(EditingTest::Save(Asset)) << UE::HeadlessEditor::ToUtf8(Asset->GetPathName()); }
	USkeletalMesh* Mesh = Find<USkeletalMesh>(Result, "ufbx-maya_game_sausage_7500_binary");
	ASSERT_NE(Mesh, nullptr);
	const FHeadlessMeshData MeshData = FHeadlessAssets::MeshData(*Mesh);
	const TArray<FHeadlessBone> Bones = FHeadlessAssets::Bones(*Mesh->GetSkeleton());

	Restart();
	FAssetRegistryModule::GetRegistry().ScanPathsSynchronous({ TEXT("/Game/Fbx/Saved") }, true);
	EXPECT_EQ(Listed(TEXT("/Game/Fbx/Saved"), false), (std::vector<std::string>{ "/Game/Fbx/Saved/lambert1.lambert1 Material",
		"/Game/Fbx/Saved/ufbx-maya_game_sausage_7500_binary.ufbx-maya_game_sausage_7500_binary SkeletalMesh",
		"/Game/Fbx/Saved/ufbx-maya_game_sausage_7500_binary_Skeleton.ufbx-maya_game_sausage_7500_binary_Skeleton Skeleton" }));
	USkeletalMesh* Loaded = LoadObject<USkeletalMesh>(nullptr, TEXT("/Game/Fbx/Saved/ufbx-maya_game_sausage_7500_binary.ufbx-maya_game_sausage_7500_binary"));
	ASSERT_NE(Loaded, nullptr);
	EXPECT_TRUE(FHeadlessAssets::MeshData(*Loaded) == MeshData);
	ASSERT_NE(Loaded->GetSkeleton(), nullptr);
	EXPECT_TRUE(FHeadlessAssets::Bones(*Loaded->GetSkeleton()) == Bones);
	ASSERT_EQ(Loaded->GetMaterials().Num(), 1);
	EXPECT_EQ(Loaded->GetMaterials()[0].MaterialSlotName, FName(TEXT("lambert1")));
	ASSERT_NE(Loaded->GetMaterials()[0].MaterialInterface.Get(), nullptr);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Loaded->GetMaterials()[0].MaterialInterface->GetPathName()), "/Game/Fbx/Saved/lambert1.lambert1");

	// After the restart the saved assets are on disk only; a second import still leaves them be.
	EXPECT_TRUE(Import(File, "/Game/Fbx/Saved").IsEmpty());
}
