#pragma once
#include "CoreMinimal.h"

namespace ESlateBrushTileType { enum Type { NoTile, Horizontal, Vertical, Both }; }
namespace ESlateBrushImageType { enum Type { NoImage, FullColor, Linear, Vector }; }
namespace ESlateBrushDrawType { enum Type { NoDrawType, Box, Border, Image, RoundedBox }; }

struct SLATECORE_API FSlateBrush
{
	virtual ~FSlateBrush() = default;
	const FName& GetResourceName() const { return ResourceName; }
	FVector2D GetImageSize() const { return ImageSize; }
	ESlateBrushTileType::Type GetTiling() const { return Tiling; }
	ESlateBrushImageType::Type GetImageType() const { return ImageType; }

	FVector2D ImageSize;
	ESlateBrushDrawType::Type DrawAs = ESlateBrushDrawType::Image;
	ESlateBrushTileType::Type Tiling = ESlateBrushTileType::NoTile;
	ESlateBrushImageType::Type ImageType = ESlateBrushImageType::NoImage;
	FLinearColor TintColor = FLinearColor(1, 1, 1, 1);

protected:
	FName ResourceName;
};
