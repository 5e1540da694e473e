// Texture settings enumerations, with the engine's numbers.
#pragma once

#include "CoreTypes.h"

enum TextureCompressionSettings : int
{
	TC_Default = 0,
	TC_Normalmap = 1,
	TC_Masks = 2,
	TC_Grayscale = 3,
	TC_Displacementmap = 4,
	TC_VectorDisplacementmap = 5,
	TC_HDR = 6,
	TC_EditorIcon = 7,
	TC_Alpha = 8,
	TC_DistanceFieldFont = 9,
	TC_HDR_Compressed = 10,
	TC_BC7 = 11,
	TC_HalfFloat = 12,
	TC_LQ = 13,
	TC_EncodedReflectionCapture = 14,
	TC_SingleFloat = 15,
	TC_HDR_F32 = 16,
	TC_MAX,
};

// Layout of a texture's source pixels.
enum ETextureSourceFormat : int
{
	TSF_Invalid = 0,
	TSF_G8 = 1,          // one byte per pixel, grey
	TSF_BGRA8 = 2,       // four bytes per pixel: B, G, R, A
	TSF_BGRE8 = 3,
	TSF_RGBA16 = 4,      // four 16-bit little-endian values per pixel: R, G, B, A
	TSF_RGBA16F = 5,
	TSF_RGBA8_DEPRECATED = 6,
	TSF_RGBE8_DEPRECATED = 7,
	TSF_G16 = 8,         // one 16-bit little-endian value per pixel, grey
	TSF_RGBA32F = 9,
	TSF_R16F = 10,
	TSF_R32F = 11,
	TSF_MAX,
};
