// UMaterialExpressionTextureSample: samples a texture; outputs "RGB", "R", "G", "B", "A", "RGBA".
#pragma once

#include "Materials/MaterialExpressionTextureBase.h"

class ENGINE_API UMaterialExpressionTextureSample : public UMaterialExpressionTextureBase
{
	DECLARE_CLASS(UMaterialExpressionTextureSample, UMaterialExpressionTextureBase, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	UMaterialExpressionTextureSample();
};
