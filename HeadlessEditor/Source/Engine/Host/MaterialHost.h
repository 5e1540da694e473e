// What the headless editor does with material graphs beyond the engine's public API: adding a
// node (the material editing library and the material factory do it), the names of material
// inputs, and the graph check that stands in for the engine's shader compile, with its result.
#pragma once

#include "Materials/Material.h"
#include "Materials/MaterialExpressionTextureBase.h"

struct ENGINE_API FHeadlessMaterials
{
	// Adds a node made with this material as its outer (nothing happens for a null node or one
	// already in the graph).
	static void AddExpression(UMaterial& Material, UMaterialExpression* Expression);
	// The input's name as the material editor shows it ("BaseColor"), or null.
	static const TCHAR* GetMaterialPropertyName(EMaterialProperty Property);
	// "Color", "Linear Color", "Normal", ... as the engine's sampler-type enumeration displays them.
	static FString GetSamplerTypeDisplayName(EMaterialSamplerType SamplerType);

	// The problems that keep the graph from compiling, without logging them.
	static TArray<FString> CheckGraph(const UMaterial& Material);
	// The problems of one node (an empty list when it compiles).
	static TArray<FString> GetCompileErrors(const UMaterialExpression& Expression);
	// The result of the material's last compile (PostEditChange); false after loading.
	static bool HasBeenCompiled(const UMaterial& Material);
	static const TArray<FString>& GetCompileErrors(const UMaterial& Material);
};
