// UMaterialExpression: one node of a material's graph, with its position in the graph editor.
#pragma once

#include "UObject/Object.h"

class UMaterial;

// A link from a node's output into an input (of a material or of another node).
struct ENGINE_API FExpressionInput
{
	class UMaterialExpression* Expression = nullptr;
	int32 OutputIndex = 0;
	FName InputName;

	bool IsConnected() const { return Expression != nullptr; }
	void Connect(int32 InOutputIndex, class UMaterialExpression* InExpression)
	{
		OutputIndex = InOutputIndex;
		Expression = InExpression;
	}
};

// One named output of a node ("RGB", "R", ...); the first output has an empty name on some nodes.
struct ENGINE_API FExpressionOutput
{
	FName OutputName;
	int32 Mask = 0;
	int32 MaskR = 0;
	int32 MaskG = 0;
	int32 MaskB = 0;
	int32 MaskA = 0;

	FExpressionOutput() = default;
	FExpressionOutput(FName InOutputName, int32 InMask = 0, int32 InMaskR = 0, int32 InMaskG = 0, int32 InMaskB = 0, int32 InMaskA = 0)
		: OutputName(InOutputName), Mask(InMask), MaskR(InMaskR), MaskG(InMaskG), MaskB(InMaskB), MaskA(InMaskA) {}
};

class ENGINE_API UMaterialExpression : public UObject
{
	DECLARE_CLASS(UMaterialExpression, UObject, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	int32 MaterialExpressionEditorX = 0;
	int32 MaterialExpressionEditorY = 0;
	// The material whose graph holds this node.
	TObjectPtr<UMaterial> Material;

	// The node's outputs, in index order.
	virtual TArray<FExpressionOutput>& GetOutputs() { return Outputs; }

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

	TArray<FExpressionOutput> Outputs;

private:
	friend struct FHeadlessMaterials;
	// Problems that stop the node from compiling (an empty list when it compiles); the host's
	// stand-in for the engine's per-node Compile.
	virtual TArray<FString> GetCompileErrors() const { return {}; }
};
