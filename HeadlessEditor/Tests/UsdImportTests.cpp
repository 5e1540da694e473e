// The USD importer: USDZ packages (the real ones from the shared test data and ones built here),
// the usda text reader and the usdc header check, then the assets ImportAssetsAutomated makes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>

#include "Engine/StaticMesh.h"
#include "Engine/Texture2D.h"
#include "Materials/Material.h"

#include "ModelImportTestSupport.h"
#include "UsdSceneReader.h"
#include "UsdImporterPlugin.h"
#include "EngineHost.h"
#include "HeadlessString.h"

using namespace ModelImportTest;
namespace Usd = UE::HeadlessEditor::Usd;

namespace
{
	void Put16(std::string& Out, uint32_t V) { Out += char(V & 0xFF); Out += char((V >> 8) & 0xFF); }
	void Put32(std::string& Out, uint32_t V) { Put16(Out, V & 0xFFFF); Put16(Out, V >> 16); }

	// A stored (uncompressed) ZIP as USDZ packages are; BadCrcEntry names an entry whose recorded
	// CRC is wrong.
	std::string MakeStoredZip(const std::vector<std::pair<std::string, std::string>>& Entries, const std::string& BadCrcEntry = "")
	{
		std::string Zip, Central;
		for (const auto& [Name, Data] : Entries)
		{
			const uint32_t Offset = uint32_t(Zip.size());
			const uint32_t Crc = AssetTest::Crc32(reinterpret_cast<const uint8*>(Data.data()), Data.size()) ^ (Name == BadCrcEntry ? 1u : 0u);
			std::string Header; // from "version needed" to the extra field's length, shared by both records
			Put16(Header, 20); Put16(Header, 0); Put16(Header, 0); Put16(Header, 0); Put16(Header, 0);
			Put32(Header, Crc); Put32(Header, uint32_t(Data.size())); Put32(Header, uint32_t(Data.size()));
			Put16(Header, uint16_t(Name.size())); Put16(Header, 0);
			Put32(Zip, 0x04034b50); Zip += Header; Zip += Name; Zip += Data;
			Put32(Central, 0x02014b50); Put16(Central, 20); Central += Header;
			Put16(Central, 0); Put16(Central, 0); Put16(Central, 0); Put32(Central, 0); Put32(Central, Offset);
			Central += Name;
		}
		const uint32_t CentralOffset = uint32_t(Zip.size());
		Zip += Central;
		Put32(Zip, 0x06054b50); Put16(Zip, 0); Put16(Zip, 0);
		Put16(Zip, uint16_t(Entries.size())); Put16(Zip, uint16_t(Entries.size()));
		Put32(Zip, uint32_t(Central.size())); Put32(Zip, CentralOffset); Put16(Zip, 0);
		return Zip;
	}

	const char* const SampleLayer = R"usda(#usda 1.0
(
    defaultPrim = "Root"
    metersPerUnit = 0.01
    upAxis = "Z"
    doc = """A layer written for the tests:
two meshes, three materials."""
)

def Xform "Root" (
    kind = "component"
)
{
    def Xform "Geo"
    {
        double3 xformOp:translate = (10, 0, 0)
        uniform token[] xformOpOrder = ["xformOp:translate"]
        rel material:binding = </Root/Materials/Red>

        def Mesh "Quad" (
            prepend apiSchemas = ["MaterialBindingAPI"]
        )
        {
            int[] faceVertexCounts = [4, 3]
            int[] faceVertexIndices = [0, 1, 2, 3, 0, 2, 4]
            point3f[] points = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0), (0.5, 0.5, 1e0)]
            normal3f[] normals = [(0, 0, 1), (0, 0, 1), (0, 0, 1), (0, 0, 1), (0, 0, 1)] (
                interpolation = "vertex"
            )
            texCoord2f[] primvars:st = [(0, 0), (1, 0), (1, 1), (0, 1)] (
                interpolation = "faceVarying"
            )
            int[] primvars:st:indices = [0, 1, 2, 3, 0, 1, 2]
            float3[] extent = [(0, 0, 0), (1, 1, 1)]
            color3f[] primvars:displayColor.timeSamples = { 0: [(1, 0, 0)], }

            def GeomSubset "Roof"
            {
                uniform token elementType = "face"
                uniform token familyName = "materialBind"
                int[] indices = [1]
                rel material:binding = </Root/Materials/Blue>
            }
        }
    }
    def Mesh "Turned"
    {
        float xformOp:rotateZ = 90
        uniform token[] xformOpOrder = ["xformOp:rotateZ"]
        uniform token orientation = "leftHanded"
        int[] faceVertexCounts = [3]
        int[] faceVertexIndices = [0, 1, 2]
        point3f[] points = [(1, 0, 0), (0, 1, 0), (0, 0, 1)]
    }
    def Scope "Materials"
    {
        def Material "Red"
        {
            token outputs:surface.connect = </Root/Materials/Red/Surface.outputs:surface>
            def Shader "Surface"
            {
                uniform token info:id = "UsdPreviewSurface"
                color3f inputs:diffuseColor.connect = </Root/Materials/Red/Image.outputs:rgb>
            }
            def Shader "Image"
            {
                uniform token info:id = "UsdUVTexture"
                asset inputs:file = @0/red.png@
            }
        }
        def Material "Blue"
        {
        }
        def Material "Unused"
        {
        }
    }
    over "Elsewhere" { }
    def SkelRoot "Rig" { }
}
)usda";

	bool Has(const std::vector<std::string>& Lines, const std::string& Text)
	{
		return std::any_of(Lines.begin(), Lines.end(), [&](const std::string& Line) { return Line.find(Text) != std::string::npos; });
	}
}

