// The common base of textures and meshes.
#pragma once

#include "UObject/Object.h"

class ENGINE_API UStreamableRenderAsset : public UObject
{
	DECLARE_HEADLESS_CLASS(UStreamableRenderAsset, UObject)
};
