#include "FbxSceneReader.h"

#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <unordered_map>

namespace fs = std::filesystem;

namespace UE::HeadlessEditor::Fbx
{
	namespace
	{
		// How far below the FBX's folder a texture is looked for by name, and how many entries such a
		// search may visit: a model unpacked next to thousands of files must not stall the import.
		constexpr int MaxTextureSearchDepth = 4;
		constexpr int MaxTextureSearchEntries = 20000;

		std::string ToLower(std::string S)
		{
			for (char& C : S)
			{
				if (C >= 'A' && C <= 'Z') { C = char(C - 'A' + 'a'); }
			}
			return S;
		}

		bool IsRegularFile(const fs::path& P)
		{
			std::error_code Ec;
			return fs::is_regular_file(P, Ec);
		}

		std::string Absolute(const fs::path& P)
		{
			std::error_code Ec;
			fs::path Abs = fs::weakly_canonical(fs::absolute(P, Ec), Ec);
			return (Ec ? P : Abs).string();
		}

		// Finds texture files by name under the FBX's folder; the folder is listed once, on the first
		// reference that needs it.
		class FTextureFinder
		{
		public:
			explicit FTextureFinder(std::string InFolder) : Folder(std::move(InFolder)) {}

			std::string Find(const std::string& RecordedPath)
			{
				std::string Slashed = RecordedPath;
				std::replace(Slashed.begin(), Slashed.end(), '\\', '/');
				const std::string Name = RecordedFileName(RecordedPath);
				if (Slashed.empty() || Name.empty())
				{
					return {};
				}
				const bool bDrivePath = Slashed.size() > 2 && Slashed[1] == ':' && Slashed[2] == '/';
				if (!bDrivePath)
				{
					const fs::path AsWritten = Slashed.front() == '/' ? fs::path(Slashed) : fs::path(Folder) / Slashed;
					if (IsRegularFile(AsWritten))
					{
						return Absolute(AsWritten);
					}
				}
				if (IsRegularFile(fs::path(Folder) / Name))
				{
					return Absolute(fs::path(Folder) / Name);
				}
				IndexSubFolders();
				auto Exact = ExactNames.find(Name);
				if (Exact != ExactNames.end())
				{
					return Exact->second;
				}
				// Files authored on Windows often name their textures in another letter case.
				auto Folded = FoldedNames.find(ToLower(Name));
				return Folded != FoldedNames.end() ? Folded->second : std::string();
			}

		private:
			void IndexSubFolders()
			{
				if (bIndexed)
				{
					return;
				}
				bIndexed = true;
				// Breadth first with sorted listings: the shallowest match wins, and the same tree
				// always gives the same answer.
				std::deque<std::pair<fs::path, int>> Pending{ { fs::path(Folder), 0 } };
				int Visited = 0;
				while (!Pending.empty() && Visited < MaxTextureSearchEntries)
				{
					auto [Dir, Depth] = Pending.front();
					Pending.pop_front();
					std::vector<fs::directory_entry> Entries;
					std::error_code Ec;
					for (fs::directory_iterator It(Dir, Ec), End; !Ec && It != End && Visited < MaxTextureSearchEntries; It.increment(Ec))
					{
						Entries.push_back(*It);
						++Visited;
					}
					std::sort(Entries.begin(), Entries.end(), [](const auto& A, const auto& B) { return A.path() < B.path(); });
					for (const fs::directory_entry& Entry : Entries)
					{
						std::error_code StatusEc;
						if (Entry.is_symlink(StatusEc))
						{
							continue;
						}
						if (Entry.is_directory(StatusEc))
						{
							if (Depth + 1 < MaxTextureSearchDepth)
							{
								Pending.emplace_back(Entry.path(), Depth + 1);
							}
						}
						else if (Entry.is_regular_file(StatusEc) && Depth > 0)
						{
							const std::string Name = Entry.path().filename().string();
							ExactNames.emplace(Name, Absolute(Entry.path()));
							FoldedNames.emplace(ToLower(Name), Absolute(Entry.path()));
						}
					}
				}
			}

