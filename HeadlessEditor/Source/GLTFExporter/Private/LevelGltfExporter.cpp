// The level as binary glTF through Assimp's glTF 2.0 exporter; texture pixels are written as PNG
// by stb_image_write and embedded in the file.
#include "EngineUtils.h"
#include "LevelGltfExporter.h"

#include "Engine/World.h"
#include "Engine/StaticMesh.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/Texture.h"
#include "Components/StaticMeshComponent.h"
#include "Components/SkeletalMeshComponent.h"
#include "GameFramework/Actor.h"
#include "Materials/Material.h"
#include "Materials/MaterialExpressionTextureBase.h"
#include "HeadlessString.h"
#include "EngineHost.h"

#include <assimp/Exporter.hpp>
#include <assimp/GltfMaterial.h>
#include <assimp/material.h>
#include <assimp/scene.h>
#include <stb/stb_image_write.h>

#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

DEFINE_LOG_CATEGORY_STATIC(LogGLTFExport, Log, All);

namespace
{
	using namespace UE::HeadlessEditor;

	struct FMeshView
	{
		const FHeadlessMeshData* Data = nullptr;
		TArray<UMaterialInterface*> Slots;
	};

	bool GetMesh(const AActor* Actor, FMeshView& Out)
	{
		if (const auto* Static = Cast<UStaticMeshComponent>(Actor->GetRootComponent()))
		{
			const UStaticMesh* Mesh = Static->GetStaticMesh();
			if (!Mesh || FHeadlessAssets::MeshData(*Mesh).IsEmpty()) { return false; }
			Out.Data = &FHeadlessAssets::MeshData(*Mesh);
			for (const FStaticMaterial& Slot : Mesh->GetStaticMaterials()) { Out.Slots.Add(Slot.MaterialInterface.Get()); }
			return true;
		}
		if (const auto* Skinned = Cast<USkeletalMeshComponent>(Actor->GetRootComponent()))
		{
			const USkeletalMesh* Mesh = Skinned->GetSkeletalMeshAsset();
			if (!Mesh || FHeadlessAssets::MeshData(*Mesh).IsEmpty()) { return false; }
			Out.Data = &FHeadlessAssets::MeshData(*Mesh);
			for (const FSkeletalMaterial& Slot : Mesh->GetMaterials()) { Out.Slots.Add(Slot.MaterialInterface.Get()); }
			return true;
		}
		return false;
	}

	// Source pixels as 8-bit RGBA, or false for a format this writer does not convert.
	bool ToRgba8(const FTextureSource& Source, std::vector<uint8>& Out)
	{
		const int64 NumPixels = static_cast<int64>(Source.GetSizeX()) * Source.GetSizeY();
		const TArray<uint8>& In = FHeadlessAssets::SourceData(Source);
		if (NumPixels <= 0 || In.Num() != NumPixels * Source.GetBytesPerPixel()) { return false; }
		Out.resize(static_cast<size_t>(NumPixels) * 4);
		auto Le16High = [&In](int64 Offset) { return In[static_cast<int32>(Offset + 1)]; };
		for (int64 P = 0; P < NumPixels; ++P)
		{
			uint8* D = &Out[static_cast<size_t>(P) * 4];
			switch (Source.GetFormat())
			{
			case TSF_BGRA8: D[0] = In[P * 4 + 2]; D[1] = In[P * 4 + 1]; D[2] = In[P * 4]; D[3] = In[P * 4 + 3]; break;
			case TSF_G8: D[0] = D[1] = D[2] = In[P]; D[3] = 255; break;
			case TSF_G16: D[0] = D[1] = D[2] = Le16High(P * 2); D[3] = 255; break;
			case TSF_RGBA16: for (int C = 0; C < 4; ++C) { D[C] = Le16High(P * 8 + C * 2); } break;
			case TSF_RGBA32F:
				for (int C = 0; C < 4; ++C)
				{
					float V = 0;
					std::memcpy(&V, &In[static_cast<int32>(P * 16 + C * 4)], 4);
					D[C] = static_cast<uint8>(FMath::Clamp(V, 0.0f, 1.0f) * 255.0f + 0.5f);
				}
				break;
			default: return false;
			}
		}
		return true;
	}

	class FSceneBuilder
	{
	public:
		FSceneBuilder() : Scene(new aiScene()) {}