TEST(UsdzPackage, RealPackagesListTheirEntriesAndBinaryLayers)
{
	const fs::path Dir = TestDataDir() / "usdz";
	const nlohmann::json Expected = nlohmann::json::parse(ReadFile(Dir / "expected.json"), nullptr, false);
	ASSERT_TRUE(Expected.is_array()) << "expected.json not found under " << Dir;
	ASSERT_EQ(Expected.size(), 4u);
	for (const nlohmann::json& Package : Expected)
	{
		const std::string Name = Package["file"];
		SCOPED_TRACE(Name);
		Usd::FUsdzPackage Zip;
		std::string Error;
		ASSERT_TRUE(Zip.Open((Dir / Name).string(), Error)) << Error;
		EXPECT_TRUE(Zip.GetRefusedNames().empty());
		ASSERT_EQ(Zip.GetEntries().size(), Package["entries"].size());
		int Layers = 0;
		for (size_t I = 0; I < Zip.GetEntries().size(); ++I)
		{
			const Usd::FPackageEntry& Entry = Zip.GetEntries()[I];
			EXPECT_EQ(Entry.Name, Package["entries"][I]["name_utf8"]);
			EXPECT_EQ(Entry.Size, Package["entries"][I]["uncompressed_size"].get<uint64_t>());
			std::vector<uint8_t> Bytes;
			ASSERT_TRUE(Zip.ReadEntry(Entry, Bytes, Error)) << Error;
			EXPECT_EQ(Bytes.size(), Entry.Size);
			if (Usd::IsLayerFile(Entry.Name))
			{
				++Layers;
				EXPECT_EQ(Usd::DetectLayerFormat(Bytes.data(), Bytes.size()), Usd::ELayerFormat::Binary);
				Usd::FBinaryLayerInfo Info;
				ASSERT_TRUE(Usd::ReadBinaryLayerHeader(Bytes, Info, Error)) << Error;
				EXPECT_EQ(Info.Major, 0);
				EXPECT_EQ(Info.Minor, 8);
				EXPECT_EQ(Info.Sections, (std::vector<std::string>{ "TOKENS", "STRINGS", "FIELDS", "FIELDSETS", "PATHS", "SPECS" }));
			}
			else
			{
				EXPECT_TRUE(Usd::IsImageFile(Entry.Name)) << Entry.Name;
			}
		}
		EXPECT_EQ(Layers, 1);
	}
}

