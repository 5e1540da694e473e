// Writes the project's own sample asset archives into a folder: for each sample a textured model
// (FBX 7.5, through Assimp's FBX exporter), three PBR maps drawn here (base colour, tangent-space normal,
// metallic/roughness packed as glTF does: roughness in green, metalness in blue), and a
// metadata.json naming them, zipped the way the web application serves them.
//
//   moldari-sample-archives OUTPUT_DIR
#include <assimp/Exporter.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>
#include <stb_image_write.h>
#include <zip.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace
{
	constexpr float Pi = 3.14159265358979f;
	constexpr int MapSize = 256;

	struct FVertex
	{
		aiVector3D Position;
		aiVector3D Normal;
		aiVector3D Uv;
	};

	struct FMeshData
	{
		std::vector<FVertex> Vertices;
		std::vector<unsigned> Indices; // triangles
	};

	// What a sample's maps look like at one texel: colour, height (for the normal map),
	// roughness and metalness, each 0..1.
	struct FSurface
	{
		float R = 0, G = 0, B = 0;
		float Height = 0;
		float Roughness = 1;
		float Metalness = 0;
	};
	using FSurfaceFunction = std::function<FSurface(float U, float V)>;

	struct FSample
	{
		std::string Name;         // archive, model file and node name
		std::string MaterialName; // the FBX material, matched by metadata.json's entry
		std::string TexturePrefix;
		FMeshData Mesh;
		FSurfaceFunction Surface;
	};

	// ---------------------------------------------------------------- geometry (centimetres)

	FMeshData MakeBox(float Half)
	{
		FMeshData Mesh;
		const aiVector3D Normals[6] = { { 1, 0, 0 }, { -1, 0, 0 }, { 0, 1, 0 }, { 0, -1, 0 }, { 0, 0, 1 }, { 0, 0, -1 } };
		for (const aiVector3D& N : Normals)
		{
			// Two axes spanning the face, right-handed with the normal.
			const aiVector3D A = std::fabs(N.z) > 0.5f ? aiVector3D(1, 0, 0) : aiVector3D(0, 0, 1);
			const aiVector3D T = A ^ N; // cross product
			const aiVector3D S = N ^ T;
			const unsigned Base = static_cast<unsigned>(Mesh.Vertices.size());
			const float Corners[4][2] = { { -1, -1 }, { 1, -1 }, { 1, 1 }, { -1, 1 } };
			for (const auto& C : Corners)
			{
				const aiVector3D P = (N + T * C[0] + S * C[1]) * Half;
				Mesh.Vertices.push_back({ P, N, aiVector3D((C[0] + 1) * 0.5f, (C[1] + 1) * 0.5f, 0) });
			}
			for (const unsigned I : { 0u, 1u, 2u, 0u, 2u, 3u }) { Mesh.Indices.push_back(Base + I); }
		}
		return Mesh;
	}

	// A closed cylinder along Z with a bulge in the middle (a barrel), sides and caps.
	FMeshData MakeBarrel(float Radius, float Height, int Segments)
	{
		FMeshData Mesh;
		const int Rings = 8;
		for (int Ring = 0; Ring <= Rings; ++Ring)
		{
			const float T = static_cast<float>(Ring) / Rings;
			const float Bulge = 1.0f + 0.12f * std::sin(T * Pi);
			const float Slope = -0.12f * Pi * std::cos(T * Pi) * Radius / Height;
			for (int Seg = 0; Seg <= Segments; ++Seg)
			{
				const float A = 2 * Pi * Seg / Segments;
				aiVector3D N(std::cos(A), std::sin(A), Slope);
				N.Normalize();
				Mesh.Vertices.push_back({ aiVector3D(std::cos(A) * Radius * Bulge, std::sin(A) * Radius * Bulge, T * Height), N,
					aiVector3D(static_cast<float>(Seg) / Segments, T, 0) });
			}
		}
		for (int Ring = 0; Ring < Rings; ++Ring)
		{
			for (int Seg = 0; Seg < Segments; ++Seg)
			{
				const unsigned A = Ring * (Segments + 1) + Seg, B = A + 1, C = A + Segments + 1, D = C + 1;
				for (const unsigned I : { A, B, D, A, D, C }) { Mesh.Indices.push_back(I); }
			}
		}
		for (const float Z : { 0.0f, Height })
		{
			const float Up = Z > 0 ? 1.0f : -1.0f;
			const unsigned Centre = static_cast<unsigned>(Mesh.Vertices.size());
			Mesh.Vertices.push_back({ aiVector3D(0, 0, Z), aiVector3D(0, 0, Up), aiVector3D(0.5f, 0.5f, 0) });
			for (int Seg = 0; Seg <= Segments; ++Seg)
			{
				const float A = 2 * Pi * Seg / Segments;
				Mesh.Vertices.push_back({ aiVector3D(std::cos(A) * Radius, std::sin(A) * Radius, Z), aiVector3D(0, 0, Up),
					aiVector3D(0.5f + 0.5f * std::cos(A), 0.5f + 0.5f * std::sin(A), 0) });
			}
			for (int Seg = 0; Seg < Segments; ++Seg)
			{
				const unsigned A = Centre + 1 + Seg, B = A + 1;
				if (Up > 0) { for (const unsigned I : { Centre, A, B }) { Mesh.Indices.push_back(I); } }
				else { for (const unsigned I : { Centre, B, A }) { Mesh.Indices.push_back(I); } }
			}
		}
		return Mesh;
	}

	FMeshData MakeSphere(float Radius, int Segments, int Rings)
	{
		FMeshData Mesh;
		for (int Ring = 0; Ring <= Rings; ++Ring)
		{
			const float Theta = Pi * Ring / Rings;
			for (int Seg = 0; Seg <= Segments; ++Seg)
			{
				const float Phi = 2 * Pi * Seg / Segments;
				const aiVector3D N(std::sin(Theta) * std::cos(Phi), std::sin(Theta) * std::sin(Phi), std::cos(Theta));
				Mesh.Vertices.push_back({ N * Radius + aiVector3D(0, 0, Radius), N,
					aiVector3D(static_cast<float>(Seg) / Segments, 1.0f - static_cast<float>(Ring) / Rings, 0) });
			}
		}
		for (int Ring = 0; Ring < Rings; ++Ring)
		{
			for (int Seg = 0; Seg < Segments; ++Seg)
			{
				const unsigned A = Ring * (Segments + 1) + Seg, B = A + 1, C = A + Segments + 1, D = C + 1;
				for (const unsigned I : { A, C, D, A, D, B }) { Mesh.Indices.push_back(I); }
			}
		}
		return Mesh;
	}

	// ---------------------------------------------------------------- surfaces

	float Fract(float X) { return X - std::floor(X); }
	float Smooth(float Edge0, float Edge1, float X)
	{
		const float T = std::clamp((X - Edge0) / (Edge1 - Edge0), 0.0f, 1.0f);
		return T * T * (3 - 2 * T);
	}
	// Cheap value noise, enough for wood grain and scratches.
	float Hash(int X, int Y)
	{
		unsigned H = static_cast<unsigned>(X) * 374761393u + static_cast<unsigned>(Y) * 668265263u;
		H = (H ^ (H >> 13)) * 1274126177u;
		return static_cast<float>((H ^ (H >> 16)) & 0xFFFF) / 65535.0f;
	}
	float Noise(float X, float Y)
	{
		const int Xi = static_cast<int>(std::floor(X)), Yi = static_cast<int>(std::floor(Y));
		const float Fx = Smooth(0, 1, X - Xi), Fy = Smooth(0, 1, Y - Yi);
		const float A = Hash(Xi, Yi), B = Hash(Xi + 1, Yi), C = Hash(Xi, Yi + 1), D = Hash(Xi + 1, Yi + 1);
		return (A + (B - A) * Fx) + ((C + (D - C) * Fx) - (A + (B - A) * Fx)) * Fy;
	}

	// Planks between a steel frame: wood is rough and dielectric, the frame smooth metal.
	FSurface CrateSurface(float U, float V)
	{
		FSurface S;
		const float Border = std::min(std::min(U, 1 - U), std::min(V, 1 - V));
		if (Border < 0.08f)
		{
			S.R = S.G = S.B = 0.55f;
			S.Height = 1.0f;
			S.Roughness = 0.35f;
			S.Metalness = 1.0f;
			return S;
		}
		const float Plank = Fract(V * 5);
		const float Groove = Smooth(0.0f, 0.06f, Plank) * Smooth(1.0f, 0.94f, Plank);
		const float Grain = 0.75f + 0.25f * Noise(U * 40, V * 5 * 3 + std::floor(V * 5) * 7);
		S.R = 0.62f * Grain * (0.4f + 0.6f * Groove);
		S.G = 0.42f * Grain * (0.4f + 0.6f * Groove);
		S.B = 0.22f * Grain * (0.4f + 0.6f * Groove);
		S.Height = 0.6f * Groove + 0.05f * Grain;
		S.Roughness = 0.85f;
		return S;
	}

	// Staves with two iron hoops.
	FSurface BarrelSurface(float U, float V)
	{
		FSurface S;
		const bool bHoop = std::fabs(V - 0.2f) < 0.04f || std::fabs(V - 0.8f) < 0.04f;
		if (bHoop)
		{
			const float Rust = Noise(U * 60, V * 60);
			S.R = 0.30f + 0.25f * Rust;
			S.G = 0.28f + 0.08f * Rust;
			S.B = 0.27f;
			S.Height = 1.0f;
			S.Roughness = 0.4f + 0.4f * Rust;
			S.Metalness = 1.0f - 0.6f * Rust;
			return S;
		}
		const float Stave = Fract(U * 16);
		const float Seam = Smooth(0.0f, 0.05f, Stave) * Smooth(1.0f, 0.95f, Stave);
		const float Grain = 0.7f + 0.3f * Noise(U * 16 * 4, V * 50);
		S.R = 0.45f * Grain * (0.5f + 0.5f * Seam);
		S.G = 0.27f * Grain * (0.5f + 0.5f * Seam);
		S.B = 0.14f * Grain * (0.5f + 0.5f * Seam);
		S.Height = 0.5f * Seam;
		S.Roughness = 0.75f;
		return S;
	}

	// A checker of polished gold and dark enamel.
	FSurface OrbSurface(float U, float V)
	{
		FSurface S;
		const bool bGold = (static_cast<int>(U * 8) + static_cast<int>(V * 4)) % 2 == 0;
		const float Edge = std::min(std::min(Fract(U * 8), 1 - Fract(U * 8)), std::min(Fract(V * 4), 1 - Fract(V * 4)));
		S.Height = Smooth(0.0f, 0.08f, Edge) * (bGold ? 1.0f : 0.6f);
		if (bGold)
		{
			S.R = 1.0f; S.G = 0.78f; S.B = 0.34f;
			S.Roughness = 0.2f;
			S.Metalness = 1.0f;
		}
		else
		{
			S.R = 0.05f; S.G = 0.09f; S.B = 0.2f;
			S.Roughness = 0.5f;
		}
		return S;
	}

	// ---------------------------------------------------------------- maps and files

	uint8_t Byte(float X) { return static_cast<uint8_t>(std::lround(std::clamp(X, 0.0f, 1.0f) * 255.0f)); }

	void WriteToVector(void* Context, void* Data, int Size)
	{
		auto* Out = static_cast<std::vector<uint8_t>*>(Context);
		Out->insert(Out->end(), static_cast<uint8_t*>(Data), static_cast<uint8_t*>(Data) + Size);
	}

	struct FMaps
	{
		std::vector<uint8_t> BaseColor, Normal, MetallicRoughness; // PNG files
	};

	bool DrawMaps(const FSurfaceFunction& Surface, FMaps& Maps)
	{
		std::vector<FSurface> Texels(MapSize * MapSize);
		for (int Y = 0; Y < MapSize; ++Y)
		{
			for (int X = 0; X < MapSize; ++X)
			{
				// Row 0 is the top of the image, where V is 1.
				Texels[Y * MapSize + X] = Surface((X + 0.5f) / MapSize, 1.0f - (Y + 0.5f) / MapSize);
			}
		}
		std::vector<uint8_t> Color(MapSize * MapSize * 3), Normal(MapSize * MapSize * 3), Packed(MapSize * MapSize * 3);
		const float Strength = 4.0f;
		for (int Y = 0; Y < MapSize; ++Y)
		{
			for (int X = 0; X < MapSize; ++X)
			{
				const FSurface& S = Texels[Y * MapSize + X];
				uint8_t* C = &Color[(Y * MapSize + X) * 3];
				C[0] = Byte(S.R); C[1] = Byte(S.G); C[2] = Byte(S.B);
				// Tangent-space normal from the height's slope (clamped at the borders).
				auto H = [&Texels](int Xi, int Yi) { return Texels[std::clamp(Yi, 0, MapSize - 1) * MapSize + std::clamp(Xi, 0, MapSize - 1)].Height; };
				const float Dx = (H(X + 1, Y) - H(X - 1, Y)) * Strength;
				const float Dy = (H(X, Y - 1) - H(X, Y + 1)) * Strength; // +V is up the image
				aiVector3D N(-Dx, -Dy, 1.0f);
				N.Normalize();
				uint8_t* Nm = &Normal[(Y * MapSize + X) * 3];
				Nm[0] = Byte(N.x * 0.5f + 0.5f); Nm[1] = Byte(N.y * 0.5f + 0.5f); Nm[2] = Byte(N.z * 0.5f + 0.5f);
				uint8_t* P = &Packed[(Y * MapSize + X) * 3];
				P[0] = 0; P[1] = Byte(S.Roughness); P[2] = Byte(S.Metalness);
			}
		}
		return stbi_write_png_to_func(WriteToVector, &Maps.BaseColor, MapSize, MapSize, 3, Color.data(), MapSize * 3) &&
			stbi_write_png_to_func(WriteToVector, &Maps.Normal, MapSize, MapSize, 3, Normal.data(), MapSize * 3) &&
			stbi_write_png_to_func(WriteToVector, &Maps.MetallicRoughness, MapSize, MapSize, 3, Packed.data(), MapSize * 3);
	}

	// The sample as an Assimp scene: one node, one triangle mesh, one material whose diffuse and
	// normal textures are the maps in the archive.
	bool WriteFbx(const FSample& Sample, const std::string& BaseColorPath, const std::string& NormalPath, const std::filesystem::path& FbxPath, std::vector<uint8_t>& Out)
	{
		aiScene Scene;
		Scene.mRootNode = new aiNode("Root");
		aiNode* Node = new aiNode(Sample.Name);
		Node->mParent = Scene.mRootNode;
		Node->mNumMeshes = 1;
		Node->mMeshes = new unsigned[1]{ 0 };
		Scene.mRootNode->mNumChildren = 1;
		Scene.mRootNode->mChildren = new aiNode*[1]{ Node };

		aiMaterial* Material = new aiMaterial();
		const aiString MaterialName(Sample.MaterialName);
		Material->AddProperty(&MaterialName, AI_MATKEY_NAME);
		const aiString BaseColor(BaseColorPath), Normal(NormalPath);
		Material->AddProperty(&BaseColor, AI_MATKEY_TEXTURE_DIFFUSE(0));
		Material->AddProperty(&Normal, AI_MATKEY_TEXTURE_NORMALS(0));
		const aiColor3D White(1, 1, 1);
		Material->AddProperty(&White, 1, AI_MATKEY_COLOR_DIFFUSE);
		Scene.mNumMaterials = 1;
		Scene.mMaterials = new aiMaterial*[1]{ Material };

		aiMesh* Mesh = new aiMesh();
		Mesh->mName = aiString(Sample.Name);
		Mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
		Mesh->mMaterialIndex = 0;
		const unsigned NumVertices = static_cast<unsigned>(Sample.Mesh.Vertices.size());
		Mesh->mNumVertices = NumVertices;
		Mesh->mVertices = new aiVector3D[NumVertices];
		Mesh->mNormals = new aiVector3D[NumVertices];
		Mesh->mTextureCoords[0] = new aiVector3D[NumVertices];
		Mesh->mNumUVComponents[0] = 2;
		for (unsigned I = 0; I < NumVertices; ++I)
		{
			Mesh->mVertices[I] = Sample.Mesh.Vertices[I].Position;
			Mesh->mNormals[I] = Sample.Mesh.Vertices[I].Normal;
			Mesh->mTextureCoords[0][I] = Sample.Mesh.Vertices[I].Uv;
		}
		Mesh->mNumFaces = static_cast<unsigned>(Sample.Mesh.Indices.size() / 3);
		Mesh->mFaces = new aiFace[Mesh->mNumFaces];
		for (unsigned F = 0; F < Mesh->mNumFaces; ++F)
		{
			Mesh->mFaces[F].mNumIndices = 3;
			Mesh->mFaces[F].mIndices = new unsigned[3]{ Sample.Mesh.Indices[F * 3], Sample.Mesh.Indices[F * 3 + 1], Sample.Mesh.Indices[F * 3 + 2] };
		}
		Scene.mNumMeshes = 1;
		Scene.mMeshes = new aiMesh*[1]{ Mesh };

		// The FBX exporter's ASCII form ("fbxa"): what Debian's Assimp 5.2 writes in the binary
		// form ("fbx") its own FBX reader refuses ("block offset is out of range" in the header).
		Assimp::Exporter Exporter;
		if (Exporter.Export(&Scene, "fbxa", FbxPath.string()) != AI_SUCCESS)
		{
			std::fprintf(stderr, "FBX export of %s failed: %s\n", Sample.Name.c_str(), Exporter.GetErrorString());
			return false;
		}
		std::ifstream In(FbxPath, std::ios::binary);
		Out.assign(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
		In.close();
		std::filesystem::remove(FbxPath);
		return !Out.empty();
	}

	std::string MetadataJson(const FSample& Sample, const std::string& BaseColor, const std::string& Normal, const std::string& MetallicRoughness)
	{
		// Names are plain identifiers and paths, so no escaping is needed.
		return "{\n"
			"  \"name\": \"" + Sample.Name + "\",\n"
			"  \"generator\": \"moldari-sample-archives\",\n"
			"  \"materials\": [\n"
			"    {\n"
			"      \"name\": \"" + Sample.MaterialName + "\",\n"
			"      \"baseColorTexture\": \"" + BaseColor + "\",\n"
			"      \"normalTexture\": \"" + Normal + "\",\n"
			"      \"metallicRoughnessTexture\": \"" + MetallicRoughness + "\"\n"
			"    }\n"
			"  ]\n"
			"}\n";
	}

	bool AddEntry(zip_t* Zip, const std::string& Name, const std::vector<uint8_t>& Bytes)
	{
		// libzip reads the buffer when the archive is closed, so it gets a copy it frees itself.
		void* Copy = std::malloc(std::max<size_t>(Bytes.size(), 1));
		if (!Copy) { return false; }
		std::memcpy(Copy, Bytes.data(), Bytes.size());
		zip_source_t* Source = zip_source_buffer(Zip, Copy, Bytes.size(), 1);
		if (!Source) { std::free(Copy); return false; }
		if (zip_file_add(Zip, Name.c_str(), Source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0)
		{
			zip_source_free(Source);
			return false;
		}
		return true;
	}

	// Written beside the target and renamed, so a reader never sees half an archive.
	bool CloseArchive(zip_t* Zip, const std::filesystem::path& Partial, const std::filesystem::path& Target)
	{
		if (zip_close(Zip) != 0)
		{
			std::fprintf(stderr, "cannot write %s: %s\n", Partial.c_str(), zip_strerror(Zip));
			zip_discard(Zip);
			return false;
		}
		std::filesystem::rename(Partial, Target);
		std::printf("%s\n", Target.c_str());
		return true;
	}

	zip_t* OpenArchive(const std::filesystem::path& Partial)
	{
		std::filesystem::remove(Partial);
		int Error = 0;
		zip_t* Zip = zip_open(Partial.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &Error);
		if (!Zip)
		{
			std::fprintf(stderr, "cannot create %s (libzip error %d)\n", Partial.c_str(), Error);
		}
		return Zip;
	}

	// An asset whose archive holds no model: the page shows how an import that fails ends.
	bool WriteBrokenArchive(const std::filesystem::path& OutputDir)
	{
		const std::filesystem::path Partial = OutputDir / "BrokenNoModel.zip.partial";
		zip_t* Zip = OpenArchive(Partial);
		const std::string Metadata = "{\n  \"materials\": []\n}\n";
		if (!Zip || !AddEntry(Zip, "metadata.json", std::vector<uint8_t>(Metadata.begin(), Metadata.end())))
		{
			if (Zip) { zip_discard(Zip); }
			return false;
		}
		return CloseArchive(Zip, Partial, OutputDir / "BrokenNoModel.zip");
	}

	bool WriteArchive(const FSample& Sample, const std::filesystem::path& OutputDir)
	{
		const std::string BaseColor = "textures/" + Sample.TexturePrefix + "_basecolor.png";
		const std::string Normal = "textures/" + Sample.TexturePrefix + "_normal.png";
		const std::string MetallicRoughness = "textures/" + Sample.TexturePrefix + "_metallic_roughness.png";

		FMaps Maps;
		std::vector<uint8_t> Fbx;
		if (!DrawMaps(Sample.Surface, Maps) || !WriteFbx(Sample, BaseColor, Normal, OutputDir / (Sample.Name + ".fbx.partial"), Fbx))
		{
			return false;
		}
		const std::string Metadata = MetadataJson(Sample, BaseColor, Normal, MetallicRoughness);

		const std::filesystem::path Partial = OutputDir / (Sample.Name + ".zip.partial");
		zip_t* Zip = OpenArchive(Partial);
		if (!Zip)
		{
			return false;
		}
		const bool bAdded = AddEntry(Zip, Sample.Name + ".fbx", Fbx) &&
			AddEntry(Zip, "metadata.json", std::vector<uint8_t>(Metadata.begin(), Metadata.end())) &&
			AddEntry(Zip, BaseColor, Maps.BaseColor) &&
			AddEntry(Zip, Normal, Maps.Normal) &&
			AddEntry(Zip, MetallicRoughness, Maps.MetallicRoughness);
		if (!bAdded)
		{
			std::fprintf(stderr, "cannot add to %s: %s\n", Partial.c_str(), zip_strerror(Zip));
			zip_discard(Zip);
			return false;
		}
		return CloseArchive(Zip, Partial, OutputDir / (Sample.Name + ".zip"));
	}
}

int main(int Argc, char** Argv)
{
	if (Argc != 2)
	{
		std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", Argv[0]);
		return 2;
	}
	const std::filesystem::path OutputDir(Argv[1]);
	std::error_code Error;
	std::filesystem::create_directories(OutputDir, Error);
	if (Error)
	{
		std::fprintf(stderr, "cannot create %s: %s\n", OutputDir.c_str(), Error.message().c_str());
		return 1;
	}

	const FSample Samples[] = {
		{ "SampleCrate", "CrateMaterial", "crate", MakeBox(50.0f), CrateSurface },
		{ "SampleBarrel", "BarrelMaterial", "barrel", MakeBarrel(35.0f, 100.0f, 32), BarrelSurface },
		{ "SampleOrb", "OrbMaterial", "orb", MakeSphere(40.0f, 48, 24), OrbSurface },
	};
	for (const FSample& Sample : Samples)
	{
		if (!WriteArchive(Sample, OutputDir))
		{
			return 1;
		}
	}
	return WriteBrokenArchive(OutputDir) ? 0 : 1;
}