		// The texture's index in the scene ("*N"), written once per texture; -1 when it has no pixels
		// this writer can use.
		int32 AddTexture(const UTexture* Texture)
		{
			if (!Texture) { return -1; }
			auto Found = TextureIndex.find(Texture);
			if (Found != TextureIndex.end()) { return Found->second; }
			std::vector<uint8> Rgba;
			std::vector<uint8> Png;
			int32 Index = -1;
			if (ToRgba8(Texture->Source, Rgba))
			{
				const int W = Texture->Source.GetSizeX(), H = Texture->Source.GetSizeY();
				stbi_write_png_to_func([](void* Context, void* Data, int Size) {
					auto* Bytes = static_cast<std::vector<uint8>*>(Context);
					Bytes->insert(Bytes->end(), static_cast<uint8*>(Data), static_cast<uint8*>(Data) + Size);
				}, &Png, W, H, 4, Rgba.data(), W * 4);
			}
			if (!Png.empty())
			{
				auto* Tex = new aiTexture();
				Tex->mWidth = static_cast<unsigned int>(Png.size());
				Tex->mHeight = 0;   // compressed: mWidth bytes of a PNG file
				std::strcpy(Tex->achFormatHint, "png");
				Tex->pcData = reinterpret_cast<aiTexel*>(new uint8[Png.size()]);
				std::memcpy(Tex->pcData, Png.data(), Png.size());
				Tex->mFilename = aiString(ToUtf8(Texture->GetName()));
				Textures.push_back(Tex);
				Index = static_cast<int32>(Textures.size()) - 1;
			}
			else
			{
				UE_LOG(LogGLTFExport, Warning, TEXT("%s: its pixels (format %d) cannot be written as PNG; the material goes without it"),
					*Texture->GetPathName(), static_cast<int32>(Texture->Source.GetFormat()));
			}
			TextureIndex[Texture] = Index;
			return Index;
		}

		unsigned int AddMaterial(UMaterialInterface* Interface)
		{
			UMaterial* Material = Interface ? Interface->GetMaterial() : nullptr;
			auto Found = MaterialIndex.find(Material);
			if (Found != MaterialIndex.end()) { return Found->second; }
			auto* Out = new aiMaterial();
			const aiString Name(Material ? ToUtf8(Material->GetName()) : std::string("Default"));
			Out->AddProperty(&Name, AI_MATKEY_NAME);
			const aiColor4D White(1, 1, 1, 1);
			Out->AddProperty(&White, 1, AI_MATKEY_BASE_COLOR);
			Out->AddProperty(&White, 1, AI_MATKEY_COLOR_DIFFUSE);
			auto TextureOf = [Material](EMaterialProperty Property) -> const UTexture* {
				const FExpressionInput* Input = Material ? Material->GetExpressionInputForProperty(Property) : nullptr;
				const auto* Sample = Input ? Cast<UMaterialExpressionTextureBase>(Input->Expression) : nullptr;
				return Sample ? Sample->Texture.Get() : nullptr;
			};
			auto SetTexture = [this, Out](const UTexture* Texture, std::initializer_list<aiTextureType> Types) {
				const int32 Index = AddTexture(Texture);
				if (Index < 0) { return; }
				const aiString Path("*" + std::to_string(Index));
				for (aiTextureType Type : Types) { Out->AddProperty(&Path, AI_MATKEY_TEXTURE(Type, 0)); }
			};
			SetTexture(TextureOf(MP_BaseColor), { aiTextureType_BASE_COLOR, aiTextureType_DIFFUSE });
			SetTexture(TextureOf(MP_Normal), { aiTextureType_NORMALS });
			const UTexture* Packed = TextureOf(MP_Roughness) ? TextureOf(MP_Roughness) : TextureOf(MP_Metallic);
			if (Packed)
			{
				// glTF's packing: roughness in green, metalness in blue, as the plugin's maps are.
				SetTexture(Packed, { aiTextureType_UNKNOWN, aiTextureType_METALNESS, aiTextureType_DIFFUSE_ROUGHNESS });
				const float One = 1.0f;
				Out->AddProperty(&One, 1, AI_MATKEY_METALLIC_FACTOR);
				Out->AddProperty(&One, 1, AI_MATKEY_ROUGHNESS_FACTOR);
			}
			Materials.push_back(Out);
			const unsigned int Index = static_cast<unsigned int>(Materials.size() - 1);
			MaterialIndex[Material] = Index;
			return Index;
		}