TEST(UsdzPackage, UnsafeNamesDamagedEntriesAndForeignFilesAreRefused)
{
	FScratchDir Scratch;
	const fs::path File = Scratch.Path / "hostile.usdz";
	WriteFile(File, MakeStoredZip({ { "scene.usda", "#usda 1.0\n" }, { "../escape.png", "x" }, { "/abs.png", "x" }, { "a\\b.png", "x" },
		{ "ok/./x.png", "x" }, { "bad-crc.png", "pixels" }, { "0/fine.png", "pixels" } }, "bad-crc.png"));
	Usd::FUsdzPackage Package;
	std::string Error;
	ASSERT_TRUE(Package.Open(File.string(), Error)) << Error;
	std::vector<std::string> Names;
	for (const Usd::FPackageEntry& Entry : Package.GetEntries()) { Names.push_back(Entry.Name); }
	EXPECT_EQ(Names, (std::vector<std::string>{ "scene.usda", "bad-crc.png", "0/fine.png" }));
	EXPECT_EQ(Package.GetRefusedNames(), (std::vector<std::string>{ "../escape.png", "/abs.png", "a\\b.png", "ok/./x.png" }));
	std::vector<uint8_t> Bytes;
	EXPECT_FALSE(Package.ReadEntry(Package.GetEntries()[1], Bytes, Error));
	EXPECT_TRUE(Bytes.empty());
	EXPECT_FALSE(Error.empty());
	ASSERT_TRUE(Package.ReadEntry(Package.GetEntries()[2], Bytes, Error)) << Error;
	EXPECT_EQ(std::string(Bytes.begin(), Bytes.end()), "pixels");

	// Not a ZIP, an empty file, a package cut short.
	const std::string Real = ReadFile(TestDataDir() / "usdz/RoughnessTest.usdz");
	for (const auto& [Name, Content] : std::vector<std::pair<std::string, std::string>>{
			 { "text.usdz", "#usda 1.0\n" }, { "empty.usdz", "" }, { "cut.usdz", Real.substr(0, Real.size() - 30) } })
	{
		SCOPED_TRACE(Name);
		WriteFile(Scratch.Path / Name, Content);
		Usd::FUsdzPackage Broken;
		EXPECT_FALSE(Broken.Open((Scratch.Path / Name).string(), Error));
		EXPECT_FALSE(Error.empty());
	}

	// Binary layer headers that point outside the file.
	std::vector<uint8_t> Crate(24, 0);
	std::memcpy(Crate.data(), "PXR-USDC", 8);
	Crate[16] = 0xF0;
	Usd::FBinaryLayerInfo Info;
	EXPECT_FALSE(Usd::ReadBinaryLayerHeader(Crate, Info, Error));
	Crate.resize(8);
	EXPECT_FALSE(Usd::ReadBinaryLayerHeader(Crate, Info, Error));
}

TEST(UsdaReader, MeshesBecomeOneStaticMeshWithASlotPerBoundMaterial)
{
	Usd::FTextLayerDescription Layer;
	std::string Error;
	ASSERT_TRUE(Usd::ParseTextLayer(SampleLayer, Layer, Error)) << Error;

	ASSERT_EQ(Layer.Materials.size(), 3u);
	EXPECT_EQ(Layer.Materials[0].PrimPath, "/Root/Materials/Red");
	EXPECT_EQ(Layer.Materials[0].TextureAssets, (std::vector<std::string>{ "0/red.png" }));
	EXPECT_TRUE(Layer.Materials[1].TextureAssets.empty());

	const Usd::FStaticMeshDescription& Static = Layer.StaticMesh;
	EXPECT_EQ(Static.MeshPrimPaths, (std::vector<std::string>{ "/Root/Geo/Quad", "/Root/Turned" }));
	// The quad inherits Red from its Xform, its second face is Blue by subset; the turned
	// triangle is bound to nothing.
	EXPECT_EQ(Static.SlotNames, (std::vector<std::string>{ "Red", "Blue", "" }));
	EXPECT_EQ(Static.SlotMaterialPaths, (std::vector<std::string>{ "/Root/Materials/Red", "/Root/Materials/Blue", "" }));
	const UE::HeadlessEditor::FImportedMeshBuffers& Mesh = Static.Mesh;
	ASSERT_EQ(Mesh.Sections.size(), 3u);
	EXPECT_EQ(Mesh.Sections[0].NumTriangles, 2u); // the quad, fanned
	EXPECT_EQ(Mesh.Sections[1].NumTriangles, 1u);
	EXPECT_EQ(Mesh.Sections[2].NumTriangles, 1u);
	EXPECT_EQ(Mesh.NumVertices(), 4u + 3u + 3u); // one vertex per face corner

	// Translated by the parent Xform.
	EXPECT_FLOAT_EQ(Mesh.Positions[0], 10.0f);
	EXPECT_FLOAT_EQ(Mesh.Positions[3], 11.0f);
	// UVs through their indices, face-varying.
	ASSERT_EQ(Mesh.UVs.size(), 1u);
	EXPECT_EQ(std::vector<float>(Mesh.UVs[0].begin(), Mesh.UVs[0].begin() + 8), (std::vector<float>{ 0, 0, 1, 0, 1, 1, 0, 1 }));
	// The turned triangle: rotated 90 degrees about Z, and its left-handed winding reversed.
	const uint32_t First = Mesh.Sections[2].FirstIndex;
	const uint32_t A = Mesh.Indices[First], B = Mesh.Indices[First + 1], C = Mesh.Indices[First + 2];
	EXPECT_NEAR(Mesh.Positions[A * 3 + 0], 0.0f, 1e-6f);
	EXPECT_NEAR(Mesh.Positions[A * 3 + 1], 1.0f, 1e-6f);
	EXPECT_EQ(B, A + 2);
	EXPECT_EQ(C, A + 1);

	// What the reader leaves out is named.
	EXPECT_TRUE(Has(Layer.Warnings, "time samples (primvars:displayColor)"));
	EXPECT_TRUE(Has(Layer.Warnings, "over prims"));
	EXPECT_TRUE(Has(Layer.Warnings, "prims of type SkelRoot"));
}

