#include "FbxSceneReader.h"

#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

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

		// A scene node that carries geometry: the unit Interchange makes a mesh of.
		struct FNodeInstance
		{
			const aiNode* Node = nullptr;
			aiMatrix4x4 Transform;               // node to model space
			std::vector<const aiMesh*> Meshes;   // Assimp's pieces of the node's geometry (one per material it uses), in node order
			std::string Label;                   // the node's name, cleaned
			size_t Order = 0;                    // depth-first position among the instances
			bool bSkinned = false;
		};

		void CollectInstances(const aiScene* Scene, const aiNode* Node, const aiMatrix4x4& ParentTransform, std::vector<FNodeInstance>& Out)
		{
			const aiMatrix4x4 Transform = ParentTransform * Node->mTransformation;
			FNodeInstance Instance;
			Instance.Node = Node;
			Instance.Transform = Transform;
			for (unsigned I = 0; I < Node->mNumMeshes; ++I)
			{
				if (Node->mMeshes[I] < Scene->mNumMeshes && Scene->mMeshes[Node->mMeshes[I]]->mNumFaces > 0)
				{
					const aiMesh* Mesh = Scene->mMeshes[Node->mMeshes[I]];
					Instance.Meshes.push_back(Mesh);
					Instance.bSkinned = Instance.bSkinned || Mesh->HasBones();
				}
			}
			if (!Instance.Meshes.empty())
			{
				Instance.Label = CleanObjectName(Node->mName.C_Str());
				Instance.Order = Out.size();
				Out.push_back(std::move(Instance));
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
				Desc.Label = CleanObjectName(Desc.Name);
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
		std::vector<const aiNode*> BoneNodesOf(const aiScene* Scene, const FNodeInstance& Instance)
		{
			std::vector<const aiNode*> Nodes;
			for (const aiMesh* Mesh : Instance.Meshes)
			{
				for (unsigned B = 0; B < Mesh->mNumBones; ++B)
				{
					const aiNode* Node = Scene->mRootNode->FindNode(Mesh->mBones[B]->mName);
					if (Node && std::find(Nodes.begin(), Nodes.end(), Node) == Nodes.end())
					{
						Nodes.push_back(Node);
					}
				}
			}
			return Nodes;
		}

		// The closest node that is an ancestor of (or is) every one of Nodes.
		const aiNode* CommonAncestor(const aiScene* Scene, const std::vector<const aiNode*>& Nodes)
		{
			if (Nodes.empty())
			{
				return Scene->mRootNode;
			}
			auto AncestorsOf = [](const aiNode* Node) {
				std::vector<const aiNode*> Chain;
				for (; Node; Node = Node->mParent) { Chain.insert(Chain.begin(), Node); }
				return Chain;
			};
			std::vector<const aiNode*> Common = AncestorsOf(Nodes.front());
			for (const aiNode* Node : Nodes)
			{
				const std::vector<const aiNode*> Chain = AncestorsOf(Node);
				size_t Shared = 0;
				while (Shared < Common.size() && Shared < Chain.size() && Common[Shared] == Chain[Shared]) { ++Shared; }
				Common.resize(Shared);
			}
			return Common.empty() ? Scene->mRootNode : Common.back();
		}

		// A skeleton and the nodes bound to it: what becomes one skeletal mesh.
		struct FSkeletonGroup
		{
			const aiNode* Root = nullptr;
			std::vector<const FNodeInstance*> Instances;   // skinned ones, then rigid ones nested in the skeleton
			std::vector<FBone> Bones;
			std::unordered_map<const aiNode*, int32_t> BoneOfNode;
		};

		// Interchange combines every skinned mesh bound to one skeleton root into one skeletal mesh
		// (InterchangeGenericSkeletalMeshPipeline.cpp:124-201; roots: InterchangePipelineMeshesUtilities.cpp:477-506).
		// Assimp does not say which nodes are joints, so the joints are taken to be the bones the
		// meshes name and the nodes between them and their closest common ancestor; a mesh's root
		// is the topmost joint above that ancestor.
		std::vector<FSkeletonGroup> GroupSkinnedInstances(const aiScene* Scene, const std::vector<FNodeInstance>& Instances)
		{
			std::unordered_set<const aiNode*> Joints;
			std::vector<std::pair<const FNodeInstance*, const aiNode*>> AncestorOfInstance;
			for (const FNodeInstance& Instance : Instances)
			{
				if (!Instance.bSkinned)
				{
					continue;
				}
				const std::vector<const aiNode*> Bones = BoneNodesOf(Scene, Instance);
				if (Bones.empty())
				{
					continue; // weights to nodes the file does not have: imported as static geometry
				}
				// The scene's root is never a joint: bones under several top-level nodes belong to
				// the skeleton of the first bone's top-level node.
				const aiNode* Ancestor = CommonAncestor(Scene, Bones);
				if (Ancestor == Scene->mRootNode)
				{
					Ancestor = Bones.front();
					while (Ancestor->mParent && Ancestor->mParent != Scene->mRootNode) { Ancestor = Ancestor->mParent; }
				}
				Joints.insert(Ancestor);
				for (const aiNode* Bone : Bones)
				{
					for (const aiNode* Node = Bone; Node && Node != Ancestor && Node != Scene->mRootNode; Node = Node->mParent) { Joints.insert(Node); }
				}
				AncestorOfInstance.emplace_back(&Instance, Ancestor);
			}
			std::vector<FSkeletonGroup> Groups;
			for (const auto& [Instance, Ancestor] : AncestorOfInstance)
			{
				const aiNode* Root = Ancestor;
				while (Root->mParent && Root->mParent != Scene->mRootNode && Joints.count(Root->mParent)) { Root = Root->mParent; }
				auto Group = std::find_if(Groups.begin(), Groups.end(), [Root](const FSkeletonGroup& G) { return G.Root == Root; });
				if (Group == Groups.end())
				{
					Groups.push_back({ Root, {}, {}, {} });
					Group = Groups.end() - 1;
				}
				Group->Instances.push_back(Instance);
			}
			return Groups;
		}

		// The skeleton: the joint tree under the group's root, end joints included, without the
		// nodes that carry meshes.
		void ReadSkeleton(const aiScene* Scene, FSkeletonGroup& Group)
		{
			std::map<std::string, aiMatrix4x4> InverseBind;
			for (const FNodeInstance* Instance : Group.Instances)
			{
				aiMatrix4x4 MeshToModelInverse = Instance->Transform;
				MeshToModelInverse.Inverse();
				for (const aiMesh* Mesh : Instance->Meshes)
				{
					for (unsigned B = 0; B < Mesh->mNumBones; ++B)
					{
						// The offset matrix maps mesh space to bone space; vertices are stored in model space.
						InverseBind.emplace(Mesh->mBones[B]->mName.C_Str(), Mesh->mBones[B]->mOffsetMatrix * MeshToModelInverse);
					}
				}
			}
			std::deque<std::pair<const aiNode*, int32_t>> Pending{ { Group.Root, -1 } };
			while (!Pending.empty())
			{
				auto [Node, Parent] = Pending.front();
				Pending.pop_front();
				if (Node->mNumMeshes > 0 && Node != Group.Root)
				{
					continue;
				}
				FBone Bone;
				Bone.Name = CleanObjectName(Node->mName.C_Str(), true);
				Bone.ParentIndex = Parent;
				StoreMatrix(Node->mTransformation, Bone.LocalTransform);
				auto Bind = InverseBind.find(Node->mName.C_Str());
				aiMatrix4x4 InverseGlobal = GlobalTransform(Node);
				InverseGlobal.Inverse();
				StoreMatrix(Bind != InverseBind.end() ? Bind->second : InverseGlobal, Bone.InverseBindPose);
				const int32_t Index = int32_t(Group.Bones.size());
				Group.BoneOfNode[Node] = Index;
				Group.Bones.push_back(std::move(Bone));
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


		bool SameSlotName(const std::string& A, const std::string& B)
		{
			// Slot names are FNames: equal without regard to (ASCII) letter case.
			return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
				return std::tolower(static_cast<unsigned char>(X)) == std::tolower(static_cast<unsigned char>(Y));
			});
		}

		// Fills Out's slots and buffers from the nodes' geometry, in model space. Each node's pieces
		// get the slot names the FBX translator gives them (the material's label, "_Section<N>" for
		// a material the node uses again: FbxMesh.cpp:257-315, FbxMaterial.cpp:490-511); pieces of
		// several nodes with one slot name share it, as appending mesh descriptions merges polygon
		// groups by name (InterchangeSkeletalMeshFactory.cpp:643-653, sections kept apart only on request).
		void BuildMesh(const std::vector<const FNodeInstance*>& Instances, const std::vector<FMaterialDescription>& Materials,
			const FSkeletonGroup* Skeleton, FMeshDescription& Out)
		{
			FMeshBuffers& Mesh = Out.Mesh;
			size_t NumVertices = 0;
			unsigned NumUVChannels = 0;
			for (const FNodeInstance* Instance : Instances)
			{
				for (const aiMesh* Source : Instance->Meshes)
				{
					NumVertices += Source->mNumVertices;
					NumUVChannels = std::max(NumUVChannels, Source->GetNumUVChannels());
				}
			}
			Mesh.Positions.reserve(NumVertices * 3);
			Mesh.Normals.reserve(NumVertices * 3);
			Mesh.UVs.assign(NumUVChannels, {});
			for (auto& Channel : Mesh.UVs) { Channel.reserve(NumVertices * 2); }
			std::unordered_map<std::string, int32_t> BoneByName;
			if (Skeleton)
			{
				Mesh.InfluenceBones.assign(NumVertices * MaxBoneInfluences, 0);
				Mesh.InfluenceWeights.assign(NumVertices * MaxBoneInfluences, 0.0f);
				for (const auto& [Node, Bone] : Skeleton->BoneOfNode) { BoneByName.emplace(Node->mName.C_Str(), Bone); }
			}

			std::vector<std::vector<uint32_t>> IndicesBySlot;
			auto SlotFor = [&Out, &IndicesBySlot](const std::string& Name, int32_t MaterialIndex) {
				for (size_t Slot = 0; Slot < Out.Slots.size(); ++Slot)
				{
					if (SameSlotName(Out.Slots[Slot].Name, Name)) { return Slot; }
				}
				Out.Slots.push_back({ Name, MaterialIndex });
				IndicesBySlot.emplace_back();
				return Out.Slots.size() - 1;
			};

			for (const FNodeInstance* Instance : Instances)
			{
				Out.Nodes.push_back(Instance->Label);
				aiMatrix3x3 NormalMatrix(Instance->Transform);
				NormalMatrix.Inverse().Transpose();
				std::map<unsigned, int> UsesOfMaterial;
				for (const aiMesh* Source : Instance->Meshes)
				{
					std::string SlotName = "Material_0"; // the translator's name for geometry without material (FbxMesh.cpp:1196-1200)
					int32_t MaterialIndex = -1;
					if (Source->mMaterialIndex < Materials.size() && !Materials[Source->mMaterialIndex].bPlaceholder)
					{
						MaterialIndex = int32_t(Source->mMaterialIndex);
						int& Uses = UsesOfMaterial[Source->mMaterialIndex];
						SlotName = Materials[MaterialIndex].Label + (Uses > 0 ? "_Section" + std::to_string(Uses) : std::string());
						++Uses;
					}
					const size_t Slot = SlotFor(SlotName, MaterialIndex);

					const uint32_t Base = Mesh.NumVertices();
					for (unsigned V = 0; V < Source->mNumVertices; ++V)
					{
						const aiVector3D P = Instance->Transform * Source->mVertices[V];
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
					if (Skeleton)
					{
						if (Source->mNumBones == 0)
						{
							// Rigid geometry follows the nearest joint above it.
							int32_t Bone = 0;
							for (const aiNode* Node = Instance->Node; Node; Node = Node->mParent)
							{
								auto Found = Skeleton->BoneOfNode.find(Node);
								if (Found != Skeleton->BoneOfNode.end()) { Bone = Found->second; break; }
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
						// A skinned vertex no bone of this skeleton weighs follows the root.
						for (unsigned V = 0; Source->mNumBones > 0 && V < Source->mNumVertices; ++V)
						{
							const float* Weights = &Mesh.InfluenceWeights[size_t(Base + V) * MaxBoneInfluences];
							if (std::all_of(Weights, Weights + MaxBoneInfluences, [](float W) { return W <= 0.0f; }))
							{
								AddInfluence(Mesh, Base + V, 0, 1.0f);
							}
						}
					}
					std::vector<uint32_t>& Target = IndicesBySlot[Slot];
					for (unsigned F = 0; F < Source->mNumFaces; ++F)
					{
						const aiFace& Face = Source->mFaces[F];
						if (Face.mNumIndices != 3) { continue; }
						Target.insert(Target.end(), { Base + Face.mIndices[0], Base + Face.mIndices[1], Base + Face.mIndices[2] });
					}
				}
			}
			// Files do not always store weights that add up to one; the engine normalises them.
			for (size_t V = 0; V < Mesh.InfluenceWeights.size(); V += MaxBoneInfluences)
			{
				float Sum = 0;
				for (int I = 0; I < MaxBoneInfluences; ++I) { Sum += Mesh.InfluenceWeights[V + I]; }
				for (int I = 0; Sum > 0 && I < MaxBoneInfluences; ++I) { Mesh.InfluenceWeights[V + I] /= Sum; }
			}
			for (uint32_t Slot = 0; Slot < IndicesBySlot.size(); ++Slot)
			{
				if (IndicesBySlot[Slot].empty()) { continue; }
				Mesh.Sections.push_back({ Slot, uint32_t(Mesh.Indices.size()), uint32_t(IndicesBySlot[Slot].size() / 3) });
				Mesh.Indices.insert(Mesh.Indices.end(), IndicesBySlot[Slot].begin(), IndicesBySlot[Slot].end());
			}
		}

		// The owner of a collision node, as Interchange's generic mesh pipeline matches them
		// (InterchangeGenericStaticMeshPipeline.cpp:66-135):
		// "UCX_House" or "UCX_House_01" (also UBX_, USP_, UCP_, MCDCX_) belongs to the static mesh
		// node "House"; null when the name has no such prefix or no such node exists.
		const FNodeInstance* CollisionOwner(const FNodeInstance& Instance, const std::vector<const FNodeInstance*>& StaticInstances)
		{
			const std::string& Name = Instance.Label;
			static const char* const Prefixes[] = { "UBX_", "UCX_", "MCDCX_", "USP_", "UCP_" };
			if (std::none_of(std::begin(Prefixes), std::end(Prefixes), [&Name](const char* Prefix) { return Name.rfind(Prefix, 0) == 0; }))
			{
				return nullptr;
			}
			auto FindNamed = [&](const std::string& Body) -> const FNodeInstance* {
				for (const FNodeInstance* Other : StaticInstances)
				{
					// FString comparison, as the pipeline's: letter case ignored.
					if (Other != &Instance && SameSlotName(Other->Label, Body)) { return Other; }
				}
				return nullptr;
			};
			const size_t First = Name.find('_');
			const size_t Last = Name.rfind('_');
			if (const FNodeInstance* Owner = FindNamed(Name.substr(First + 1)))
			{
				return Owner;
			}
			return First != Last ? FindNamed(Name.substr(First + 1, Last - First - 1)) : nullptr;
		}
	}

	std::string CleanObjectName(const std::string& Name, bool bJoint)
	{
		// The characters object names may not hold (INVALID_OBJECTNAME_CHARACTERS, NameTypes.h:168);
		// joint names lose '+' too (InterchangeHelper.cpp:7-16, FbxHelper.cpp:120-137). All are
		// ASCII, so UTF-8 sequences are left whole.
		static const std::string Invalid = "\"' ,/.:|&!~\n\r\t@#(){}[]=;^%$`";
		std::string Result = Name;
		for (char& C : Result)
		{
			if (Invalid.find(C) != std::string::npos || (bJoint && C == '+')) { C = '_'; }
		}
		// "None" would read as NAME_None.
		return SameSlotName(Result, "none") ? std::string("Null") : Result;
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

		std::vector<FNodeInstance> Instances;
		CollectInstances(Scene, Scene->mRootNode, aiMatrix4x4(), Instances);
		for (unsigned M = 0; M < Scene->mNumMeshes; ++M)
		{
			Out.MeshNames.push_back(Scene->mMeshes[M]->mName.C_Str());
			Out.bSkinned = Out.bSkinned || Scene->mMeshes[M]->HasBones();
		}
		Out.NumAnimations = Scene->mNumAnimations;
		Out.NumEmbeddedTextures = Scene->mNumTextures;
		if (Instances.empty())
		{
			OutError = "the file holds no triangles";
			return false;
		}

		const fs::path FbxPath = fs::path(FbxFile);
		std::vector<std::string> EmbeddedFiles(Scene->mNumTextures);
		if (bWriteEmbeddedMedia && Scene->mNumTextures > 0)
		{
			EmbeddedFiles = WriteEmbeddedMedia(Scene, FbxPath, Out);
		}
		FTextureFinder Finder(FbxPath.parent_path().empty() ? std::string(".") : FbxPath.parent_path().string());
		ReadMaterials(Scene, EmbeddedFiles, Finder, Out);

		// Skeletal meshes: one per skeleton root, with the rigid meshes nested in that skeleton
		// (bImportMeshesInBoneHierarchy, InterchangePipelineMeshesUtilities.cpp:197-222); every other
		// node a static mesh of its own (bCombineStaticMeshes=false, InterchangeGenericStaticMeshPipeline.cpp:243-318).
		std::vector<FSkeletonGroup> Groups = GroupSkinnedInstances(Scene, Instances);
		for (FSkeletonGroup& Group : Groups)
		{
			ReadSkeleton(Scene, Group);
		}
		std::unordered_set<const FNodeInstance*> Grouped;
		for (const FSkeletonGroup& Group : Groups)
		{
			Grouped.insert(Group.Instances.begin(), Group.Instances.end());
		}
		std::vector<const FNodeInstance*> StaticInstances;
		for (const FNodeInstance& Instance : Instances)
		{
			if (Grouped.count(&Instance))
			{
				continue;
			}
			FSkeletonGroup* Nesting = nullptr;
			for (const aiNode* Node = Instance.Node->mParent; Node && !Nesting; Node = Node->mParent)
			{
				for (FSkeletonGroup& Group : Groups)
				{
					if (Group.BoneOfNode.count(Node)) { Nesting = &Group; break; }
				}
			}
			if (Nesting)
			{
				Nesting->Instances.push_back(&Instance);
			}
			else
			{
				StaticInstances.push_back(&Instance);
			}
		}

		std::vector<std::pair<size_t, FMeshDescription>> Ordered;
		for (FSkeletonGroup& Group : Groups)
		{
			std::stable_sort(Group.Instances.begin(), Group.Instances.end(), [](const FNodeInstance* A, const FNodeInstance* B) { return A->Order < B->Order; });
			FMeshDescription Mesh;
			Mesh.bSkeletal = true;
			// One node: named after it; several: after the first one's mesh (its geometry's name,
			// which Assimp keeps as the mesh name), as InterchangeGenericSkeletalMeshPipeline.cpp:362-377 does.
			const FNodeInstance& First = *Group.Instances.front();
			Mesh.Label = Group.Instances.size() == 1 ? First.Label : CleanObjectName(First.Meshes.front()->mName.C_Str());
			if (Mesh.Label.empty())
			{
				Mesh.Label = "Mesh_" + First.Label;
			}
			Mesh.RootJoint = CleanObjectName(Group.Root->mName.C_Str(), true);
			Mesh.Bones = Group.Bones;
			BuildMesh(Group.Instances, Out.Materials, &Group, Mesh);
			Ordered.emplace_back(First.Order, std::move(Mesh));
		}
		std::map<const FNodeInstance*, std::vector<std::string>> CollisionOf;
		std::vector<const FNodeInstance*> Owners;
		for (const FNodeInstance* Instance : StaticInstances)
		{
			if (const FNodeInstance* Owner = CollisionOwner(*Instance, StaticInstances))
			{
				CollisionOf[Owner].push_back(Instance->Label);
			}
			else
			{
				Owners.push_back(Instance);
			}
		}
		for (const FNodeInstance* Instance : Owners)
		{
			FMeshDescription Mesh;
			Mesh.Label = Instance->Label;
			Mesh.CollisionNodes = CollisionOf[Instance];
			BuildMesh({ Instance }, Out.Materials, nullptr, Mesh);
			Ordered.emplace_back(Instance->Order, std::move(Mesh));
		}
		std::stable_sort(Ordered.begin(), Ordered.end(), [](const auto& A, const auto& B) { return A.first < B.first; });
		for (auto& [Order, Mesh] : Ordered)
		{
			Out.Meshes.push_back(std::move(Mesh));
		}
		return true;
	}
}