		// One aiMesh per section, with only the vertices the section uses.
		std::vector<unsigned int> AddMesh(const FMeshView& View)
		{
			const FHeadlessMeshData& Data = *View.Data;
			TArray<FHeadlessMeshSection> Sections = Data.Sections;
			if (Sections.IsEmpty()) { Sections.Add({ 0, 0, Data.GetNumTriangles() }); }
			std::vector<unsigned int> Result;
			const bool bNormals = Data.Normals.Num() == Data.Positions.Num();
			const bool bUVs = Data.TexCoords.Num() > 0 && Data.TexCoords[0].Num() == Data.GetNumVertices() * 2;
			for (const FHeadlessMeshSection& Section : Sections)
			{
				if (Section.NumTriangles <= 0 || Section.FirstIndex < 0 || int64(Section.FirstIndex) + int64(Section.NumTriangles) * 3 > Data.Indices.Num()) { continue; }
				std::map<uint32, unsigned int> Remap;
				std::vector<uint32> Used;
				for (int32 I = 0; I < Section.NumTriangles * 3; ++I)
				{
					const uint32 V = Data.Indices[Section.FirstIndex + I];
					if (static_cast<int32>(V) >= Data.GetNumVertices()) { continue; }
					if (Remap.emplace(V, static_cast<unsigned int>(Used.size())).second) { Used.push_back(V); }
				}
				auto* Mesh = new aiMesh();
				Mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
				Mesh->mNumVertices = static_cast<unsigned int>(Used.size());
				Mesh->mVertices = new aiVector3D[Used.size()];
				if (bNormals) { Mesh->mNormals = new aiVector3D[Used.size()]; }
				if (bUVs) { Mesh->mTextureCoords[0] = new aiVector3D[Used.size()]; Mesh->mNumUVComponents[0] = 2; }
				for (size_t I = 0; I < Used.size(); ++I)
				{
					const int32 V = static_cast<int32>(Used[I]);
					Mesh->mVertices[I] = aiVector3D(Data.Positions[V * 3], Data.Positions[V * 3 + 1], Data.Positions[V * 3 + 2]);
					if (bNormals) { Mesh->mNormals[I] = aiVector3D(Data.Normals[V * 3], Data.Normals[V * 3 + 1], Data.Normals[V * 3 + 2]); }
					if (bUVs) { Mesh->mTextureCoords[0][I] = aiVector3D(Data.TexCoords[0][V * 2], Data.TexCoords[0][V * 2 + 1], 0); }
				}
				std::vector<std::array<unsigned int, 3>> Faces;
				for (int32 T = 0; T < Section.NumTriangles; ++T)
				{
					std::array<unsigned int, 3> Corner{};
					bool bValid = true;
					for (int32 C = 0; C < 3 && bValid; ++C)
					{
						auto It = Remap.find(Data.Indices[Section.FirstIndex + T * 3 + C]);
						bValid = It != Remap.end();
						if (bValid) { Corner[C] = It->second; }
					}
					if (bValid) { Faces.push_back(Corner); }
				}
				Mesh->mNumFaces = static_cast<unsigned int>(Faces.size());
				Mesh->mFaces = new aiFace[Faces.size()];
				for (size_t F = 0; F < Faces.size(); ++F)
				{
					Mesh->mFaces[F].mNumIndices = 3;
					Mesh->mFaces[F].mIndices = new unsigned int[3]{ Faces[F][0], Faces[F][1], Faces[F][2] };
				}
				UMaterialInterface* Slot = View.Slots.IsValidIndex(Section.MaterialIndex) ? View.Slots[Section.MaterialIndex] : nullptr;
				Mesh->mMaterialIndex = AddMaterial(Slot);
				Meshes.push_back(Mesh);
				Result.push_back(static_cast<unsigned int>(Meshes.size() - 1));
			}
			return Result;
		}

