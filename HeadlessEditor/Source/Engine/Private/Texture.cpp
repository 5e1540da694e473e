#include "Engine/Texture.h"
#include "Engine/Texture2D.h"
#include "UObject/PropertyArchive.h"
#include "UObject/UnrealType.h"
#include "EngineHost.h"
#include "HeadlessClass.h"

#include <algorithm>
#include <cstring>
#include <utility>

IMPLEMENT_HEADLESS_CLASS(UStreamableRenderAsset, Engine, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(UTexture, Engine, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(UTexture2D, Engine, CLASS_None)

int64 FTextureSource::GetBytesPerPixel(ETextureSourceFormat Format)
{
	switch (Format)
	{
	case TSF_G8: return 1;
	case TSF_G16: case TSF_R16F: return 2;
	case TSF_BGRA8: case TSF_BGRE8: case TSF_RGBA8_DEPRECATED: case TSF_RGBE8_DEPRECATED: case TSF_R32F: return 4;
	case TSF_RGBA16: case TSF_RGBA16F: return 8;
	case TSF_RGBA32F: return 16;
	default: return 0;
	}
}

void FTextureSource::Init(int32 NewSizeX, int32 NewSizeY, int32 NewNumSlices, int32 NewNumMips, ETextureSourceFormat NewFormat, const uint8* NewData)
{
	const int64 Bytes = static_cast<int64>(NewSizeX) * NewSizeY * GetBytesPerPixel(NewFormat);
	if (NewSizeX <= 0 || NewSizeY <= 0 || Bytes <= 0 || Bytes > MAX_int32)
	{
		*this = FTextureSource();
		return;
	}
	SizeX = NewSizeX;
	SizeY = NewSizeY;
	Format = NewFormat;
	if (NewData)
	{
		Data.SetNumUninitialized(static_cast<int32>(Bytes));
		std::memcpy(Data.GetData(), NewData, static_cast<size_t>(Bytes));
	}
	else
	{
		Data.SetNumZeroed(static_cast<int32>(Bytes));
	}
}

void FHeadlessAssets::InitSource(FTextureSource& Source, int32 NewSizeX, int32 NewSizeY, ETextureSourceFormat NewFormat, TArray<uint8>&& NewData)
{
	const int64 Bytes = static_cast<int64>(NewSizeX) * NewSizeY * FTextureSource::GetBytesPerPixel(NewFormat);
	if (NewSizeX <= 0 || NewSizeY <= 0 || Bytes <= 0 || Bytes != NewData.Num())
	{
		Source = FTextureSource();
		return;
	}
	Source.SizeX = NewSizeX;
	Source.SizeY = NewSizeY;
	Source.Format = NewFormat;
	Source.Data = std::move(NewData);
}

const TArray<uint8>& FHeadlessAssets::SourceData(const FTextureSource& Source) { return Source.Data; }
FString& FHeadlessAssets::SourceFilePath(UTexture& Texture) { return Texture.SourceFilePath; }
const FString& FHeadlessAssets::SourceFilePath(const UTexture& Texture) { return Texture.SourceFilePath; }

bool FTextureSource::GetMipData(TArray64<uint8>& OutMipData, int32 BlockIndex, int32 LayerIndex, int32 MipIndex, IImageWrapperModule* /*ImageWrapperModule*/)
{
	if (BlockIndex != 0 || LayerIndex != 0 || MipIndex != 0 || !IsValid()) { return false; }
	OutMipData = TArray64<uint8>(Data.GetData(), Data.Num());
	return true;
}

#if WITH_EDITOR
void UTexture::ValidateSettingsAfterImportOrEdit(bool* pRequiresNotifyMaterials)
{
	const TextureCompressionSettings Compression = CompressionSettings.GetValue();
	const bool bLinearOnly = Compression == TC_Alpha || Compression == TC_Normalmap || Compression == TC_Masks ||
		Compression == TC_HDR || Compression == TC_HDR_F32 || Compression == TC_HDR_Compressed || Compression == TC_HalfFloat || Compression == TC_SingleFloat;
	if (bLinearOnly && SRGB)
	{
		SRGB = false;
		if (pRequiresNotifyMaterials) { *pRequiresNotifyMaterials = true; }
	}
}

void UTexture::PostEditChangeProperty(FPropertyChangedEvent& PropertyChangedEvent)
{
	Super::PostEditChangeProperty(PropertyChangedEvent);
	ValidateSettingsAfterImportOrEdit();
}
#endif

void UTexture::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	uint8 Compression = CompressionSettings.GetIntValue();
	Ar.Property(TEXT("CompressionSettings"), Compression);
	bool bSRGB = SRGB;
	Ar.Property(TEXT("SRGB"), bSRGB);
	int32 SizeX = Source.SizeX;
	int32 SizeY = Source.SizeY;
	int32 Format = static_cast<int32>(Source.Format);
	Ar.Property(TEXT("SourceSizeX"), SizeX);
	Ar.Property(TEXT("SourceSizeY"), SizeY);
	Ar.Property(TEXT("SourceFormat"), Format);
	Ar.Property(TEXT("SourceData"), Source.Data);
	Ar.Property(TEXT("SourceFilePath"), SourceFilePath);
	if (Ar.IsLoading())
	{
		CompressionSettings = static_cast<TextureCompressionSettings>(Compression < static_cast<uint8>(TC_MAX) ? Compression : static_cast<uint8>(TC_Default));
		SRGB = bSRGB;
		const ETextureSourceFormat LoadedFormat = (Format > TSF_Invalid && Format < TSF_MAX) ? static_cast<ETextureSourceFormat>(Format) : TSF_Invalid;
		// Pixels that do not fill the stated size are not believed.
		if (SizeX > 0 && SizeY > 0 && LoadedFormat != TSF_Invalid &&
			static_cast<int64>(SizeX) * SizeY * FTextureSource::GetBytesPerPixel(LoadedFormat) == Source.Data.Num())
		{
			Source.SizeX = SizeX;
			Source.SizeY = SizeY;
			Source.Format = LoadedFormat;
		}
		else
		{
			Source = FTextureSource();
		}
	}
}
