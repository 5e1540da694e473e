// Materials edited as the plugin does (factory, nodes, links, recompile): a sound graph compiles
// clean, each unfit sampler type, missing output and missing texture is an error on LogMaterial,
// and the graph survives a save and a restart.
#include "EditingTestSupport.h"

#include "Engine/StaticMesh.h"
#include "ObjectTools.h"

#include "ConsoleCommands.h"
#include "HeadlessString.h"
#include "MaterialHost.h"

using namespace AssetTest;
using namespace EditingTest;

namespace
{
	class MaterialTest : public FProjectTest
	{
	protected:
		int32 LoggedMaterialErrors()
		{
			std::lock_guard<std::mutex> Lock(LogMutex);
			return static_cast<int32>(std::count_if(Log.begin(), Log.end(), [](const std::string& Line) {
				return Line.find("LogMaterial: Error:") != std::string::npos;
			}));
		}
	};

	void ExpectPbrGraph(UMaterial* Material, const FString& Folder)
	{
		const TConstArrayView<TObjectPtr<UMaterialExpression>> Nodes = Material->GetExpressions();
		ASSERT_EQ(Nodes.Num(), 3);
		const int32 Y[] = { -200, 100, 300 };
		const EMaterialSamplerType Types[] = { SAMPLERTYPE_Color, SAMPLERTYPE_Normal, SAMPLERTYPE_Masks };
		const TCHAR* Textures[] = { TEXT("/Textures/T_Base.T_Base"), TEXT("/Textures/T_Normal.T_Normal"), TEXT("/Textures/T_MR.T_MR") };
		for (int32 I = 0; I < 3; ++I)
		{
			auto* Node = Cast<UMaterialExpressionTextureSample>(Nodes[I].Get());
			ASSERT_NE(Node, nullptr) << I;
			EXPECT_EQ(Node->GetOuter(), Material);
			EXPECT_EQ(Node->MaterialExpressionEditorX, -400);
			EXPECT_EQ(Node->MaterialExpressionEditorY, Y[I]);
			EXPECT_EQ(Node->SamplerType.GetValue(), Types[I]);
			ASSERT_NE(Node->Texture, nullptr);
			EXPECT_EQ(Node->Texture->GetPathName(), Folder + Textures[I]);
		}
		auto Link = [Material](EMaterialProperty Property) { return Material->GetExpressionInputForProperty(Property); };
		EXPECT_EQ(Link(MP_BaseColor)->Expression, Nodes[0].Get());
		EXPECT_EQ(Link(MP_BaseColor)->OutputIndex, 0);   // "RGB"
		EXPECT_EQ(Link(MP_Normal)->Expression, Nodes[1].Get());
		EXPECT_EQ(Link(MP_Normal)->OutputIndex, 0);
		EXPECT_EQ(Link(MP_Roughness)->Expression, Nodes[2].Get());
		EXPECT_EQ(Link(MP_Roughness)->OutputIndex, 2);   // "G"
		EXPECT_EQ(Link(MP_Metallic)->Expression, Nodes[2].Get());
		EXPECT_EQ(Link(MP_Metallic)->OutputIndex, 3);    // "B"
		for (EMaterialProperty Other : { MP_EmissiveColor, MP_Opacity, MP_Specular, MP_Anisotropy })
		{
			EXPECT_FALSE(Link(Other)->IsConnected()) << UE::HeadlessEditor::ToUtf8(FString(FHeadlessMaterials::GetMaterialPropertyName(Other)));
		}
	}
}

TEST_F(MaterialTest, GraphBuiltThroughTheLibraryCompilesClean)
{
	UMaterial* Material = BuildPbr(TEXT("/Game/Chair"));
	ASSERT_NE(Material, nullptr);
	EXPECT_EQ(Material->GetPathName(), "/Game/Chair/M_Pbr.M_Pbr");
	EXPECT_TRUE(Material->HasAnyFlags(RF_Public | RF_Standalone));
	EXPECT_TRUE(Material->GetOutermost()->IsDirty());
	ExpectPbrGraph(Material, TEXT("/Game/Chair"));
	EXPECT_TRUE(Material->GetExpressions()[0]->GetName().StartsWith(TEXT("MaterialExpressionTextureSample_")));

	ClearLog();
	UMaterialEditingLibrary::RecompileMaterial(Material);
	EXPECT_TRUE(FHeadlessMaterials::HasBeenCompiled(*Material));
	EXPECT_TRUE(FHeadlessMaterials::GetCompileErrors(*Material).IsEmpty()) << UE::HeadlessEditor::ToUtf8(FHeadlessMaterials::GetCompileErrors(*Material)[0]);
	EXPECT_EQ(LoggedMaterialErrors(), 0);
	EXPECT_TRUE(Logged("Compiled Material /Game/Chair/M_Pbr.M_Pbr: 3 node(s), no errors"));

	int32 X = 0, Y = 0;
	UMaterialEditingLibrary::GetMaterialExpressionNodePosition(Material->GetExpressions()[2], X, Y);
	EXPECT_EQ(X, -400);
	EXPECT_EQ(Y, 300);
}

