// UTexture2D: a two-dimensional texture.
#pragma once

#include "Engine/Texture.h"

class ENGINE_API UTexture2D : public UTexture
{
	DECLARE_CLASS(UTexture2D, UTexture, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	// Size of the texture (its source image in the stand-in).
	int32 GetSizeX() const { return Source.GetSizeX(); }
	int32 GetSizeY() const { return Source.GetSizeY(); }
};
