// The image importer: PNG, JPEG, TGA and BMP files become UTexture2D assets named after the file.
// JPEG is decoded with libjpeg-turbo (Debian's libjpeg62-turbo-dev), several times faster than
// stb_image on the photographs models reference; PNG, TGA, BMP and the rare JPEG layouts other
// than grey and YCbCr/RGB (CMYK, YCCK) stay with stb_image (Debian's libstb). libpng with Debian's
// zlib decoded the test PNGs no faster than stb_image (slower on large flat images), so it is
// not used.
#include "Engine/Texture2D.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"

#include "AssetImporterRegistry.h"
#include "EngineHost.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <utility>
#include <stb/stb_image.h>

namespace
{
	// Larger sources than the engine's largest texture are refused rather than decoded, and so
	// is anything whose pixels would take more memory than this editor sets aside for one image
	// (a small file can claim a huge size).
	constexpr int32 MaxTextureSize = 16384;
	constexpr int64 MaxDecodedBytes = int64(1) << 28;

	// What the header says: the size, whether it is grey (one channel) and whether its samples
	// are 16-bit. Grey images stay one channel (G8 or G16); everything else becomes BGRA8, or
	// RGBA16 for 16-bit sources, as the engine's texture factory stores them.
	struct FImageHeader
	{
		int Width = 0;
		int Height = 0;
		bool bGrey = false;
		bool b16Bit = false;
	};

	// Decoder errors are kept as text for the log line.
	using FErrorText = char[JMSG_LENGTH_MAX > 256 ? JMSG_LENGTH_MAX : 256];

	void CopyError(FErrorText& Error, const char* Message)
	{
		std::snprintf(Error, sizeof(Error), "%s", Message ? Message : "unknown error");
	}

	// ---- JPEG (libjpeg-turbo) -----------------------------------------------------------------

	bool IsJpeg(const TArray<uint8>& Bytes)
	{
		return Bytes.Num() >= 2 && Bytes[0] == 0xFF && Bytes[1] == 0xD8;
	}

	// libjpeg's own error handler calls exit(): this one keeps the message and jumps back.
	struct FJpegError
	{
		jpeg_error_mgr Manager;
		std::jmp_buf Jump;
		FErrorText* Error;
	};

	void JpegErrorExit(j_common_ptr Info)
	{
		FJpegError* Err = reinterpret_cast<FJpegError*>(Info->err);
		char Message[JMSG_LENGTH_MAX] = {};
		Err->Manager.format_message(Info, Message);
		CopyError(*Err->Error, Message);
		std::longjmp(Err->Jump, 1);
	}

	// Warnings (corrupt but decodable data) are not printed, as stb_image printed nothing.
	void JpegOutputMessage(j_common_ptr) {}

	// A progressive file can have any number of scans, each a pass over the whole image: more
	// than any encoder writes is refused.
	constexpr int MaxJpegScans = 1000;
	void JpegProgress(j_common_ptr Info)
	{
		if (Info->is_decompressor && reinterpret_cast<j_decompress_ptr>(Info)->input_scan_number > MaxJpegScans)
		{
			FJpegError* Err = reinterpret_cast<FJpegError*>(Info->err);
			CopyError(*Err->Error, "too many progressive scans");
			std::longjmp(Err->Jump, 1);
		}
	}

	enum class EJpegResult { Ok, Failed, Unsupported };