			std::string Folder;
			bool bIndexed = false;
			std::unordered_map<std::string, std::string> ExactNames;
			std::unordered_map<std::string, std::string> FoldedNames;
		};

		void StoreMatrix(const aiMatrix4x4& M, float* Out)
		{
			const float* Rows[4] = { &M.a1, &M.b1, &M.c1, &M.d1 };
			for (int Row = 0; Row < 4; ++Row)
			{
				std::memcpy(Out + Row * 4, Rows[Row], sizeof(float) * 4);
			}
		}

		aiMatrix4x4 GlobalTransform(const aiNode* Node)
		{
			aiMatrix4x4 Result = Node->mTransformation;
			for (const aiNode* Parent = Node->mParent; Parent; Parent = Parent->mParent)
			{
				Result = Parent->mTransformation * Result;
			}
			return Result;
		}

		struct FMeshInstance
		{
			const aiMesh* Mesh;
			const aiNode* Node;
			aiMatrix4x4 Transform;
		};

		void CollectInstances(const aiScene* Scene, const aiNode* Node, const aiMatrix4x4& ParentTransform, std::vector<FMeshInstance>& Out)
		{
			const aiMatrix4x4 Transform = ParentTransform * Node->mTransformation;
			for (unsigned I = 0; I < Node->mNumMeshes; ++I)
			{
				if (Node->mMeshes[I] < Scene->mNumMeshes)
				{
					Out.push_back({ Scene->mMeshes[Node->mMeshes[I]], Node, Transform });
				}
			}
			for (unsigned I = 0; I < Node->mNumChildren; ++I)
			{
				CollectInstances(Scene, Node->mChildren[I], Transform, Out);
			}
		}

		bool HasRawProperties(const aiMaterial* Material)
		{
			for (unsigned I = 0; I < Material->mNumProperties; ++I)
			{
				if (std::strncmp(Material->mProperties[I]->mKey.C_Str(), "$raw.", 5) == 0)
				{
					return true;
				}
			}
			return false;
		}

		// Writes an uncompressed embedded texture (BGRA texels) as a 32-bit TGA.
		bool WriteTexelsAsTga(const aiTexture* Texture, const fs::path& Path)
		{
			std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
			if (!Out || Texture->mWidth > 0xFFFF || Texture->mHeight > 0xFFFF)
			{
				return false;
			}
			uint8_t Header[18] = {};
			Header[2] = 2; // uncompressed true-colour
			Header[12] = uint8_t(Texture->mWidth & 0xFF);
			Header[13] = uint8_t(Texture->mWidth >> 8);
			Header[14] = uint8_t(Texture->mHeight & 0xFF);
			Header[15] = uint8_t(Texture->mHeight >> 8);
			Header[16] = 32;
			Header[17] = 0x28; // 8 alpha bits, first row at the top
			Out.write(reinterpret_cast<const char*>(Header), sizeof(Header));
			for (size_t I = 0, N = size_t(Texture->mWidth) * Texture->mHeight; I < N; ++I)
			{
				const aiTexel& T = Texture->pcData[I];
				const uint8_t Bgra[4] = { T.b, T.g, T.r, T.a };
				Out.write(reinterpret_cast<const char*>(Bgra), 4);
			}
			return bool(Out);
		}