TEST(UsdaReader, BadTextIsRefusedWithALineAndBadMeshesAreSkipped)
{
	Usd::FTextLayerDescription Layer;
	std::string Error;
	EXPECT_FALSE(Usd::ParseTextLayer("PXR-USDC", Layer, Error));
	EXPECT_FALSE(Usd::ParseTextLayer("#usda 1.0\ndef Mesh \"M\" {\n  int[] faceVertexCounts = [3\n", Layer, Error));
	EXPECT_NE(Error.find("line "), std::string::npos) << Error;
	EXPECT_FALSE(Usd::ParseTextLayer("#usda 1.0\ndef \"A\" { string s = \"open\n }", Layer, Error));
	EXPECT_FALSE(Usd::ParseTextLayer("#usda 1.0\ndef \"A\" {\n", Layer, Error));
	// Deep nesting is refused, not recursed into without end.
	std::string Deep = "#usda 1.0\n";
	for (int I = 0; I < 5000; ++I) { Deep += "def \"P\" {\n"; }
	EXPECT_FALSE(Usd::ParseTextLayer(Deep, Layer, Error));
	EXPECT_NE(Error.find("nested too deeply"), std::string::npos) << Error;
	std::string DeepValue = "#usda 1.0\ndef \"A\" { custom int[] x = " + std::string(5000, '[') + " }";
	EXPECT_FALSE(Usd::ParseTextLayer(DeepValue, Layer, Error));

	// Inconsistent meshes are skipped, each with its reason; the good one stays.
	const std::string Mixed = R"(#usda 1.0
def Mesh "Short" { int[] faceVertexCounts = [3, 3] int[] faceVertexIndices = [0, 1, 2] point3f[] points = [(0,0,0), (1,0,0), (0,1,0)] }
def Mesh "Out" { int[] faceVertexCounts = [3] int[] faceVertexIndices = [0, 1, 7] point3f[] points = [(0,0,0), (1,0,0), (0,1,0)] }
def Mesh "Negative" { int[] faceVertexCounts = [-3] int[] faceVertexIndices = [] point3f[] points = [] }
def Mesh "Huge" { int[] faceVertexCounts = [1e300] int[] faceVertexIndices = [0, 1, 2] point3f[] points = [(0,0,0), (1,0,0), (0,1,0)] }
def Mesh "Good" { int[] faceVertexCounts = [3] int[] faceVertexIndices = [0, 1, 2] point3f[] points = [(0,0,0), (1,0,0), (0,1,0)] }
)";
	ASSERT_TRUE(Usd::ParseTextLayer(Mixed, Layer, Error)) << Error;
	EXPECT_EQ(Layer.StaticMesh.MeshPrimPaths, (std::vector<std::string>{ "/Good" }));
	EXPECT_TRUE(Has(Layer.Warnings, "/Short: faceVertexCounts do not match"));
	EXPECT_TRUE(Has(Layer.Warnings, "/Out: faceVertexIndices out of range"));
	EXPECT_TRUE(Has(Layer.Warnings, "/Negative: faceVertexCounts do not match"));
	EXPECT_TRUE(Has(Layer.Warnings, "/Huge: mesh without readable points"));
	EXPECT_EQ(Layer.StaticMesh.Mesh.NumTriangles(), 1u);
}