	// Reads the header, asks the caller (through the size checks) whether to go on, then
	// decodes into the buffer the caller provides. Only plain data lives in this frame, since
	// libjpeg's errors longjmp back here.
	using FJpegBufferFn = uint8* (*)(void* Context, const FImageHeader& Header);
	EJpegResult DecodeJpeg(const TArray<uint8>& Bytes, FImageHeader& Header, FJpegBufferFn GetBuffer, void* Context, FErrorText& Error)
	{
		jpeg_decompress_struct Info;
		FJpegError Err;
		jpeg_progress_mgr Progress;
		std::memset(&Info, 0, sizeof(Info));
		Info.err = jpeg_std_error(&Err.Manager);
		Err.Manager.error_exit = JpegErrorExit;
		Err.Manager.output_message = JpegOutputMessage;
		Err.Error = &Error;
		if (setjmp(Err.Jump))
		{
			jpeg_destroy_decompress(&Info);
			return EJpegResult::Failed;
		}
		jpeg_create_decompress(&Info);
		Progress.progress_monitor = JpegProgress;
		Info.progress = &Progress;
		jpeg_mem_src(&Info, Bytes.GetData(), static_cast<unsigned long>(Bytes.Num()));
		jpeg_read_header(&Info, TRUE);

		// One channel is grey; three are YCbCr, or RGB when the components are named R, G, B
		// (stb_image's rule, which also holds for JFIF files). Other layouts go to stb_image.
		const bool bGrey = Info.num_components == 1 && Info.jpeg_color_space == JCS_GRAYSCALE;
		const bool bColour = Info.num_components == 3 && (Info.jpeg_color_space == JCS_YCbCr || Info.jpeg_color_space == JCS_RGB);
		if (bColour && Info.comp_info[0].component_id == 'R' && Info.comp_info[1].component_id == 'G' && Info.comp_info[2].component_id == 'B')
		{
			Info.jpeg_color_space = JCS_RGB;
		}
		if (!bGrey && !bColour)
		{
			jpeg_destroy_decompress(&Info);
			return EJpegResult::Unsupported;
		}
		Header.Width = static_cast<int>(Info.image_width);
		Header.Height = static_cast<int>(Info.image_height);
		Header.bGrey = bGrey;
		Header.b16Bit = false;
		uint8* Out = GetBuffer(Context, Header);
		if (!Out)
		{
			jpeg_destroy_decompress(&Info);
			return EJpegResult::Unsupported;   // refused by the caller, which has logged why
		}

		Info.out_color_space = bGrey ? JCS_GRAYSCALE : JCS_EXT_BGRA;
		Info.dct_method = JDCT_ISLOW;
		Info.do_block_smoothing = FALSE;   // stb_image did not smooth progressive scans either
		jpeg_start_decompress(&Info);
		const size_t RowBytes = size_t(Header.Width) * (bGrey ? 1 : 4);
		if (int(Info.output_width) != Header.Width || int(Info.output_height) != Header.Height || size_t(Info.output_width) * Info.output_components != RowBytes)
		{
			CopyError(Error, "size mismatch");
			jpeg_destroy_decompress(&Info);
			return EJpegResult::Failed;
		}
		// Several rows per call: libjpeg then hands over whole decoded blocks without copying.
		while (Info.output_scanline < Info.output_height)
		{
			JSAMPROW Rows[16];
			const JDIMENSION First = Info.output_scanline;
			const JDIMENSION Count = std::min<JDIMENSION>(16, Info.output_height - First);
			for (JDIMENSION Index = 0; Index < Count; ++Index) { Rows[Index] = Out + size_t(First + Index) * RowBytes; }
			if (jpeg_read_scanlines(&Info, Rows, Count) == 0) { break; }   // suspended: not with a memory source
		}
		jpeg_finish_decompress(&Info);
		jpeg_destroy_decompress(&Info);
		return EJpegResult::Ok;
	}

	// ---- The importer -------------------------------------------------------------------------

	// The size checks every decoder's header goes through; false (logged) refuses the image.
	bool CheckSize(const FString& Filename, const FImageHeader& Header, int64& DecodedBytes)
	{
		if (Header.Width <= 0 || Header.Height <= 0 || Header.Width > MaxTextureSize || Header.Height > MaxTextureSize)
		{
			UE_LOG(LogAssetTools, Error, TEXT("Failed to import '%s': its size %dx%d is outside 1 to %d pixels a side"), *Filename, Header.Width, Header.Height, MaxTextureSize);
			return false;
		}
		DecodedBytes = int64(Header.Width) * Header.Height * (Header.bGrey ? 1 : 4) * (Header.b16Bit ? 2 : 1);
		if (DecodedBytes > MaxDecodedBytes)
		{
			UE_LOG(LogAssetTools, Error, TEXT("Failed to import '%s': %dx%d pixels need %lld MiB, more than the %lld MiB this editor takes for one image"),
				*Filename, Header.Width, Header.Height, static_cast<long long>(DecodedBytes >> 20), static_cast<long long>(MaxDecodedBytes >> 20));
			return false;
		}
		return true;
	}

	void LogUnreadable(const FString& Filename, const char* Reason)
	{
		UE_LOG(LogAssetTools, Error, TEXT("Failed to import '%s': not a readable image (%s)"), *Filename, *FString(Reason));
	}

	void LogDamaged(const FString& Filename, const char* Reason)
	{
		UE_LOG(LogAssetTools, Error, TEXT("Failed to import '%s': the image data is damaged (%s)"), *Filename, *FString(Reason));
	}

	// The decoded pixels: stb_image's buffer, or one of ours that the texture source takes over
	// (not zero-filled first, as libjpeg writes every byte).
	struct FPixels
	{
		uint8* Data = nullptr;
		bool bFromStb = false;
		TArray<uint8> Owned;
		FPixels() = default;
		FPixels(const FPixels&) = delete;
		FPixels& operator=(const FPixels&) = delete;
		~FPixels() { Reset(); }
		void Reset()
		{
			if (bFromStb) { stbi_image_free(Data); }
			Owned.Empty();
			Data = nullptr;
			bFromStb = false;
		}
		uint8* Allocate(int64 Size) { Reset(); Owned.SetNumUninitialized(int32(Size)); Data = Owned.GetData(); return Data; }
	};