		// Writes every embedded texture into the .fbm folder; returns the file written for each
		// texture index (empty where writing failed).
		std::vector<std::string> WriteEmbeddedMedia(const aiScene* Scene, const fs::path& FbxPath, FSceneDescription& Out)
		{
			std::vector<std::string> Written(Scene->mNumTextures);
			const fs::path Fbm = FbxPath.parent_path() / (FbxPath.stem().string() + ".fbm");
			std::error_code Ec;
			fs::create_directories(Fbm, Ec);
			if (Ec || !fs::is_directory(Fbm, Ec))
			{
				Out.Warnings.push_back("cannot create the folder for embedded media " + Fbm.string() + ": embedded textures are not imported");
				return Written;
			}
			Out.FbmFolder = Absolute(Fbm);
			std::set<std::string> UsedNames;
			for (unsigned I = 0; I < Scene->mNumTextures; ++I)
			{
				const aiTexture* Texture = Scene->mTextures[I];
				const bool bCompressed = Texture->mHeight == 0;
				std::string Hint(Texture->achFormatHint, strnlen(Texture->achFormatHint, sizeof(Texture->achFormatHint)));
				std::string Name = RecordedFileName(Texture->mFilename.C_Str());
				if (Name.empty())
				{
					Name = "Texture" + std::to_string(I) + "." + (bCompressed && !Hint.empty() ? Hint : std::string("tga"));
				}
				else if (!bCompressed)
				{
					Name = fs::path(Name).stem().string() + ".tga";
				}
				// Two media with one file name: keep both.
				const std::string Stem = fs::path(Name).stem().string();
				const std::string Ext = fs::path(Name).extension().string();
				for (int Suffix = 1; UsedNames.count(ToLower(Name)); ++Suffix)
				{
					Name = Stem + "_" + std::to_string(Suffix) + Ext;
				}
				UsedNames.insert(ToLower(Name));

				const fs::path Target = Fbm / Name;
				bool bOk = false;
				if (bCompressed)
				{
					std::ofstream File(Target, std::ios::binary | std::ios::trunc);
					File.write(reinterpret_cast<const char*>(Texture->pcData), std::streamsize(Texture->mWidth));
					bOk = bool(File);
				}
				else
				{
					bOk = WriteTexelsAsTga(Texture, Target);
				}
				if (bOk)
				{
					Written[I] = Absolute(Target);
					Out.EmbeddedFilesWritten.push_back(Written[I]);
				}
				else
				{
					Out.Warnings.push_back("cannot write embedded texture " + Target.string());
				}
			}
			return Written;
		}

		void ReadMaterials(const aiScene* Scene, const std::vector<std::string>& EmbeddedFiles, FTextureFinder& Finder, FSceneDescription& Out)
		{
			for (unsigned M = 0; M < Scene->mNumMaterials; ++M)
			{
				const aiMaterial* Material = Scene->mMaterials[M];
				FMaterialDescription Desc;
				Desc.Name = Material->GetName().C_Str();
				Desc.bPlaceholder = Desc.Name == AI_DEFAULT_MATERIAL_NAME && !HasRawProperties(Material);
				std::set<std::string> Seen;
				for (unsigned P = 0; P < Material->mNumProperties; ++P)
				{
					const aiMaterialProperty* Prop = Material->mProperties[P];
					if (std::strcmp(Prop->mKey.C_Str(), _AI_MATKEY_TEXTURE_BASE) != 0)
					{
						continue;
					}
					aiString Path;
					const aiTextureType Type = aiTextureType(Prop->mSemantic);
					if (Material->GetTexture(Type, Prop->mIndex, &Path) != aiReturn_SUCCESS || Path.length == 0 || !Seen.insert(Path.C_Str()).second)
					{
						continue;
					}
					FTextureReference Ref;
					Ref.Usage = aiTextureTypeToString(Type);
					Ref.RecordedPath = Path.C_Str();
					const int Embedded = Scene->GetEmbeddedTextureAndIndex(Path.C_Str()).second;
					if (Embedded >= 0 && size_t(Embedded) < EmbeddedFiles.size())
					{
						Ref.bEmbedded = true;
						Ref.File = EmbeddedFiles[Embedded];
					}
					else
					{
						Ref.File = Finder.Find(Ref.RecordedPath);
					}
					if (Ref.File.empty())
					{
						Out.Warnings.push_back("material '" + Desc.Name + "': texture '" + Ref.RecordedPath + "' not found");
					}
					Desc.Textures.push_back(std::move(Ref));
				}
				Out.Materials.push_back(std::move(Desc));
			}
		}

