// UMaterial: a material asset and its expression graph (nodes, and which node output feeds each
// material input). Recompiling (PostEditChange) checks the graph and logs each problem.
#pragma once

#include "Materials/MaterialInterface.h"
#include "Materials/MaterialExpression.h"
#include "SceneTypes.h"

class UTexture;

class ENGINE_API UMaterial : public UMaterialInterface
{
	DECLARE_HEADLESS_CLASS(UMaterial, UMaterialInterface)

	UMaterial* GetMaterial() override { return this; }

	// The graph's nodes, in the order they were added.
	const TArray<TObjectPtr<UMaterialExpression>>& GetExpressions() const { return Expressions; }
	// The link into a material input; null for a property the material does not have.
	FExpressionInput* GetExpressionInputForProperty(EMaterialProperty InProperty);

	// Stand-in: adds a node made with this material as its outer (material editing does this).
	void AddExpression(UMaterialExpression* Expression);
	// Stand-in: the input's name as the material editor shows it ("BaseColor"), or null.
	static const TCHAR* GetMaterialPropertyName(EMaterialProperty InProperty);

	// Stand-in: the problems that keep the graph from compiling, without logging them.
	TArray<FString> CheckGraph() const;
	// Stand-in: the result of the last compile (PostEditChange).
	bool HasBeenCompiled() const { return bCompiled; }
	const TArray<FString>& GetCompileErrors() const { return CompileErrors; }

#if WITH_EDITOR
	// Compiles the graph, as the engine does after an edit: each problem is an error on LogMaterial.
	void PostEditChangeProperty(FPropertyChangedEvent& PropertyChangedEvent) override;
#endif
	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	TArray<TObjectPtr<UMaterialExpression>> Expressions;
	FExpressionInput PropertyInputs[MP_MAX];
	bool bCompiled = false;
	TArray<FString> CompileErrors;
};
