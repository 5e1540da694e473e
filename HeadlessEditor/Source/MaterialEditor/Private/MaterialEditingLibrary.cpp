#include "MaterialEditingLibrary.h"
#include "Materials/Material.h"
#include "Materials/MaterialExpression.h"
#include "Materials/MaterialExpressionTextureBase.h"
#include "UObject/UObjectGlobals.h"
#include "HeadlessClass.h"
#include "MaterialHost.h"

DEFINE_LOG_CATEGORY_STATIC(LogMaterialEditingLibrary, Log, All);

IMPLEMENT_HEADLESS_CLASS(UMaterialEditingLibrary, MaterialEditor, CLASS_None)

namespace
{
	// The output an input links to: the first for "", else the one named (case-insensitive).
	int32 FindOutputIndex(UMaterialExpression* Expression, const FString& OutputName)
	{
		TArray<FExpressionOutput>& Outputs = Expression->GetOutputs();
		if (OutputName.IsEmpty()) { return Outputs.Num() > 0 ? 0 : INDEX_NONE; }
		for (int32 Index = 0; Index < Outputs.Num(); ++Index)
		{
			if (Outputs[Index].OutputName.ToString().Equals(OutputName, ESearchCase::IgnoreCase)) { return Index; }
		}
		return INDEX_NONE;
	}
}

UMaterialExpression* UMaterialEditingLibrary::CreateMaterialExpression(UMaterial* Material, TSubclassOf<UMaterialExpression> ExpressionClass, int32 NodePosX, int32 NodePosY)
{
	UClass* Class = ExpressionClass.Get();
	if (!IsValid(Material) || !Class)
	{
		UE_LOG(LogMaterialEditingLibrary, Warning, TEXT("CreateMaterialExpression: %s"), !IsValid(Material) ? TEXT("no material given") : TEXT("no material expression class given"));
		return nullptr;
	}
	UMaterialExpression* Expression = NewObject<UMaterialExpression>(Material, Class, NAME_None, RF_Transactional);
	if (!Expression) { return nullptr; }   // NewObject has said why (an abstract class)
	Expression->MaterialExpressionEditorX = NodePosX;
	Expression->MaterialExpressionEditorY = NodePosY;
	FHeadlessMaterials::AddExpression(*Material, Expression);
	Material->MarkPackageDirty();
	return Expression;
}

bool UMaterialEditingLibrary::ConnectMaterialProperty(UMaterialExpression* FromExpression, FString FromOutputName, EMaterialProperty Property)
{
	if (!IsValid(FromExpression)) { return false; }
	UMaterial* Material = Cast<UMaterial>(FromExpression->GetOuter());
	FExpressionInput* Input = Material ? Material->GetExpressionInputForProperty(Property) : nullptr;
	if (!Input)
	{
		UE_LOG(LogMaterialEditingLibrary, Warning, TEXT("ConnectMaterialProperty: %s"), Material ? TEXT("the material has no such input") : TEXT("the node is not in a material"));
		return false;
	}
	const int32 OutputIndex = FindOutputIndex(FromExpression, FromOutputName);
	if (OutputIndex == INDEX_NONE)
	{
		UE_LOG(LogMaterialEditingLibrary, Warning, TEXT("ConnectMaterialProperty: node %s has no output '%s'; %s is left as it was"),
			*FromExpression->GetName(), *FromOutputName, FHeadlessMaterials::GetMaterialPropertyName(Property));
		return false;
	}
	Input->Connect(OutputIndex, FromExpression);
	Material->MarkPackageDirty();
	return true;
}

void UMaterialEditingLibrary::RecompileMaterial(UMaterial* Material)
{
	if (!IsValid(Material)) { return; }
	Material->PreEditChange(nullptr);
	Material->PostEditChange();
}

void UMaterialEditingLibrary::GetMaterialExpressionNodePosition(UMaterialExpression* MaterialExpression, int32& NodePosX, int32& NodePosY)
{
	NodePosX = MaterialExpression ? MaterialExpression->MaterialExpressionEditorX : 0;
	NodePosY = MaterialExpression ? MaterialExpression->MaterialExpressionEditorY : 0;
}