		// The skeleton: the nodes of the bones the meshes name, under their closest common ancestor,
		// with every joint below it (end joints included) and none that carries a mesh.
		void ReadSkeleton(const aiScene* Scene, const std::vector<FMeshInstance>& Instances, FSceneDescription& Out,
			std::unordered_map<const aiNode*, int32_t>& OutBoneOfNode)
		{
			std::vector<const aiNode*> BoneNodes;
			std::map<std::string, aiMatrix4x4> InverseBind;
			for (const FMeshInstance& Instance : Instances)
			{
				aiMatrix4x4 MeshToModelInverse = Instance.Transform;
				MeshToModelInverse.Inverse();
				for (unsigned B = 0; B < Instance.Mesh->mNumBones; ++B)
				{
					const aiBone* Bone = Instance.Mesh->mBones[B];
					const aiNode* Node = Scene->mRootNode->FindNode(Bone->mName);
					if (Node && std::find(BoneNodes.begin(), BoneNodes.end(), Node) == BoneNodes.end())
					{
						BoneNodes.push_back(Node);
					}
					// The offset matrix maps mesh space to bone space; vertices are stored in model space.
					InverseBind.emplace(Bone->mName.C_Str(), Bone->mOffsetMatrix * MeshToModelInverse);
				}
			}
			if (BoneNodes.empty())
			{
				return;
			}
			auto AncestorsOf = [](const aiNode* Node) {
				std::vector<const aiNode*> Chain;
				for (; Node; Node = Node->mParent) { Chain.insert(Chain.begin(), Node); }
				return Chain;
			};
			std::vector<const aiNode*> Common = AncestorsOf(BoneNodes.front());
			for (const aiNode* Node : BoneNodes)
			{
				const std::vector<const aiNode*> Chain = AncestorsOf(Node);
				size_t Shared = 0;
				while (Shared < Common.size() && Shared < Chain.size() && Common[Shared] == Chain[Shared]) { ++Shared; }
				Common.resize(Shared);
			}
			const aiNode* Root = Common.empty() ? Scene->mRootNode : Common.back();

			std::deque<std::pair<const aiNode*, int32_t>> Pending{ { Root, -1 } };
			while (!Pending.empty())
			{
				auto [Node, Parent] = Pending.front();
				Pending.pop_front();
				if (Node->mNumMeshes > 0 && Node != Root)
				{
					continue;
				}
				FBone Bone;
				Bone.Name = Node->mName.C_Str();
				Bone.ParentIndex = Parent;
				StoreMatrix(Node->mTransformation, Bone.LocalTransform);
				auto Bind = InverseBind.find(Bone.Name);
				aiMatrix4x4 InverseGlobal = GlobalTransform(Node);
				InverseGlobal.Inverse();
				StoreMatrix(Bind != InverseBind.end() ? Bind->second : InverseGlobal, Bone.InverseBindPose);
				const int32_t Index = int32_t(Out.Bones.size());
				OutBoneOfNode[Node] = Index;
				Out.Bones.push_back(std::move(Bone));
				for (unsigned C = 0; C < Node->mNumChildren; ++C)
				{
					Pending.emplace_back(Node->mChildren[C], Index);
				}
			}
		}

		void AddInfluence(FMeshBuffers& Mesh, uint32_t Vertex, uint16_t Bone, float Weight)
		{
			uint16_t* Bones = &Mesh.InfluenceBones[size_t(Vertex) * MaxBoneInfluences];
			float* Weights = &Mesh.InfluenceWeights[size_t(Vertex) * MaxBoneInfluences];
			int Slot = 0;
			for (int I = 1; I < MaxBoneInfluences; ++I)
			{
				if (Weights[I] < Weights[Slot]) { Slot = I; }
			}
			if (Weight > Weights[Slot])
			{
				Bones[Slot] = Bone;
				Weights[Slot] = Weight;
			}
		}

