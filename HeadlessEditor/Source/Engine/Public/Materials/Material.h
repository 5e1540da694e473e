// UMaterial: a material asset and its expression graph (nodes, and which node output feeds each
// material input). Recompiling (PostEditChange) checks the graph and logs each problem.
#pragma once

#include "Materials/MaterialInterface.h"
#include "Materials/MaterialExpression.h"
#include "SceneTypes.h"

class UTexture;

class ENGINE_API UMaterial : public UMaterialInterface
{
	DECLARE_CLASS(UMaterial, UMaterialInterface, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	UMaterial* GetMaterial() override { return this; }

#if WITH_EDITORONLY_DATA
	// The graph's nodes, in the order they were added.
	TConstArrayView<TObjectPtr<UMaterialExpression>> GetExpressions() const { return Expressions; }
#endif
#if WITH_EDITOR
	// The link into a material input; null for a property the material does not have.
	FExpressionInput* GetExpressionInputForProperty(EMaterialProperty InProperty);

	// Compiles the graph, as the engine does after an edit: each problem is an error on LogMaterial.
	void PostEditChangeProperty(FPropertyChangedEvent& PropertyChangedEvent) override;
#endif

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	// Graph editing and compile results for the host (Engine/Host/MaterialHost.h).
	friend struct FHeadlessMaterials;

	TArray<TObjectPtr<UMaterialExpression>> Expressions;
	FExpressionInput PropertyInputs[MP_MAX];
	bool bCompiled = false;
	TArray<FString> CompileErrors;
};
