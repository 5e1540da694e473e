#include "Engine/Texture.h"
#include "Engine/Texture2D.h"
#include "UObject/PropertyArchive.h"

#include <algorithm>
#include <cstring>
#include <utility>

IMPLEMENT_HEADLESS_CLASS(UStreamableRenderAsset, Engine, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(UTexture, Engine, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(UTexture2D, Engine, CLASS_None)

void FTextureSource::Init(int32 NewSizeX, int32 NewSizeY, int32 NewNumSlices, int32 NewNumMips, ETextureSourceFormat NewFormat, const uint8* NewData)
{
	const int64 Bytes = static_cast<int64>(NewSizeX) * NewSizeY * GetTextureSourceBytesPerPixel(NewFormat);
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

void FTextureSource::Init(int32 NewSizeX, int32 NewSizeY, ETextureSourceFormat NewFormat, TArray<uint8>&& NewData)
{
	const int64 Bytes = static_cast<int64>(NewSizeX) * NewSizeY * GetTextureSourceBytesPerPixel(NewFormat);
	if (NewSizeX <= 0 || NewSizeY <= 0 || Bytes <= 0 || Bytes != NewData.Num())
	{
		*this = FTextureSource();
		return;
	}
	SizeX = NewSizeX;
	SizeY = NewSizeY;
	Format = NewFormat;
	Data = std::move(NewData);
}

bool FTextureSource::GetMipData(TArray<uint8>& OutMipData, int32 MipIndex) const
{
	if (MipIndex != 0 || !IsValid()) { return false; }
	OutMipData = Data;
	return true;
}

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
			static_cast<int64>(SizeX) * SizeY * GetTextureSourceBytesPerPixel(LoadedFormat) == Source.Data.Num())
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