TEST_F(MaterialTest, LinearOnlyCompressionClearsSRGBAndANormalSamplerNeedsItOff)
{
	// After an edit, compressions that hold linear data turn sRGB off; colour ones keep it.
	const TextureCompressionSettings LinearOnly[] = { TC_Normalmap, TC_Masks, TC_Alpha, TC_HDR, TC_HalfFloat };
	for (TextureCompressionSettings Compression : LinearOnly)
	{
		EXPECT_FALSE(MakeTexture(*FString::Printf(TEXT("/Game/Linear%d/T_Map"), int32(Compression)), Compression, true)->SRGB) << int32(Compression);
	}
	EXPECT_TRUE(MakeTexture(TEXT("/Game/Colour/T_Map"), TC_Default, true)->SRGB);
	EXPECT_TRUE(MakeTexture(TEXT("/Game/Grey/T_Map"), TC_Grayscale, true)->SRGB);

	// A normal map whose sRGB flag was set again without an edit: the right sampler type still fails.
	UTexture2D* Texture = MakeTexture(TEXT("/Game/StillSRGB/T_Normal"), TC_Normalmap, false);
	Texture->SRGB = true;
	UMaterial* Material = NewMaterial(TEXT("/Game/StillSRGB/M_Case"));
	ASSERT_NE(Material, nullptr);
	auto* Node = AddSample(Material, Texture, 0, 0);
	Node->SamplerType = SAMPLERTYPE_Normal;
	UMaterialEditingLibrary::ConnectMaterialProperty(Node, TEXT("RGB"), MP_Normal);
	ClearLog();
	UMaterialEditingLibrary::RecompileMaterial(Material);
	ASSERT_EQ(FHeadlessMaterials::GetCompileErrors(*Material).Num(), 1);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FHeadlessMaterials::GetCompileErrors(*Material)[0]),
		"(Node " + UE::HeadlessEditor::ToUtf8(Node->GetName()) + ") To use 'Normal' as sampler type, SRGB must be disabled for /Game/StillSRGB/T_Normal.T_Normal");
	EXPECT_EQ(LoggedMaterialErrors(), 1);
}

