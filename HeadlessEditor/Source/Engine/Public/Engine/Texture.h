// UTexture: settings shared by every texture, and its source pixels.
#pragma once

#include "Engine/StreamableRenderAsset.h"
#include "Engine/TextureDefines.h"
#include "Containers/EnumAsByte.h"

// The texture's source image: the pixels it was imported from (mip 0, one slice).
class ENGINE_API FTextureSource
{
public:
	// Sets size and format and copies NewData (SizeX * SizeY * bytes per pixel bytes; zeros when null).
	void Init(int32 NewSizeX, int32 NewSizeY, int32 NewNumSlices, int32 NewNumMips, ETextureSourceFormat NewFormat, const uint8* NewData = nullptr);
	// Stand-in, for importers: takes NewData's buffer (exactly SizeX * SizeY * bytes per pixel
	// bytes) instead of copying it; an empty source when the size does not match.
	void Init(int32 NewSizeX, int32 NewSizeY, ETextureSourceFormat NewFormat, TArray<uint8>&& NewData);
	bool IsValid() const { return SizeX > 0 && SizeY > 0 && Format != TSF_Invalid; }
	int32 GetSizeX() const { return SizeX; }
	int32 GetSizeY() const { return SizeY; }
	int32 GetNumSlices() const { return 1; }
	int32 GetNumMips() const { return SizeX > 0 ? 1 : 0; }
	ETextureSourceFormat GetFormat() const { return Format; }
	int32 GetBytesPerPixel() const { return GetTextureSourceBytesPerPixel(Format); }
	// Copies mip 0 out; false for other mips or an empty source.
	bool GetMipData(TArray<uint8>& OutMipData, int32 MipIndex = 0) const;
	// Stand-in: the pixels, rows top to bottom, no padding.
	const TArray<uint8>& GetData() const { return Data; }

	bool operator==(const FTextureSource& Other) const { return SizeX == Other.SizeX && SizeY == Other.SizeY && Format == Other.Format && Data == Other.Data; }

private:
	friend class UTexture;
	int32 SizeX = 0;
	int32 SizeY = 0;
	ETextureSourceFormat Format = TSF_Invalid;
	TArray<uint8> Data;
};

class ENGINE_API UTexture : public UStreamableRenderAsset
{
	DECLARE_HEADLESS_CLASS(UTexture, UStreamableRenderAsset)

	TEnumAsByte<enum TextureCompressionSettings> CompressionSettings = TC_Default;
	uint8 SRGB : 1;

#if WITH_EDITORONLY_DATA
	FTextureSource Source;
	// Stand-in: the file the texture was imported from (as the engine's asset import data keeps it).
	FString SourceFilePath;
#endif

	UTexture() : SRGB(1) {}

	void SerializeProperties(FPropertyArchive& Ar) override;
};
