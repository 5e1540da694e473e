// UMaterialInstanceConstant: a material instance asset, as importers make them.
#pragma once

#include "Materials/MaterialInstance.h"

class ENGINE_API UMaterialInstanceConstant : public UMaterialInstance
{
	DECLARE_HEADLESS_CLASS(UMaterialInstanceConstant, UMaterialInstance)
};
