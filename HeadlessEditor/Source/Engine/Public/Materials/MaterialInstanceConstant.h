// UMaterialInstanceConstant: a material instance asset, as importers make them.
#pragma once

#include "Materials/MaterialInstance.h"

class ENGINE_API UMaterialInstanceConstant : public UMaterialInstance
{
	DECLARE_CLASS(UMaterialInstanceConstant, UMaterialInstance, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)
};
