#pragma once
#include "Styling/SlateBrush.h"

struct SLATECORE_API FSlateImageBrush : public FSlateBrush
{
	FSlateImageBrush(const FString& InImageName, const FVector2D& InImageSize, const FLinearColor& InTint = FLinearColor(1, 1, 1, 1),
		ESlateBrushTileType::Type InTiling = ESlateBrushTileType::NoTile, ESlateBrushImageType::Type InImageType = ESlateBrushImageType::FullColor)
	{
		ResourceName = FName(InImageName);
		ImageSize = InImageSize;
		TintColor = InTint;
		Tiling = InTiling;
		ImageType = InImageType;
	}
	FSlateImageBrush(const TCHAR* InImageName, const FVector2D& InImageSize, const FLinearColor& InTint = FLinearColor(1, 1, 1, 1),
		ESlateBrushTileType::Type InTiling = ESlateBrushTileType::NoTile, ESlateBrushImageType::Type InImageType = ESlateBrushImageType::FullColor)
		: FSlateImageBrush(FString(InImageName), InImageSize, InTint, InTiling, InImageType) {}
	FSlateImageBrush(const FName& InImageName, const FVector2D& InImageSize, const FLinearColor& InTint = FLinearColor(1, 1, 1, 1),
		ESlateBrushTileType::Type InTiling = ESlateBrushTileType::NoTile, ESlateBrushImageType::Type InImageType = ESlateBrushImageType::FullColor)
		: FSlateImageBrush(InImageName.ToString(), InImageSize, InTint, InTiling, InImageType) {}
};
