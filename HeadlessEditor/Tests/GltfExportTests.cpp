// The level written as binary glTF and read back with Assimp: one node per placed mesh, a mesh per
// section, the PBR material with its three textures embedded as PNG images.
#include "EditingTestSupport.h"

#include "Editor.h"
#include "Engine/World.h"
#include "Engine/StaticMesh.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMeshActor.h"
#include "Animation/SkeletalMeshActor.h"
#include "Components/StaticMeshComponent.h"
#include "Components/SkeletalMeshComponent.h"

#include "EditorHost.h"
#include "LevelGltfExporter.h"
#include "HeadlessString.h"
#include "EngineHost.h"

#include <assimp/GltfMaterial.h>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <nlohmann/json.hpp>

using namespace AssetTest;
using namespace EditingTest;

namespace
{
	// Two triangles: a unit quad in one section.
	FHeadlessMeshData MakeQuad()
	{
		FHeadlessMeshData Data;
		Data.Positions = { 0, 0, 0, 100, 0, 0, 100, 100, 0, 0, 100, 0 };
		Data.Normals = { 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1 };
		Data.TexCoords.Add({ 0, 0, 1, 0, 1, 1, 0, 1 });
		Data.Indices = { 0, 1, 2, 0, 2, 3 };
		Data.Sections.Add({ 0, 0, 2 });
		return Data;
	}

	uint32 BigEndian32(const uint8* P) { return (uint32(P[0]) << 24) | (uint32(P[1]) << 16) | (uint32(P[2]) << 8) | P[3]; }

	int32 TextureIndexOf(const aiMaterial* Material, aiTextureType Type)
	{
		aiString Path;
		if (Material->GetTexture(Type, 0, &Path) != aiReturn_SUCCESS || Path.length < 2 || Path.data[0] != '*') { return -1; }
		return std::atoi(Path.data + 1);
	}

	class GltfExportTest : public FProjectTest {};
}