TEST(UsdaReader, MangledLayersNeverBreakTheReader)
{
	// Text from a downloaded package is hostile input: thousands of damaged copies of a real layer
	// must each end in a result or a refusal, and any mesh read must be whole.
	uint64_t State = 0x9E3779B97F4A7C15ull;
	auto Next = [&State] { State ^= State << 13; State ^= State >> 7; State ^= State << 17; return State; };
	const std::string Base = SampleLayer;
	const char Punctuation[] = "[](){}<>@\"\\=,:-.e#";
	int Accepted = 0;
	for (int Round = 0; Round < 3000; ++Round)
	{
		std::string Text = Base;
		for (int Edit = 0, Edits = 1 + int(Next() % 4); Edit < Edits && !Text.empty(); ++Edit)
		{
			const size_t At = Next() % Text.size();
			switch (Next() % 4)
			{
			case 0: Text[At] = char(Text[At] ^ (1 << (Next() % 8))); break;
			case 1: Text.erase(At, Next() % 24); break;
			case 2: Text.insert(At, Text.substr(Next() % Text.size(), Next() % 24)); break;
			default: Text[At] = Punctuation[Next() % (sizeof(Punctuation) - 1)]; break;
			}
		}
		Usd::FTextLayerDescription Layer;
		std::string Error;
		if (!Usd::ParseTextLayer(Text, Layer, Error))
		{
			ASSERT_FALSE(Error.empty());
			continue;
		}
		++Accepted;
		const UE::HeadlessEditor::FImportedMeshBuffers& Mesh = Layer.StaticMesh.Mesh;
		ASSERT_EQ(Mesh.Normals.size(), Mesh.Positions.size());
		for (const auto& Channel : Mesh.UVs) { ASSERT_EQ(Channel.size(), size_t(Mesh.NumVertices()) * 2); }
		uint32_t Covered = 0;
		for (const auto& Section : Mesh.Sections)
		{
			ASSERT_LT(Section.MaterialIndex, Layer.StaticMesh.SlotNames.size());
			ASSERT_EQ(Section.FirstIndex, Covered);
			Covered += Section.NumTriangles * 3;
		}
		ASSERT_EQ(Covered, Mesh.Indices.size());
		for (uint32_t Index : Mesh.Indices) { ASSERT_LT(Index, Mesh.NumVertices()); }
	}
	EXPECT_GT(Accepted, 100) << "most single edits still leave a readable layer";
}

// ---------------------------------------------------------------------------------------------
// The assets ImportAssetsAutomated makes from USD files: all of them in a folder named after the
// file, under the destination, sorted into the USD Stage importer's type folders.

// The engine's USD importer is a plugin that is off by default; these tests switch it on.
class FUsdAssetImport : public FAssetImportTest
{
protected:
	void SetUp() override
	{
		FAssetImportTest::SetUp();
		UE::HeadlessEditor::RegisterUsdImporter();
	}
};

