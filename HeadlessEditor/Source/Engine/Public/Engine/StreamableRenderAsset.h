// The common base of textures and meshes.
#pragma once

#include "UObject/Object.h"

class ENGINE_API UStreamableRenderAsset : public UObject
{
	DECLARE_CLASS(UStreamableRenderAsset, UObject, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)
};