TEST_F(MaterialTest, EachSamplerTypeThatDoesNotFitItsTextureIsAnError)
{
	struct FCase
	{
		const char* What;
		TextureCompressionSettings Compression;
		bool bSRGB;
		EMaterialSamplerType Wrong;
		EMaterialSamplerType Right;
		const char* Message;
	};
	const FCase Cases[] = {
		{ "Color on a linear texture", TC_Default, false, SAMPLERTYPE_Color, SAMPLERTYPE_LinearColor, "Sampler type is Color, should be Linear Color for " },
		{ "Normal on a plain sRGB texture", TC_Default, true, SAMPLERTYPE_Normal, SAMPLERTYPE_Color, "Sampler type is Normal, should be Color for " },
		{ "Normal on a masks texture", TC_Masks, false, SAMPLERTYPE_Normal, SAMPLERTYPE_Masks, "Sampler type is Normal, should be Masks for " },
		{ "Color on a normal map", TC_Normalmap, true, SAMPLERTYPE_Color, SAMPLERTYPE_Normal, "Sampler type is Color, should be Normal for " },
		{ "Masks on an sRGB texture", TC_Default, true, SAMPLERTYPE_Masks, SAMPLERTYPE_Color, "Sampler type is Masks, should be Color for " },
		{ "Linear Color on an sRGB texture", TC_Default, true, SAMPLERTYPE_LinearColor, SAMPLERTYPE_Color, "Sampler type is Linear Color, should be Color for " },
	};
	int32 Index = 0;
	for (const FCase& Case : Cases)
	{
		SCOPED_TRACE(Case.What);
		const FString Folder = FString::Printf(TEXT("/Game/Case%d"), Index++);
		UTexture2D* Texture = MakeTexture(*(Folder + TEXT("/T_Map")), Case.Compression, Case.bSRGB);
		UMaterial* Material = NewMaterial(*(Folder + TEXT("/M_Case")));
		ASSERT_NE(Material, nullptr);
		auto* Node = AddSample(Material, Texture, 0, 0);
		Node->SamplerType = Case.Wrong;
		UMaterialEditingLibrary::ConnectMaterialProperty(Node, TEXT("RGB"), MP_BaseColor);

		ClearLog();
		UMaterialEditingLibrary::RecompileMaterial(Material);
		ASSERT_EQ(FHeadlessMaterials::GetCompileErrors(*Material).Num(), 1);
		const std::string Error = UE::HeadlessEditor::ToUtf8(FHeadlessMaterials::GetCompileErrors(*Material)[0]);
		EXPECT_NE(Error.find(std::string(Case.Message) + UE::HeadlessEditor::ToUtf8((Folder + TEXT("/T_Map.T_Map")))), std::string::npos) << Error;
		EXPECT_EQ(LoggedMaterialErrors(), 1);
		EXPECT_TRUE(Logged("LogMaterial: Error: " + UE::HeadlessEditor::ToUtf8((Folder + TEXT("/M_Case.M_Case"))) + ": (Node " + UE::HeadlessEditor::ToUtf8(Node->GetName()) + ") " + Case.Message));
		EXPECT_TRUE(Logged("Failed to compile Material " + UE::HeadlessEditor::ToUtf8((Folder + TEXT("/M_Case.M_Case")))));

		// The fitting sampler type compiles the same texture clean.
		Node->SamplerType = Case.Right;
		ClearLog();
		UMaterialEditingLibrary::RecompileMaterial(Material);
		EXPECT_TRUE(FHeadlessMaterials::GetCompileErrors(*Material).IsEmpty());
		EXPECT_EQ(LoggedMaterialErrors(), 0);
		Node->AutoSetSampleType();
		EXPECT_EQ(Node->SamplerType.GetValue(), Case.Right);
	}
}

TEST_F(MaterialTest, MissingOutputsAndMissingTexturesAreReported)
{
	UTexture2D* Texture = MakeTexture(TEXT("/Game/Bad/T_Base"), TC_Default, true);
	UMaterial* Material = NewMaterial(TEXT("/Game/Bad/M_Bad"));
	ASSERT_NE(Material, nullptr);
	auto* Node = AddSample(Material, Texture, 10, 20);

	// An output the node does not have is refused, and the input stays as it was.
	ClearLog();
	EXPECT_FALSE(UMaterialEditingLibrary::ConnectMaterialProperty(Node, TEXT("Q"), MP_Roughness));
	EXPECT_FALSE(Material->GetExpressionInputForProperty(MP_Roughness)->IsConnected());
	EXPECT_TRUE(Logged("has no output 'Q'; Roughness is left as it was"));
	// "" is the first output; names are matched without regard to case.
	EXPECT_TRUE(UMaterialEditingLibrary::ConnectMaterialProperty(Node, TEXT(""), MP_BaseColor));
	EXPECT_EQ(Material->GetExpressionInputForProperty(MP_BaseColor)->OutputIndex, 0);
	EXPECT_TRUE(UMaterialEditingLibrary::ConnectMaterialProperty(Node, TEXT("a"), MP_Opacity));
	EXPECT_EQ(Material->GetExpressionInputForProperty(MP_Opacity)->OutputIndex, 4);
	EXPECT_FALSE(UMaterialEditingLibrary::ConnectMaterialProperty(Node, TEXT("RGB"), MP_MAX));

	// A link to an output past the node's last, and one from another material's node.
	Material->GetExpressionInputForProperty(MP_Metallic)->Connect(9, Node);
	UMaterial* Other = NewMaterial(TEXT("/Game/Bad/M_Other"));
	auto* Foreign = AddSample(Other, Texture, 0, 0);
	Material->GetExpressionInputForProperty(MP_Specular)->Connect(0, Foreign);
	// A sample without a texture.
	auto* Empty = AddSample(Material, nullptr, 0, 0);
	UMaterialEditingLibrary::ConnectMaterialProperty(Empty, TEXT("R"), MP_Roughness);

	ClearLog();
	UMaterialEditingLibrary::RecompileMaterial(Material);
	const TArray<FString>& Errors = FHeadlessMaterials::GetCompileErrors(*Material);
	ASSERT_EQ(Errors.Num(), 3);
	EXPECT_EQ(Errors[0], TEXT("(Node ") + Empty->GetName() + TEXT(") Missing input texture"));
	EXPECT_EQ(Errors[1], TEXT("(Input Metallic) connected to output 9 of node ") + Node->GetName() + TEXT(", which has 6 output(s)"));
	EXPECT_EQ(Errors[2], TEXT("(Input Specular) connected to node /Game/Bad/M_Other.M_Other:") + Foreign->GetName() + TEXT(", which is not in this material's graph"));
	EXPECT_EQ(LoggedMaterialErrors(), 3);

	// No material, or a class that is not a concrete node, makes no node.
	EXPECT_EQ(UMaterialEditingLibrary::CreateMaterialExpression(nullptr, UMaterialExpressionTextureSample::StaticClass()), nullptr);
	EXPECT_EQ(UMaterialEditingLibrary::CreateMaterialExpression(Material, UMaterialExpression::StaticClass()), nullptr);
	EXPECT_EQ(UMaterialEditingLibrary::CreateMaterialExpression(Material, UStaticMesh::StaticClass()), nullptr);
	EXPECT_EQ(Material->GetExpressions().Num(), 2);
}