		void BuildMesh(const aiScene* Scene, const std::vector<FMeshInstance>& Instances,
			const std::unordered_map<const aiNode*, int32_t>& BoneOfNode, FSceneDescription& Out)
		{
			FMeshBuffers& Mesh = Out.Mesh;
			size_t NumVertices = 0;
			unsigned NumUVChannels = 0;
			for (const FMeshInstance& Instance : Instances)
			{
				NumVertices += Instance.Mesh->mNumVertices;
				NumUVChannels = std::max(NumUVChannels, Instance.Mesh->GetNumUVChannels());
			}
			Mesh.Positions.reserve(NumVertices * 3);
			Mesh.Normals.reserve(NumVertices * 3);
			Mesh.UVs.assign(NumUVChannels, {});
			for (auto& Channel : Mesh.UVs) { Channel.reserve(NumVertices * 2); }
			if (Out.bSkinned)
			{
				Mesh.InfluenceBones.assign(NumVertices * MaxBoneInfluences, 0);
				Mesh.InfluenceWeights.assign(NumVertices * MaxBoneInfluences, 0.0f);
			}
			std::unordered_map<std::string, int32_t> BoneByName;
			for (size_t B = 0; B < Out.Bones.size(); ++B) { BoneByName.emplace(Out.Bones[B].Name, int32_t(B)); }

			std::vector<std::vector<uint32_t>> IndicesByMaterial(std::max(1u, Scene->mNumMaterials));
			for (const FMeshInstance& Instance : Instances)
			{
				const aiMesh* Source = Instance.Mesh;
				const uint32_t Base = Mesh.NumVertices();
				aiMatrix3x3 NormalMatrix(Instance.Transform);
				NormalMatrix.Inverse().Transpose();
				for (unsigned V = 0; V < Source->mNumVertices; ++V)
				{
					const aiVector3D P = Instance.Transform * Source->mVertices[V];
					Mesh.Positions.insert(Mesh.Positions.end(), { P.x, P.y, P.z });
					aiVector3D N = Source->mNormals ? NormalMatrix * Source->mNormals[V] : aiVector3D(0, 0, 1);
					N.NormalizeSafe();
					Mesh.Normals.insert(Mesh.Normals.end(), { N.x, N.y, N.z });
					for (unsigned C = 0; C < NumUVChannels; ++C)
					{
						const aiVector3D UV = Source->HasTextureCoords(C) ? Source->mTextureCoords[C][V] : aiVector3D();
						Mesh.UVs[C].insert(Mesh.UVs[C].end(), { UV.x, UV.y });
					}
				}
				if (Out.bSkinned)
				{
					if (Source->mNumBones == 0)
					{
						// Rigid geometry in a skinned file follows the nearest joint above it.
						int32_t Bone = 0;
						for (const aiNode* Node = Instance.Node; Node; Node = Node->mParent)
						{
							auto Found = BoneOfNode.find(Node);
							if (Found != BoneOfNode.end()) { Bone = Found->second; break; }
						}
						for (unsigned V = 0; V < Source->mNumVertices; ++V) { AddInfluence(Mesh, Base + V, uint16_t(Bone), 1.0f); }
					}
					for (unsigned B = 0; B < Source->mNumBones; ++B)
					{
						const aiBone* Bone = Source->mBones[B];
						auto Found = BoneByName.find(Bone->mName.C_Str());
						if (Found == BoneByName.end()) { continue; }
						for (unsigned W = 0; W < Bone->mNumWeights; ++W)
						{
							const aiVertexWeight& Weight = Bone->mWeights[W];
							if (Weight.mVertexId < Source->mNumVertices && Weight.mWeight > 0.0f)
							{
								AddInfluence(Mesh, Base + Weight.mVertexId, uint16_t(Found->second), Weight.mWeight);
							}
						}
					}
				}
				std::vector<uint32_t>& Target = IndicesByMaterial[Source->mMaterialIndex < IndicesByMaterial.size() ? Source->mMaterialIndex : 0];
				for (unsigned F = 0; F < Source->mNumFaces; ++F)
				{
					const aiFace& Face = Source->mFaces[F];
					if (Face.mNumIndices != 3) { continue; }
					Target.insert(Target.end(), { Base + Face.mIndices[0], Base + Face.mIndices[1], Base + Face.mIndices[2] });
				}
			}
			// Files do not always store weights that add up to one; the engine normalises them.
			for (size_t V = 0; V < Mesh.InfluenceWeights.size(); V += MaxBoneInfluences)
			{
				float Sum = 0;
				for (int I = 0; I < MaxBoneInfluences; ++I) { Sum += Mesh.InfluenceWeights[V + I]; }
				for (int I = 0; Sum > 0 && I < MaxBoneInfluences; ++I) { Mesh.InfluenceWeights[V + I] /= Sum; }
			}
			for (uint32_t M = 0; M < IndicesByMaterial.size(); ++M)
			{
				if (IndicesByMaterial[M].empty()) { continue; }
				Mesh.Sections.push_back({ M, uint32_t(Mesh.Indices.size()), uint32_t(IndicesByMaterial[M].size() / 3) });
				Mesh.Indices.insert(Mesh.Indices.end(), IndicesByMaterial[M].begin(), IndicesByMaterial[M].end());
			}
		}
	}

