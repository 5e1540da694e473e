// Console command `materials PATH`: a material's graph (nodes, textures, sampler types, links into
// the material's inputs) and whether it compiles. PATH names a material or a folder of them.
#include "Materials/Material.h"
#include "Materials/MaterialExpression.h"
#include "Materials/MaterialExpressionTextureBase.h"
#include "Engine/Texture.h"
#include "AssetRegistry/AssetRegistryModule.h"
#include "UObject/UObjectGlobals.h"
#include "Misc/PackageName.h"
#include "Modules/ModuleManager.h"

#include "ConsoleCommands.h"
#include "MaterialHost.h"

namespace
{
	using namespace UE::HeadlessEditor;

	void PrintMaterial(UMaterial* Material)
	{
		const TConstArrayView<TObjectPtr<UMaterialExpression>> Nodes = Material->GetExpressions();
		int32 NumNodes = 0;
		for (const TObjectPtr<UMaterialExpression>& Node : Nodes) { NumNodes += Node ? 1 : 0; }
		ConsolePrint(FString::Printf(TEXT("%s  %d node(s)"), *Material->GetPathName(), NumNodes));
		for (const TObjectPtr<UMaterialExpression>& Node : Nodes)
		{
			if (!Node) { continue; }
			FString Line = FString::Printf(TEXT("  node %s  %s  at (%d, %d)"), *Node->GetName(), *Node->GetClass()->GetName(),
				Node->MaterialExpressionEditorX, Node->MaterialExpressionEditorY);
			if (const UMaterialExpressionTextureBase* Sample = Cast<UMaterialExpressionTextureBase>(Node.Get()))
			{
				Line += FString::Printf(TEXT("  texture %s  sampler %s"), Sample->Texture ? *Sample->Texture->GetPathName() : TEXT("(none)"),
					*FHeadlessMaterials::GetSamplerTypeDisplayName(Sample->SamplerType));
				if (Sample->Texture)
				{
					Line += FString::Printf(TEXT(" (texture: compression %d, %s)"), static_cast<int32>(Sample->Texture->CompressionSettings.GetValue()),
						Sample->Texture->SRGB ? TEXT("sRGB") : TEXT("linear"));
				}
			}
			ConsolePrint(Line);
		}
		for (int32 Property = 0; Property < MP_MAX; ++Property)
		{
			const FExpressionInput* Input = Material->GetExpressionInputForProperty(static_cast<EMaterialProperty>(Property));
			if (!Input || !Input->Expression) { continue; }
			TArray<FExpressionOutput>& Outputs = Input->Expression->GetOutputs();
			const FString OutputName = Outputs.IsValidIndex(Input->OutputIndex) ? Outputs[Input->OutputIndex].OutputName.ToString() : FString::Printf(TEXT("#%d (missing)"), Input->OutputIndex);
			ConsolePrint(FString::Printf(TEXT("  input %s <- %s.%s"), FHeadlessMaterials::GetMaterialPropertyName(static_cast<EMaterialProperty>(Property)),
				*Input->Expression->GetName(), *OutputName));
		}
		const TArray<FString> Errors = FHeadlessMaterials::CheckGraph(*Material);
		if (Errors.Num() == 0) { ConsolePrint(TEXT("  compile: OK")); }
		else
		{
			ConsolePrint(FString::Printf(TEXT("  compile: %d error(s)"), Errors.Num()));
			for (const FString& Error : Errors) { ConsolePrint(TEXT("    ") + Error); }
		}
	}

	void ListMaterials(const TArray<FString>& Args)
	{
		if (Args.Num() != 1) { ConsolePrint(TEXT("usage: materials PATH   (a material such as /Game/A/M_Wood, or a folder)")); return; }
		FString Path = Args[0];
		while (Path.Len() > 1 && Path.EndsWith(TEXT("/"))) { Path.LeftChopInline(1); }
		if (!Path.StartsWith(TEXT("/")) || Path.StartsWith(TEXT("/Script/")))
		{
			ConsolePrint(FString::Printf(TEXT("'%s' is not a content path (e.g. /Game/Folder/M_Material)"), *Path));
			return;
		}
		if (UMaterial* Material = LoadObject<UMaterial>(nullptr, *Path, nullptr, LOAD_Quiet))
		{
			PrintMaterial(Material);
			return;
		}
		IAssetRegistry& Registry = FModuleManager::LoadModuleChecked<FAssetRegistryModule>(FName(TEXT("AssetRegistry"))).Get();
		if (FPackageName::IsValidPath(Path)) { Registry.ScanPathsSynchronous({ Path }, false); }
		TArray<FAssetData> Assets;
		Registry.GetAssetsByPath(FName(Path), Assets, true, false);
		int32 Count = 0;
		for (const FAssetData& Data : Assets)
		{
			if (Data.AssetClassPath != UMaterial::StaticClass()->GetClassPathName()) { continue; }
			if (UMaterial* Material = Cast<UMaterial>(Data.GetAsset()))
			{
				PrintMaterial(Material);
				++Count;
			}
		}
		ConsolePrint(Count > 0 ? FString::Printf(TEXT("%d material(s)"), Count) : FString::Printf(TEXT("(no material at or under %s)"), *Path));
	}

	const bool GRegistered = [] {
		RegisterConsoleCommand(TEXT("materials"), TEXT("materials PATH"), TEXT("print a material's graph (nodes, textures, sampler types, links) and its compile result; PATH may be a folder"), ListMaterials);
		return true;
	}();
}