		void AddNode(const AActor* Actor, const std::vector<unsigned int>& MeshIndices)
		{
			auto* Node = new aiNode(ToUtf8(Actor->GetActorLabel()));
			const FTransform T = Actor->GetActorTransform();
			const FQuat Q = T.GetRotation();
			const FVector L = T.GetLocation(), S = T.GetScale3D();
			Node->mTransformation = aiMatrix4x4(aiVector3D(S.X, S.Y, S.Z), aiQuaternion(Q.W, Q.X, Q.Y, Q.Z), aiVector3D(L.X, L.Y, L.Z));
			Node->mNumMeshes = static_cast<unsigned int>(MeshIndices.size());
			Node->mMeshes = new unsigned int[MeshIndices.size()];
			std::copy(MeshIndices.begin(), MeshIndices.end(), Node->mMeshes);
			Nodes.push_back(Node);
		}

		// Hands every array to the scene, which frees them.
		std::unique_ptr<aiScene> Finish()
		{
			if (Materials.empty()) { AddMaterial(nullptr); }
			Scene->mRootNode = new aiNode("Level");
			Scene->mRootNode->mNumChildren = static_cast<unsigned int>(Nodes.size());
			Scene->mRootNode->mChildren = new aiNode*[Nodes.size()];
			for (size_t I = 0; I < Nodes.size(); ++I) { Nodes[I]->mParent = Scene->mRootNode; Scene->mRootNode->mChildren[I] = Nodes[I]; }
			auto Give = [](auto& Vec, auto**& Array, unsigned int& Count) {
				Count = static_cast<unsigned int>(Vec.size());
				Array = new std::remove_reference_t<decltype(*Vec.data())>[Vec.size()];
				std::copy(Vec.begin(), Vec.end(), Array);
				Vec.clear();
			};
			Give(Meshes, Scene->mMeshes, Scene->mNumMeshes);
			Give(Materials, Scene->mMaterials, Scene->mNumMaterials);
			Give(Textures, Scene->mTextures, Scene->mNumTextures);
			Nodes.clear();
			return std::move(Scene);
		}

		~FSceneBuilder()
		{
			for (aiMesh* M : Meshes) { delete M; }
			for (aiMaterial* M : Materials) { delete M; }
			for (aiTexture* T : Textures) { delete T; }
			for (aiNode* N : Nodes) { delete N; }
		}

	private:
		std::unique_ptr<aiScene> Scene;
		std::vector<aiMesh*> Meshes;
		std::vector<aiMaterial*> Materials;
		std::vector<aiTexture*> Textures;
		std::vector<aiNode*> Nodes;
		std::map<const UTexture*, int32> TextureIndex;
		std::map<const UMaterial*, unsigned int> MaterialIndex;
	};
}

namespace UE::HeadlessEditor
{
	bool ExportLevelToGlb(UWorld* World, const FString& Filename, FGltfExportStats& OutStats, FString& OutError)
	{
		OutStats = FGltfExportStats();
		if (!IsValid(World)) { OutError = TEXT("no world"); return false; }
		FSceneBuilder Builder;
		for (AActor* Actor : TActorRange<AActor>(World))
		{
			FMeshView View;
			if (!GetMesh(Actor, View)) { continue; }
			const std::vector<unsigned int> Meshes = Builder.AddMesh(View);
			if (Meshes.empty()) { continue; }
			Builder.AddNode(Actor, Meshes);
			++OutStats.NumNodes;
		}
		if (OutStats.NumNodes == 0) { OutError = TEXT("the level has no actor with a mesh"); return false; }
		std::unique_ptr<aiScene> Scene = Builder.Finish();
		OutStats.NumMeshes = static_cast<int32>(Scene->mNumMeshes);
		OutStats.NumMaterials = static_cast<int32>(Scene->mNumMaterials);
		OutStats.NumTextures = static_cast<int32>(Scene->mNumTextures);
		Assimp::Exporter Exporter;
		if (Exporter.Export(Scene.get(), "glb2", ToUtf8(Filename)) != aiReturn_SUCCESS)
		{
			const std::string Message = Exporter.GetErrorString();
			OutError = FromUtf8(Message.data(), Message.size());
			return false;
		}
		UE_LOG(LogGLTFExport, Log, TEXT("Wrote %s: %d node(s), %d mesh(es), %d material(s), %d texture(s)"), *Filename,
			OutStats.NumNodes, OutStats.NumMeshes, OutStats.NumMaterials, OutStats.NumTextures);
		return true;
	}
}