	// TGA, BMP and whatever else stb_image reads.
	bool DecodeWithStb(const FString& Filename, const TArray<uint8>& Bytes, FImageHeader& Header, FPixels& Pixels)
	{
		int Channels = 0;
		if (!stbi_info_from_memory(Bytes.GetData(), Bytes.Num(), &Header.Width, &Header.Height, &Channels))
		{
			LogUnreadable(Filename, stbi_failure_reason() ? stbi_failure_reason() : "unknown format");
			return false;
		}
		Header.b16Bit = stbi_is_16_bit_from_memory(Bytes.GetData(), Bytes.Num()) != 0;
		Header.bGrey = Channels == 1;
		int64 DecodedBytes = 0;
		if (!CheckSize(Filename, Header, DecodedBytes)) { return false; }
		const int WantChannels = Header.bGrey ? 1 : 4;
		int GotWidth = 0;
		int GotHeight = 0;
		int GotChannels = 0;
		// stb_image gives R, G, B, A (or grey) in the requested channel count.
		void* Decoded = Header.b16Bit
			? static_cast<void*>(stbi_load_16_from_memory(Bytes.GetData(), Bytes.Num(), &GotWidth, &GotHeight, &GotChannels, WantChannels))
			: static_cast<void*>(stbi_load_from_memory(Bytes.GetData(), Bytes.Num(), &GotWidth, &GotHeight, &GotChannels, WantChannels));
		Pixels.Reset();
		Pixels.Data = static_cast<uint8*>(Decoded);
		Pixels.bFromStb = true;
		const bool bOk = Decoded && GotWidth == Header.Width && GotHeight == Header.Height;
		if (bOk && !Header.bGrey && !Header.b16Bit)
		{
			// RGBA to BGRA in place.
			for (uint8 *P = Pixels.Data, *End = Pixels.Data + DecodedBytes; P < End; P += 4) { std::swap(P[0], P[2]); }
		}
		if (!bOk)
		{
			LogDamaged(Filename, stbi_failure_reason() ? stbi_failure_reason() : "size mismatch");
			return false;
		}
		return true;
	}

	struct FJpegTarget
	{
		const FString* Filename;
		FPixels* Pixels;
		bool bRefused;
	};

	bool ImportImage(UE::HeadlessEditor::FAssetImportContext& Context)
	{
		const FString& Filename = Context.GetFilename();
		TArray<uint8> Bytes;
		if (!FFileHelper::LoadFileToArray(Bytes, *Filename))
		{
			UE_LOG(LogAssetTools, Error, TEXT("Failed to import '%s': the file cannot be read"), *Filename);
			return false;
		}
		if (Bytes.Num() == 0)
		{
			LogUnreadable(Filename, "empty file");
			return false;
		}

		FImageHeader Header;
		FPixels Pixels;
		FErrorText Error = {};
		bool bDecoded = false;
		if (IsJpeg(Bytes))
		{
			FJpegTarget Target = { &Filename, &Pixels, false };
			const EJpegResult Result = DecodeJpeg(Bytes, Header, [](void* Ctx, const FImageHeader& H) -> uint8* {
				FJpegTarget& T = *static_cast<FJpegTarget*>(Ctx);
				int64 DecodedBytes = 0;
				if (!CheckSize(*T.Filename, H, DecodedBytes)) { T.bRefused = true; return nullptr; }
				return T.Pixels->Allocate(DecodedBytes);
			}, &Target, Error);
			switch (Result)
			{
			case EJpegResult::Ok: bDecoded = true; break;
			case EJpegResult::Unsupported: if (Target.bRefused) { return false; } break;
			case EJpegResult::Failed:
				// stb_image takes some damage libjpeg refuses: what imported before still does,
				// and what it refuses is logged as before.
				UE_LOG(LogAssetTools, Log, TEXT("'%s': libjpeg cannot decode it (%s); trying stb_image"), *Filename, *FString(Error));
				break;
			}
		}
		if (!bDecoded)
		{
			Header = FImageHeader();
			Pixels.Reset();
			if (!DecodeWithStb(Filename, Bytes, Header, Pixels)) { return false; }
		}
		const ETextureSourceFormat Format = Header.b16Bit ? (Header.bGrey ? TSF_G16 : TSF_RGBA16) : (Header.bGrey ? TSF_G8 : TSF_BGRA8);

		UTexture2D* Texture = Context.CreateAsset<UTexture2D>(Context.GetDestinationPath(), UE::HeadlessEditor::FAssetImportContext::MakeAssetName(Filename));
		if (!Texture) { return true; }   // skipped (it exists and replacing is off); logged by CreateAsset
		if (Pixels.bFromStb)
		{
			Texture->Source.Init(Header.Width, Header.Height, 1, 1, Format, Pixels.Data);
		}
		else
		{
			FHeadlessAssets::InitSource(Texture->Source, Header.Width, Header.Height, Format, std::move(Pixels.Owned));
		}
		Texture->SRGB = true;
		Texture->CompressionSettings = TC_Default;
		FHeadlessAssets::SourceFilePath(*Texture) = Filename;
		return true;
	}

	const bool GRegistered = (UE::HeadlessEditor::RegisterAssetImporter(TEXT("Texture"), { TEXT("png"), TEXT("jpg"), TEXT("jpeg"), TEXT("tga"), TEXT("bmp") },
		[](UE::HeadlessEditor::FAssetImportContext& Context) { return ImportImage(Context); }), true);
}