TEST_F(FUsdAssetImport, BinaryPackagesGiveTheirImagesAndSayWhatTheyLeaveOut)
{
	const std::vector<UObject*> Result = ToVector(Import(TestDataDir() / "usdz/RoughnessTest.usdz", "/Game/Usd"));
	ASSERT_EQ(Result.size(), 2u);
	UTexture2D* Png = Find<UTexture2D>(Result, "roughness-spec");
	UTexture2D* Tga = Find<UTexture2D>(Result, "roughness");
	ASSERT_NE(Png, nullptr);
	ASSERT_NE(Tga, nullptr);
	EXPECT_GT(Png->GetSizeX(), 0);
	EXPECT_GT(Tga->GetSizeX(), 0);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Png->GetOutermost()->GetName()), "/Game/Usd/RoughnessTest/Textures/roughness-spec");
	EXPECT_EQ(Listed(TEXT("/Game/Usd/RoughnessTest/Textures"), false).size(), 2u);
	EXPECT_EQ(Listed(TEXT("/Game/Usd"), true).size(), 2u);
	EXPECT_TRUE(Listed(TEXT("/Game/Usd"), false).empty()) << "nothing directly in the destination";
	EXPECT_TRUE(Listed(TEXT("/Game/Usd/RoughnessTest"), false).empty()) << "nothing directly in the file's folder";
	EXPECT_TRUE(Logged("binary USD layer RoughnessTest.usdc (crate 0.8.0) is not read by HeadlessEditor"));
	// The images were unpacked into a temporary folder that is gone again.
	EXPECT_FALSE(fs::exists(Project / "Saved/Temp/HeadlessImport") && !fs::is_empty(Project / "Saved/Temp/HeadlessImport"));

	// Packages with nothing readable import nothing and say so.
	for (const char* Name : { "AnimatedTriangle", "BoxAnimated", "RiggedSimple" })
	{
		SCOPED_TRACE(Name);
		EXPECT_TRUE(Import(TestDataDir() / "usdz" / (std::string(Name) + ".usdz"), "/Game/UsdEmpty").IsEmpty());
		EXPECT_TRUE(Logged(std::string("binary USD layer ") + Name + ".imported.usdc (crate 0.8.0) is not read"));
		EXPECT_TRUE(Logged(std::string("Nothing imported from ")));
	}
	EXPECT_TRUE(Listed(TEXT("/Game/UsdEmpty"), true).empty());
}

TEST_F(FUsdAssetImport, TextLayerMeshesBecomeAStaticMeshWithMaterialSlots)
{
	const std::string Png = ReadFile(TestDataDir() / "fbx/textures/checkerboard_diffuse.png");
	ASSERT_FALSE(Png.empty());
	const fs::path File = Files / "Sample.usdz";
	WriteFile(File, MakeStoredZip({ { "Sample.usda", SampleLayer }, { "0/red.png", Png }, { "notes.txt", "not an image" } }));
	const std::vector<UObject*> Result = ToVector(Import(File, "/Game/UsdText"));

	UStaticMesh* Mesh = Find<UStaticMesh>(Result, "Sample");
	ASSERT_NE(Mesh, nullptr);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Mesh->GetOutermost()->GetName()), "/Game/UsdText/Sample/StaticMeshes/Sample");
	ASSERT_EQ(Mesh->GetStaticMaterials().Num(), 3);
	EXPECT_EQ(Mesh->GetStaticMaterials()[0].MaterialSlotName, FName(TEXT("Red")));
	EXPECT_EQ(Mesh->GetStaticMaterials()[1].MaterialSlotName, FName(TEXT("Blue")));
	// The material Red and the texture red.png live in different type folders: no clash.
	// (Read from the package path: the object's FName shows the spelling "red" met first.)
	UMaterialInterface* Red = Mesh->GetStaticMaterials()[0].MaterialInterface.Get();
	ASSERT_NE(Red, nullptr);
	EXPECT_TRUE(Red->IsA<UMaterial>());
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Red->GetOutermost()->GetName()), "/Game/UsdText/Sample/Materials/Red");
	EXPECT_EQ(Mesh->GetStaticMaterials()[1].MaterialInterface.Get(), Find<UMaterial>(Result, "Blue"));
	EXPECT_EQ(Mesh->GetStaticMaterials()[2].MaterialInterface.Get(), nullptr) << "geometry bound to nothing";
	EXPECT_EQ(Find<UMaterial>(Result, "Unused"), nullptr);
	EXPECT_EQ(Mesh->GetNumTriangles(), 4);
	EXPECT_TRUE(FHeadlessAssets::MeshData(*Mesh).IsConsistent());
	UTexture2D* Texture = Find<UTexture2D>(Result, "red");
	ASSERT_NE(Texture, nullptr);
	EXPECT_EQ(Texture->GetSizeX(), 128);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Texture->GetOutermost()->GetName()), "/Game/UsdText/Sample/Textures/red");
	EXPECT_EQ(Result.size(), 4u);
	EXPECT_EQ(Listed(TEXT("/Game/UsdText/Sample/StaticMeshes"), false).size(), 1u);
	EXPECT_EQ(Listed(TEXT("/Game/UsdText/Sample/Materials"), false).size(), 2u);
	EXPECT_EQ(Listed(TEXT("/Game/UsdText/Sample/Textures"), false).size(), 1u);
	EXPECT_EQ(Listed(TEXT("/Game/UsdText"), true).size(), 4u);
	EXPECT_TRUE(Logged("time samples (primvars:displayColor)"));

	// The stage importer replaces what is there, whatever bReplaceExisting says: the same objects
	// come back, made anew.
	Mesh->SetMaterial(0, nullptr);
	const std::vector<UObject*> Again = ToVector(Import(File, "/Game/UsdText", false));
	EXPECT_EQ(Again.size(), 4u);
	EXPECT_EQ(Find<UStaticMesh>(Again, "Sample"), Mesh);
	EXPECT_EQ(Find<UTexture2D>(Again, "red"), Texture);
	EXPECT_EQ(Mesh->GetStaticMaterials()[0].MaterialInterface.Get(), Red) << "replaced";
	EXPECT_EQ(Listed(TEXT("/Game/UsdText"), true).size(), 4u) << "nothing numbered";
}