TEST_F(MaterialTest, TheGraphIsSavedAndLoadedBackAlsoAfterANodeIsDeleted)
{
	UMaterial* Material = BuildPbr(TEXT("/Game/Saved"));
	ASSERT_NE(Material, nullptr);
	for (const TCHAR* Texture : { TEXT("/Game/Saved/Textures/T_Base.T_Base"), TEXT("/Game/Saved/Textures/T_Normal.T_Normal"), TEXT("/Game/Saved/Textures/T_MR.T_MR") })
	{
		ASSERT_TRUE(Save(FindObject<UTexture2D>(nullptr, Texture)));
	}
	ASSERT_TRUE(Save(Material));
	EXPECT_FALSE(Material->GetOutermost()->IsDirty());

	Restart();
	UMaterial* Loaded = LoadObject<UMaterial>(nullptr, TEXT("/Game/Saved/M_Pbr.M_Pbr"));
	ASSERT_NE(Loaded, nullptr);
	ExpectPbrGraph(Loaded, TEXT("/Game/Saved"));
	EXPECT_FALSE(FHeadlessMaterials::HasBeenCompiled(*Loaded));
	ClearLog();
	UMaterialEditingLibrary::RecompileMaterial(Loaded);
	EXPECT_TRUE(FHeadlessMaterials::GetCompileErrors(*Loaded).IsEmpty());
	EXPECT_EQ(LoggedMaterialErrors(), 0);
	// The loaded graph is editable like a new one.
	auto* Extra = AddSample(Loaded, nullptr, 5, 6);
	ASSERT_NE(Extra, nullptr);
	for (int32 I = 0; I < 3; ++I) { EXPECT_NE(Extra->GetName(), Loaded->GetExpressions()[I]->GetName()); }
	EXPECT_EQ(Loaded->GetExpressions().Num(), 4);

	// A deleted node leaves the graph and its links, and stays gone after a save and a restart.
	ASSERT_TRUE(ObjectTools::DeleteSingleObject(Extra, false));
	Loaded->GetOutermost()->SetDirtyFlag(false);
	ASSERT_TRUE(ObjectTools::DeleteSingleObject(Loaded->GetExpressions()[1], false));
	EXPECT_FALSE(Loaded->GetExpressionInputForProperty(MP_Normal)->IsConnected());
	EXPECT_TRUE(Loaded->GetExpressionInputForProperty(MP_BaseColor)->IsConnected());
	EXPECT_TRUE(Loaded->GetOutermost()->IsDirty());
	UMaterialEditingLibrary::RecompileMaterial(Loaded);
	EXPECT_TRUE(FHeadlessMaterials::GetCompileErrors(*Loaded).IsEmpty());
	ASSERT_TRUE(Save(Loaded));
	Restart();
	UMaterial* Cut = LoadObject<UMaterial>(nullptr, TEXT("/Game/Saved/M_Pbr.M_Pbr"));
	ASSERT_NE(Cut, nullptr);
	ASSERT_EQ(Cut->GetExpressions().Num(), 2);
	EXPECT_NE(Cut->GetExpressions()[0], nullptr);
	EXPECT_NE(Cut->GetExpressions()[1], nullptr);
	EXPECT_FALSE(Cut->GetExpressionInputForProperty(MP_Normal)->IsConnected());
	EXPECT_EQ(Cut->GetExpressionInputForProperty(MP_Metallic)->OutputIndex, 3);
}

