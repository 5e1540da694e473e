// UMaterialExpressionTextureSample: samples a texture; outputs "RGB", "R", "G", "B", "A", "RGBA".
#pragma once

#include "Materials/MaterialExpressionTextureBase.h"

class ENGINE_API UMaterialExpressionTextureSample : public UMaterialExpressionTextureBase
{
	DECLARE_HEADLESS_CLASS(UMaterialExpressionTextureSample, UMaterialExpressionTextureBase)

	UMaterialExpressionTextureSample();
};
