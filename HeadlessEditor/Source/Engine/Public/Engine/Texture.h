// UTexture: settings shared by every texture, and its source pixels.
#pragma once

#include "Engine/StreamableRenderAsset.h"
#include "Engine/TextureDefines.h"
#include "Containers/EnumAsByte.h"

// The texture's source image: the pixels it was imported from (mip 0, one slice).
class ENGINE_API FTextureSource
{
public:
	// Bytes per pixel of a source format (0 for unknown ones).
	static int64 GetBytesPerPixel(ETextureSourceFormat Format);

	// Sets size and format and copies NewData (SizeX * SizeY * bytes per pixel bytes; zeros when null).
	void Init(int32 NewSizeX, int32 NewSizeY, int32 NewNumSlices, int32 NewNumMips, ETextureSourceFormat NewFormat, const uint8* NewData = nullptr);
	bool IsValid() const { return SizeX > 0 && SizeY > 0 && Format != TSF_Invalid; }
	int64 GetSizeX() const { return SizeX; }
	int64 GetSizeY() const { return SizeY; }
	int32 GetNumSlices() const { return 1; }
	int32 GetNumMips() const { return SizeX > 0 ? 1 : 0; }
	ETextureSourceFormat GetFormat(int32 LayerIndex = 0) const { return Format; }
	int64 GetBytesPerPixel(int32 LayerIndex = 0) const { return GetBytesPerPixel(Format); }
	// Copies mip 0 of block 0, layer 0 out; false for other mips or an empty source.
	bool GetMipData(TArray64<uint8>& OutMipData, int32 BlockIndex, int32 LayerIndex, int32 MipIndex, class IImageWrapperModule* ImageWrapperModule = nullptr);
	bool GetMipData(TArray64<uint8>& OutMipData, int32 MipIndex, class IImageWrapperModule* ImageWrapperModule = nullptr)
	{
		return GetMipData(OutMipData, 0, 0, MipIndex, ImageWrapperModule);
	}

private:
	friend class UTexture;
	// The pixels (rows top to bottom, no padding) for the host (Engine/Host/EngineHost.h).
	friend struct FHeadlessAssets;

	int32 SizeX = 0;
	int32 SizeY = 0;
	ETextureSourceFormat Format = TSF_Invalid;
	TArray<uint8> Data;
};

class ENGINE_API UTexture : public UStreamableRenderAsset
{
	DECLARE_CLASS(UTexture, UStreamableRenderAsset, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	TEnumAsByte<enum TextureCompressionSettings> CompressionSettings = TC_Default;
	uint8 SRGB : 1;

#if WITH_EDITORONLY_DATA
	FTextureSource Source;
#endif

	UTexture() : SRGB(1) {}

#if WITH_EDITOR
	// Settings that cannot go together are put right, as after an import or edit in the engine:
	// alpha, normal-map, mask and HDR compression read linear data, so SRGB is cleared.
	virtual void ValidateSettingsAfterImportOrEdit(bool* pRequiresNotifyMaterials = nullptr);
	void PostEditChangeProperty(FPropertyChangedEvent& PropertyChangedEvent) override;
#endif

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	// The file the texture was imported from (the engine keeps it in its asset import data).
	friend struct FHeadlessAssets;
	FString SourceFilePath;
};