TEST_F(MaterialTest, TheFactoryReplacesAMaterialOfTheSameNameInsteadOfAddingOne)
{
	UMaterial* First = BuildPbr(TEXT("/Game/Again"));
	ASSERT_NE(First, nullptr);
	ASSERT_EQ(First->GetExpressions().Num(), 3);
	UMaterial* Second = NewMaterial(TEXT("/Game/Again/M_Pbr"));
	EXPECT_EQ(Second, First);
	EXPECT_TRUE(Second->GetExpressions().IsEmpty());
	EXPECT_FALSE(Second->GetExpressionInputForProperty(MP_BaseColor)->IsConnected());
	EXPECT_EQ(Listed(TEXT("/Game/Again"), false), std::vector<std::string>{ "/Game/Again/M_Pbr.M_Pbr Material" });

	// Another class under that name: no material, and the other object stays.
	UStaticMesh* Mesh = MakeAsset<UStaticMesh>(TEXT("/Game/Again/SM_Taken"));
	EXPECT_EQ(NewMaterial(TEXT("/Game/Again/SM_Taken")), nullptr);
	EXPECT_TRUE(IsValid(Mesh));
	// A class that is not a material.
	UMaterialFactoryNew* Factory = NewObject<UMaterialFactoryNew>(GetTransientPackage());
	EXPECT_EQ(Factory->FactoryCreateNew(UStaticMesh::StaticClass(), CreatePackage(TEXT("/Game/Again/X")), FName(TEXT("X")), RF_Public, nullptr, GWarn), nullptr);
}

TEST_F(MaterialTest, TheConsolePrintsAGraphAndItsCompileResult)
{
	UMaterial* Material = BuildPbr(TEXT("/Game/Shown"));
	ASSERT_NE(Material, nullptr);
	auto* Bad = Cast<UMaterialExpressionTextureSample>(Material->GetExpressions()[2].Get());
	Bad->SamplerType = SAMPLERTYPE_Color;
	auto Run = [](const TCHAR* Line) {
		testing::internal::CaptureStdout();
		EXPECT_TRUE(UE::HeadlessEditor::ExecuteConsoleCommand(Line));
		return testing::internal::GetCapturedStdout();
	};
	const std::string One = Run(TEXT("materials /Game/Shown/M_Pbr"));
	const std::string First = UE::HeadlessEditor::ToUtf8(Material->GetExpressions()[0]->GetName());
	EXPECT_NE(One.find("/Game/Shown/M_Pbr.M_Pbr  3 node(s)"), std::string::npos) << One;
	EXPECT_NE(One.find("node " + First + "  MaterialExpressionTextureSample  at (-400, -200)  texture /Game/Shown/Textures/T_Base.T_Base  sampler Color"), std::string::npos) << One;
	EXPECT_NE(One.find("input BaseColor <- " + First + ".RGB"), std::string::npos) << One;
	EXPECT_NE(One.find("input Metallic <- " + UE::HeadlessEditor::ToUtf8(Bad->GetName()) + ".B"), std::string::npos) << One;
	EXPECT_NE(One.find("compile: 1 error(s)"), std::string::npos) << One;
	EXPECT_NE(One.find("Sampler type is Color, should be Masks for /Game/Shown/Textures/T_MR.T_MR"), std::string::npos) << One;

	Bad->SamplerType = SAMPLERTYPE_Masks;
	const std::string Folder = Run(TEXT("materials /Game/Shown/"));
	EXPECT_NE(Folder.find("compile: OK"), std::string::npos) << Folder;
	EXPECT_NE(Folder.find("1 material(s)"), std::string::npos) << Folder;
	EXPECT_NE(Run(TEXT("materials /Game/Nowhere")).find("(no material at or under /Game/Nowhere)"), std::string::npos);
}
