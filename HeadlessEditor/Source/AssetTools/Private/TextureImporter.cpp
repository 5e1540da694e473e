// The image importer: PNG, JPEG, TGA and BMP files become UTexture2D assets named after the file.
// Decoding is stb_image's (Debian's libstb).
#include "Engine/Texture2D.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"

#include "AssetImporterRegistry.h"

#include <stb/stb_image.h>

namespace
{
	// Larger sources than the engine's largest texture are refused rather than decoded, and so
	// is anything whose pixels would take more memory than this editor sets aside for one image
	// (a small file can claim a huge size).
	constexpr int32 MaxTextureSize = 16384;
	constexpr int64 MaxDecodedBytes = int64(1) << 28;

	bool ImportImage(UE::HeadlessEditor::FAssetImportContext& Context)
	{
		const FString& Filename = Context.GetFilename();
		TArray<uint8> Bytes;
		if (!FFileHelper::LoadFileToArray(Bytes, *Filename))
		{
			UE_LOG(LogAssetTools, Error, TEXT("Failed to import '%s': the file cannot be read"), *Filename);
			return false;
		}
		int Width = 0;
		int Height = 0;
		int Channels = 0;
		if (Bytes.Num() == 0 || !stbi_info_from_memory(Bytes.GetData(), Bytes.Num(), &Width, &Height, &Channels))
		{
			UE_LOG(LogAssetTools, Error, TEXT("Failed to import '%s': not a readable image (%s)"), *Filename,
				Bytes.Num() == 0 ? TEXT("empty file") : *FString(stbi_failure_reason() ? stbi_failure_reason() : "unknown format"));
			return false;
		}
		if (Width <= 0 || Height <= 0 || Width > MaxTextureSize || Height > MaxTextureSize)
		{
			UE_LOG(LogAssetTools, Error, TEXT("Failed to import '%s': its size %dx%d is outside 1 to %d pixels a side"), *Filename, Width, Height, MaxTextureSize);
			return false;
		}

		// Grey images stay one channel (G8 or G16); everything else becomes BGRA8, or RGBA16 for
		// 16-bit sources, as the engine's texture factory stores them.
		const bool b16Bit = stbi_is_16_bit_from_memory(Bytes.GetData(), Bytes.Num()) != 0;
		const bool bGrey = Channels == 1;
		const int WantChannels = bGrey ? 1 : 4;
		const int64 DecodedBytes = int64(Width) * Height * WantChannels * (b16Bit ? 2 : 1);
		if (DecodedBytes > MaxDecodedBytes)
		{
			UE_LOG(LogAssetTools, Error, TEXT("Failed to import '%s': %dx%d pixels need %lld MiB, more than the %lld MiB this editor takes for one image"),
				*Filename, Width, Height, static_cast<long long>(DecodedBytes >> 20), static_cast<long long>(MaxDecodedBytes >> 20));
			return false;
		}
		ETextureSourceFormat Format = TSF_Invalid;
		TArray<uint8> Pixels;
		int GotWidth = 0;
		int GotHeight = 0;
		int GotChannels = 0;
		// stb_image gives R, G, B, A (or grey) in the requested channel count.
		void* Decoded = b16Bit
			? static_cast<void*>(stbi_load_16_from_memory(Bytes.GetData(), Bytes.Num(), &GotWidth, &GotHeight, &GotChannels, WantChannels))
			: static_cast<void*>(stbi_load_from_memory(Bytes.GetData(), Bytes.Num(), &GotWidth, &GotHeight, &GotChannels, WantChannels));
		if (Decoded)
		{
			if (GotWidth == Width && GotHeight == Height)
			{
				Pixels.Append(static_cast<const uint8*>(Decoded), static_cast<int32>(DecodedBytes));
				Format = b16Bit ? (bGrey ? TSF_G16 : TSF_RGBA16) : (bGrey ? TSF_G8 : TSF_BGRA8);
				if (Format == TSF_BGRA8)
				{
					for (int32 I = 0; I + 3 < Pixels.Num(); I += 4) { std::swap(Pixels[I], Pixels[I + 2]); }
				}
			}
			stbi_image_free(Decoded);
		}
		if (Format == TSF_Invalid || GotWidth != Width || GotHeight != Height)
		{
			UE_LOG(LogAssetTools, Error, TEXT("Failed to import '%s': the image data is damaged (%s)"), *Filename,
				*FString(stbi_failure_reason() ? stbi_failure_reason() : "size mismatch"));
			return false;
		}

		UTexture2D* Texture = Context.CreateAsset<UTexture2D>(Context.GetDestinationPath(), UE::HeadlessEditor::FAssetImportContext::MakeAssetName(Filename));
		if (!Texture) { return true; }   // skipped (it exists and replacing is off); logged by CreateAsset
		Texture->Source.Init(Width, Height, 1, 1, Format, Pixels.GetData());
		Texture->SRGB = true;
		Texture->CompressionSettings = TC_Default;
		Texture->SourceFilePath = Filename;
		return true;
	}

	const bool GRegistered = (UE::HeadlessEditor::RegisterAssetImporter(TEXT("Texture"), { TEXT("png"), TEXT("jpg"), TEXT("jpeg"), TEXT("tga"), TEXT("bmp") },
		[](UE::HeadlessEditor::FAssetImportContext& Context) { return ImportImage(Context); }), true);
}