TEST_F(FUsdAssetImport, LooseTextLayerTakesTheImagesItsMaterialsName)
{
	WriteFile(Files / "Loose.usda", SampleLayer);
	WriteFile(Files / "0/red.png", ReadFile(TestDataDir() / "fbx/textures/checkerboard_diffuse.png"));
	const std::vector<UObject*> Result = ToVector(Import(Files / "Loose.usda", "/Game/UsdLoose"));
	EXPECT_NE(Find<UStaticMesh>(Result, "Loose"), nullptr);
	EXPECT_NE(Find<UTexture2D>(Result, "red"), nullptr);
	EXPECT_EQ(Listed(TEXT("/Game/UsdLoose/Loose"), true).size(), 4u);

	// A binary layer on its own: nothing readable, said plainly.
	fs::copy_file(TestDataDir() / "usdz/AnimatedTriangle.usdz", Files / "copy.zip");
	Usd::FUsdzPackage Package;
	std::string Error;
	ASSERT_TRUE(Package.Open((Files / "copy.zip").string(), Error));
	std::vector<uint8_t> Crate;
	ASSERT_TRUE(Package.ReadEntry(Package.GetEntries()[0], Crate, Error));
	WriteFile(Files / "Triangle.usdc", std::string(Crate.begin(), Crate.end()));
	EXPECT_TRUE(Import(Files / "Triangle.usdc", "/Game/UsdLoose").IsEmpty());
	EXPECT_TRUE(Logged("binary USD layer Triangle.usdc (crate 0.8.0) is not read"));
}

TEST_F(FUsdAssetImport, HostilePackagesStayInsideTheirFolder)
{
	const std::string Png = ReadFile(TestDataDir() / "fbx/textures/checkerboard_normal.png");
	const fs::path File = Files / "inside" / "Evil.usdz";
	WriteFile(File, MakeStoredZip({ { "Evil.usda", "#usda 1.0\n" }, { "../../escape.png", Png }, { "ok.png", Png } }));
	const std::vector<UObject*> Result = ToVector(Import(File, "/Game/UsdEvil"));
	EXPECT_NE(Find<UTexture2D>(Result, "ok"), nullptr);
	EXPECT_EQ(Find<UTexture2D>(Result, "escape"), nullptr);
	EXPECT_TRUE(Logged("entry '../../escape.png' skipped"));
	EXPECT_FALSE(fs::exists(Project / "Saved/escape.png"));
	EXPECT_FALSE(fs::exists(Project / "escape.png"));

	// Garbage under a USDZ name, and a text layer that does not parse.
	WriteFile(Files / "Garbage.usdz", "not a zip at all");
	EXPECT_TRUE(Import(Files / "Garbage.usdz", "/Game/UsdEvil").IsEmpty());
	EXPECT_TRUE(Logged("not a readable USDZ package"));
	WriteFile(Files / "Broken.usda", "#usda 1.0\ndef Mesh \"M\" {\n");
	EXPECT_TRUE(Import(Files / "Broken.usda", "/Game/UsdEvil").IsEmpty());
	EXPECT_TRUE(Logged("text layer Broken.usda cannot be read: line"));
}