TEST_F(GltfExportTest, TheLevelIsExportedAsGlbAndReadsBackWithItsMaterialAndTextures)
{
	UWorld* World = UE::HeadlessEditor::ResetEditorWorld();
	UStaticMesh* Mesh = MakeAsset<UStaticMesh>(TEXT("/Game/Export/SM_Quad"));
	FHeadlessAssets::MeshData(*Mesh) = MakeQuad();
	UMaterial* Material = BuildPbr(TEXT("/Game/Export"));
	ASSERT_NE(Material, nullptr);
	// The packed map of another size than the base colour's, to tell their images apart.
	FindObject<UTexture2D>(nullptr, TEXT("/Game/Export/Textures/T_MR.T_MR"))->Source.Init(3, 1, 1, 1, TSF_G8, nullptr);
	Mesh->SetStaticMaterials({ FStaticMaterial(Material, FName(TEXT("Body"))) });

	auto* Chair = CastChecked<AStaticMeshActor>(World->SpawnActor(AStaticMeshActor::StaticClass(), &FTransform::Identity));
	Chair->GetStaticMeshComponent()->SetStaticMesh(Mesh);
	Chair->SetActorLabel(TEXT("Chair"));
	USkeletalMesh* Skinned = MakeAsset<USkeletalMesh>(TEXT("/Game/Export/SK_Quad"));
	FHeadlessAssets::MeshData(*Skinned) = MakeQuad();
	const FTransform Moved(FRotator(0, 90, 0), FVector(300, 0, 0));
	auto* Hero = CastChecked<ASkeletalMeshActor>(World->SpawnActor(ASkeletalMeshActor::StaticClass(), &Moved));
	Hero->GetSkeletalMeshComponent()->SetSkeletalMesh(Skinned, true);
	Hero->SetActorLabel(TEXT("Hero"));
	World->SpawnActor(AStaticMeshActor::StaticClass(), &FTransform::Identity);   // no mesh: not written

	const std::string File = (Files / "level.glb").string();
	UE::HeadlessEditor::FGltfExportStats Stats;
	FString Error;
	ASSERT_TRUE(UE::HeadlessEditor::ExportLevelToGlb(World, Str(File), Stats, Error)) << UE::HeadlessEditor::ToUtf8(Error);
	EXPECT_EQ(Stats.NumNodes, 2);
	EXPECT_EQ(Stats.NumMeshes, 2);
	EXPECT_EQ(Stats.NumMaterials, 2);   // the quad's material and a default one
	EXPECT_EQ(Stats.NumTextures, 3);
	const std::vector<uint8> Bytes = ReadBytes(File);
	ASSERT_GE(Bytes.size(), 12u);
	EXPECT_EQ(std::string(Bytes.begin(), Bytes.begin() + 4), "glTF");
	// The JSON chunk names the maps where glTF viewers look for them.
	const uint32 JsonSize = uint32(Bytes[12]) | (uint32(Bytes[13]) << 8) | (uint32(Bytes[14]) << 16) | (uint32(Bytes[15]) << 24);
	ASSERT_LE(20u + JsonSize, Bytes.size());
	const nlohmann::json Json = nlohmann::json::parse(Bytes.begin() + 20, Bytes.begin() + 20 + JsonSize);
	const nlohmann::json* QuadJson = nullptr;
	for (const nlohmann::json& M : Json["materials"]) { if (M.value("name", "") == "M_Pbr") { QuadJson = &M; } }
	ASSERT_NE(QuadJson, nullptr);
	EXPECT_TRUE((*QuadJson)["pbrMetallicRoughness"].contains("baseColorTexture")) << QuadJson->dump();
	EXPECT_TRUE((*QuadJson)["pbrMetallicRoughness"].contains("metallicRoughnessTexture")) << QuadJson->dump();
	EXPECT_TRUE(QuadJson->contains("normalTexture")) << QuadJson->dump();
	EXPECT_EQ(Json["images"].size(), 3u);

	Assimp::Importer Importer;
	const aiScene* Scene = Importer.ReadFile(File, 0);
	ASSERT_NE(Scene, nullptr) << Importer.GetErrorString();
	ASSERT_NE(Scene->mRootNode, nullptr);
	const aiNode* ChairNode = Scene->mRootNode->FindNode("Chair");
	const aiNode* HeroNode = Scene->mRootNode->FindNode("Hero");
	ASSERT_NE(ChairNode, nullptr);
	ASSERT_NE(HeroNode, nullptr);
	EXPECT_TRUE(ChairNode->mTransformation.IsIdentity());
	EXPECT_NEAR(HeroNode->mTransformation.a4, 300.0f, 1e-3f);

	ASSERT_EQ(Scene->mNumMeshes, 2u);
	for (unsigned int M = 0; M < Scene->mNumMeshes; ++M)
	{
		EXPECT_EQ(Scene->mMeshes[M]->mNumVertices, 4u);
		EXPECT_EQ(Scene->mMeshes[M]->mNumFaces, 2u);
		EXPECT_TRUE(Scene->mMeshes[M]->HasTextureCoords(0));
		EXPECT_TRUE(Scene->mMeshes[M]->HasNormals());
	}
	ASSERT_EQ(ChairNode->mNumMeshes, 1u);
	const aiMesh* Quad = Scene->mMeshes[ChairNode->mMeshes[0]];
	EXPECT_NEAR(Quad->mVertices[2].x, 100.0f, 1e-4f);
	EXPECT_NEAR(Quad->mVertices[2].y, 100.0f, 1e-4f);
	const aiMaterial* QuadMaterial = Scene->mMaterials[Quad->mMaterialIndex];
	EXPECT_STREQ(QuadMaterial->GetName().C_Str(), "M_Pbr");

	ASSERT_EQ(Scene->mNumTextures, 3u);
	const int32 BaseIndex = TextureIndexOf(QuadMaterial, aiTextureType_DIFFUSE) >= 0 ? TextureIndexOf(QuadMaterial, aiTextureType_DIFFUSE) : TextureIndexOf(QuadMaterial, aiTextureType_BASE_COLOR);
	const int32 NormalIndex = TextureIndexOf(QuadMaterial, aiTextureType_NORMALS);
	int32 PackedIndex = TextureIndexOf(QuadMaterial, aiTextureType_UNKNOWN);
	if (PackedIndex < 0) { PackedIndex = TextureIndexOf(QuadMaterial, aiTextureType_METALNESS); }
	ASSERT_GE(BaseIndex, 0);
	ASSERT_GE(NormalIndex, 0);
	ASSERT_GE(PackedIndex, 0);
	EXPECT_NE(BaseIndex, NormalIndex);
	EXPECT_NE(NormalIndex, PackedIndex);
	// Embedded PNG files of the textures' sizes.
	auto PngSize = [Scene](int32 Index) {
		const aiTexture* Tex = Scene->mTextures[Index];
		const uint8* Data = reinterpret_cast<const uint8*>(Tex->pcData);
		EXPECT_EQ(Tex->mHeight, 0u);
		EXPECT_GE(Tex->mWidth, 24u);
		EXPECT_EQ(std::string(reinterpret_cast<const char*>(Data) + 1, 3), "PNG");
		return std::make_pair(BigEndian32(Data + 16), BigEndian32(Data + 20));
	};
	EXPECT_EQ(PngSize(BaseIndex), std::make_pair(2u, 2u));
	EXPECT_EQ(PngSize(PackedIndex), std::make_pair(3u, 1u));

	// A level without mesh actors writes nothing.
	UWorld* Empty = UE::HeadlessEditor::ResetEditorWorld();
	EXPECT_FALSE(UE::HeadlessEditor::ExportLevelToGlb(Empty, Str((Files / "empty.glb").string()), Stats, Error));
	EXPECT_FALSE(fs::exists(Files / "empty.glb"));
}
