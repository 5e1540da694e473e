// A brush that draws nothing: what a style gives for a brush it does not have, when asked for an
// optional one.
#pragma once
#include "Styling/SlateBrush.h"

struct FSlateNoResource : public FSlateBrush
{
	FSlateNoResource(const FVector2D& InImageSize = FVector2D(0.0, 0.0))
	{
		ImageSize = InImageSize;
		DrawAs = ESlateBrushDrawType::NoDrawType;
		Tiling = ESlateBrushTileType::NoTile;
		ImageType = ESlateBrushImageType::NoImage;
	}
};