	std::string RecordedFileName(const std::string& RecordedPath)
	{
		const size_t Slash = RecordedPath.find_last_of("/\\");
		std::string Name = Slash == std::string::npos ? RecordedPath : RecordedPath.substr(Slash + 1);
		if (Name.size() > 2 && Name[1] == ':' && std::isalpha(static_cast<unsigned char>(Name[0])))
		{
			Name = Name.substr(2); // "C:file.png"
		}
		return Name == "." || Name == ".." ? std::string() : Name;
	}

	std::string ResolveTextureFile(const std::string& FbxFolder, const std::string& RecordedPath)
	{
		FTextureFinder Finder(FbxFolder);
		return Finder.Find(RecordedPath);
	}

	bool ReadFbxScene(const std::string& FbxFile, FSceneDescription& Out, std::string& OutError, bool bWriteEmbeddedMedia)
	{
		Out = FSceneDescription();
		if (!IsRegularFile(FbxFile))
		{
			OutError = "no such file";
			return false;
		}
		Assimp::Importer Importer;
		// Pivot helper nodes would otherwise stand between the joints of a skeleton.
		Importer.SetPropertyBool(AI_CONFIG_IMPORT_FBX_PRESERVE_PIVOTS, false);
		Importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
		Importer.SetPropertyInteger(AI_CONFIG_PP_LBW_MAX_WEIGHTS, MaxBoneInfluences);
		const aiScene* Scene = Importer.ReadFile(FbxFile,
			aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_GenSmoothNormals | aiProcess_JoinIdenticalVertices |
			aiProcess_LimitBoneWeights | aiProcess_ValidateDataStructure);
		if (!Scene)
		{
			OutError = Importer.GetErrorString();
			if (OutError.empty()) { OutError = "unknown Assimp error"; }
			return false;
		}
		if (!Scene->mRootNode || Scene->mNumMeshes == 0)
		{
			OutError = "the file holds no mesh";
			return false;
		}

		std::vector<FMeshInstance> Instances;
		CollectInstances(Scene, Scene->mRootNode, aiMatrix4x4(), Instances);
		for (unsigned M = 0; M < Scene->mNumMeshes; ++M)
		{
			Out.MeshNames.push_back(Scene->mMeshes[M]->mName.C_Str());
			Out.bSkinned = Out.bSkinned || Scene->mMeshes[M]->HasBones();
		}
		Out.NumAnimations = Scene->mNumAnimations;
		Out.NumEmbeddedTextures = Scene->mNumTextures;

		const fs::path FbxPath = fs::path(FbxFile);
		std::vector<std::string> EmbeddedFiles(Scene->mNumTextures);
		if (bWriteEmbeddedMedia && Scene->mNumTextures > 0)
		{
			EmbeddedFiles = WriteEmbeddedMedia(Scene, FbxPath, Out);
		}
		FTextureFinder Finder(FbxPath.parent_path().empty() ? std::string(".") : FbxPath.parent_path().string());
		ReadMaterials(Scene, EmbeddedFiles, Finder, Out);

		std::unordered_map<const aiNode*, int32_t> BoneOfNode;
		if (Out.bSkinned)
		{
			ReadSkeleton(Scene, Instances, Out, BoneOfNode);
		}
		BuildMesh(Scene, Instances, BoneOfNode, Out);
		if (Out.Mesh.Indices.empty())
		{
			OutError = "the file holds no triangles";
			return false;
		}
		return true;
	}
}
