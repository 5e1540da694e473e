// UMaterialEditingLibrary: editing a material's graph from code.
#pragma once

#include "CoreMinimal.h"
#include "Kismet/BlueprintFunctionLibrary.h"
#include "Templates/SubclassOf.h"
#include "SceneTypes.h"

class UMaterial;
class UMaterialExpression;

class MATERIALEDITOR_API UMaterialEditingLibrary : public UBlueprintFunctionLibrary
{
	DECLARE_CLASS(UMaterialEditingLibrary, UBlueprintFunctionLibrary, CLASS_None, CASTCLASS_None, TEXT("/Script/MaterialEditor"), MATERIALEDITOR_API)

	// Adds a node of the class to the material's graph at (NodePosX, NodePosY) and returns it; null
	// (with a warning) for no material or a class that is not a concrete expression class.
	static UMaterialExpression* CreateMaterialExpression(UMaterial* Material, TSubclassOf<UMaterialExpression> ExpressionClass, int32 NodePosX = 0, int32 NodePosY = 0);
	// Links the node's named output ("" for the first) to a material input. False, and nothing
	// linked, when the node is not in a material or has no such output.
	static bool ConnectMaterialProperty(UMaterialExpression* FromExpression, FString FromOutputName, EMaterialProperty Property);
	// Compiles the material again: each problem of its graph is logged on LogMaterial.
	static void RecompileMaterial(UMaterial* Material);
	static void GetMaterialExpressionNodePosition(UMaterialExpression* MaterialExpression, int32& NodePosX, int32& NodePosY);
};
