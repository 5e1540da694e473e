// The image importer through ImportAssetsAutomated: PNG, JPEG, TGA and BMP become textures with
// the right size, format and pixels; existing assets are skipped or replaced as asked; damaged
// images and bad requests import nothing.
#include "EditingTestSupport.h"

#include "Engine/Texture2D.h"
#include "Misc/PackageName.h"
#include "UObject/Package.h"

#include "AssetImporterRegistry.h"
#include "ConsoleCommands.h"
#include "EngineHost.h"
#include "HeadlessString.h"
#include "NotificationsHost.h"

using namespace AssetTest;

namespace
{
	// Width and height as the file's own header states them (PNG IHDR, JPEG SOFn), to check the
	// decoder against something it did not compute.
	std::pair<int32, int32> HeaderSize(const std::vector<uint8>& B)
	{
		if (B.size() > 24 && B[0] == 0x89 && B[1] == 'P')
		{
			auto Be = [&B](size_t I) { return int32((B[I] << 24) | (B[I + 1] << 16) | (B[I + 2] << 8) | B[I + 3]); };
			return { Be(16), Be(20) };
		}
		for (size_t I = 2; I + 9 < B.size();)
		{
			if (B[I] != 0xFF) { ++I; continue; }
			const uint8 Marker = B[I + 1];
			const size_t Len = (size_t(B[I + 2]) << 8) | B[I + 3];
			if (Marker >= 0xC0 && Marker <= 0xCF && Marker != 0xC4 && Marker != 0xC8 && Marker != 0xCC)
			{
				return { int32((B[I + 7] << 8) | B[I + 8]), int32((B[I + 5] << 8) | B[I + 6]) };
			}
			I += 2 + Len;
		}
		return { 0, 0 };
	}

	// A baseline greyscale JPEG, every pixel Value: one 8x8 block (the frame header may claim
	// more), quantisation 1, a DC code of category 9 and an end-of-block code.
	std::vector<uint8> GreyJpeg(uint8 Value, uint16 Width = 8, uint16 Height = 8)
	{
		std::vector<uint8> J = { 0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00 };
		J.insert(J.end(), 64, 1);
		J.insert(J.end(), { 0xFF, 0xC0, 0x00, 0x0B, 0x08, uint8(Height >> 8), uint8(Height), uint8(Width >> 8), uint8(Width), 0x01, 0x01, 0x11, 0x00 });
		J.insert(J.end(), { 0xFF, 0xC4, 0x00, 0x14, 0x00, 0x01 });   // DC table: one 1-bit code, category 9
		J.insert(J.end(), 15, 0);
		J.push_back(0x09);
		J.insert(J.end(), { 0xFF, 0xC4, 0x00, 0x14, 0x10, 0x01 });   // AC table: one 1-bit code, end of block
		J.insert(J.end(), 16, 0);
		J.insert(J.end(), { 0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00 });
		// DC = 8 * (Value - 128), which must be in category 9 (Value 64 to 95 here): code 0, nine
		// bits (one's complement for negatives), end of block 0, padded with ones.
		const int Dc = 8 * (int(Value) - 128);
		const uint32 Bits = Dc < 0 ? uint32(Dc + 511) : uint32(Dc);
		const uint32 Stream = ((Bits & 0x1FF) << 1) << 5 | 0x1F;   // 0 | nine bits | 0 | 11111
		J.insert(J.end(), { uint8(Stream >> 8), uint8(Stream), 0xFF, 0xD9 });
		return J;
	}

	// An 8x8 colour JPEG (YCbCr, 4:4:4, quality 100) of the colour R 200, G 40, B 10, written
	// with libjpeg.
	const std::vector<uint8> ColourJpeg = {
		0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
		0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
		0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
		0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0xFF, 0xDB, 0x00, 0x43, 0x01, 0x01, 0x01, 0x01, 0x01,
		0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
		0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
		0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
		0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x08, 0x00, 0x08, 0x03, 0x01, 0x11, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01, 0xFF,
		0xC4, 0x00, 0x14, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
		0x09, 0xFF, 0xC4, 0x00, 0x14, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
		0x00, 0x00, 0x00, 0xFF, 0xC4, 0x00, 0x15, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
		0x00, 0x00, 0x00, 0x00, 0x09, 0x0A, 0xFF, 0xC4, 0x00, 0x14, 0x11, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
		0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00,
		0x3F, 0x00, 0x27, 0xC5, 0x7A, 0xA4, 0x1F, 0xFF, 0xD9
	};

	UTexture2D* OnlyTexture(const TArray<UObject*>& Objects)
	{
		return Objects.Num() == 1 ? Cast<UTexture2D>(Objects[0]) : nullptr;
	}

	std::vector<uint8> Pixels(UTexture2D* Texture)
	{
		const TArray<uint8>& Data = FHeadlessAssets::SourceData(Texture->Source);
		return std::vector<uint8>(Data.begin(), Data.end());
	}
}

class ImageImportTest : public FProjectTest {};

TEST_F(ImageImportTest, SharedTexturesImportWithTheirSizesAndDefaults)
{
	const fs::path Textures = TestDataDir() / "fbx/textures";
	ASSERT_TRUE(fs::is_directory(Textures)) << "../shared/testdata is missing";
	std::vector<fs::path> Files;
	for (const fs::directory_entry& Entry : fs::directory_iterator(Textures)) { Files.push_back(Entry.path()); }
	std::sort(Files.begin(), Files.end());
	ASSERT_GE(Files.size(), 10u);

	const TArray<UObject*> Imported = Import(Files, TEXT("/Game/Textures"), false);
	ASSERT_EQ(Imported.Num(), static_cast<int32>(Files.size()));
	for (size_t I = 0; I < Files.size(); ++I)
	{
		UTexture2D* Texture = Cast<UTexture2D>(Imported[static_cast<int32>(I)]);
		ASSERT_NE(Texture, nullptr) << Files[I];
		EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Texture->GetName()), Files[I].stem().string());
		EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Texture->GetPathName()), "/Game/Textures/" + Files[I].stem().string() + "." + Files[I].stem().string());
		const auto [Width, Height] = HeaderSize(ReadBytes(Files[I]));
		EXPECT_EQ(Texture->GetSizeX(), Width) << Files[I];
		EXPECT_EQ(Texture->GetSizeY(), Height) << Files[I];
		EXPECT_EQ(Texture->Source.GetFormat(), TSF_BGRA8) << Files[I];
		EXPECT_EQ(FHeadlessAssets::SourceData(Texture->Source).Num(), Width * Height * 4);
		EXPECT_TRUE(Texture->SRGB);
		EXPECT_EQ(Texture->CompressionSettings, TC_Default);
		EXPECT_TRUE(Texture->GetOutermost()->IsDirty()) << "an import leaves its packages to be saved";
	}
	EXPECT_EQ(Listed(TEXT("/Game/Textures"), false).size(), Files.size());
}

TEST_F(ImageImportTest, PixelsOfEveryFormatAndPngKindArriveExactly)
{
	// 2x2: red, green / blue, half-transparent white.
	const std::vector<uint8> Rgba = { 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 128 };
	const std::vector<uint8> ExpectedBgra = { 0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 128 };
	std::vector<uint8> Rgb;
	std::vector<uint8> ExpectedOpaque;
	for (size_t I = 0; I < Rgba.size(); I += 4)
	{
		Rgb.insert(Rgb.end(), { Rgba[I], Rgba[I + 1], Rgba[I + 2] });
		ExpectedOpaque.insert(ExpectedOpaque.end(), { Rgba[I + 2], Rgba[I + 1], Rgba[I], 255 });
	}
	WriteBytes(Files / "rgba.png", MakePng(2, 2, 6, 8, Rgba));
	WriteBytes(Files / "rgb.bmp", MakeBmp(2, 2, Rgb));
	WriteBytes(Files / "rgba_tga.tga", MakeTga(2, 2, Rgba));
	WriteBytes(Files / "grey.png", MakePng(3, 1, 0, 8, { 0, 100, 255 }));
	WriteBytes(Files / "deep.png", MakePng(1, 1, 6, 16, { 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFF, 0xFF }));
	WriteBytes(Files / "greyjpeg.jpg", GreyJpeg(77));
	// Palette of two colours, the first half-transparent (tRNS): BGRA8 with the alpha applied.
	WriteBytes(Files / "pal.png", PngFromRaw(2, 1, 8, 3, 0, { { "PLTE", { 10, 20, 30, 40, 50, 60 } }, { "tRNS", { 128 } } }, { 0, 1, 0 }));
	// RGB whose transparent colour (tRNS) is the second pixel's: that pixel gets alpha 0.
	WriteBytes(Files / "rgbkey.png", PngFromRaw(2, 1, 8, 2, 0, { { "tRNS", { 0, 4, 0, 5, 0, 6 } } }, { 0, 1, 2, 3, 4, 5, 6 }));
	// Grey with alpha: grey copied into B, G and R.
	WriteBytes(Files / "greyalpha.png", PngFromRaw(2, 1, 8, 4, 0, {}, { 0, 10, 200, 20, 100 }));
	// One-bit grey, eight pixels in one byte: scaled to 0 and 255, still one channel.
	WriteBytes(Files / "bits.png", PngFromRaw(8, 1, 1, 0, 0, {}, { 0, 0b10100001 }));
	// Grey with a transparent grey value stays one channel without alpha.
	WriteBytes(Files / "greykey.png", PngFromRaw(2, 1, 8, 0, 0, { { "tRNS", { 0, 9 } } }, { 0, 5, 9 }));
	// 16-bit grey: G16, little-endian.
	WriteBytes(Files / "grey16.png", PngFromRaw(1, 1, 16, 0, 0, {}, { 0, 0x12, 0x34 }));
	// Adam7 2x2 grey: pass 1 holds (0,0), pass 6 (1,0), pass 7 the second row.
	WriteBytes(Files / "adam7.png", PngFromRaw(2, 2, 8, 0, 1, {}, { 0, 11, 0, 22, 0, 33, 44 }));
	// The second row Up-filtered against the first (filters are undone).
	WriteBytes(Files / "filtered.png", PngFromRaw(2, 2, 8, 0, 0, {}, { 0, 100, 150, 2, 5, 250 }));

	const std::vector<std::tuple<const char*, ETextureSourceFormat, std::vector<uint8>>> Cases = {
		{ "rgba.png", TSF_BGRA8, ExpectedBgra },
		{ "rgb.bmp", TSF_BGRA8, ExpectedOpaque },   // BMP rows are stored bottom-up
		{ "rgba_tga.tga", TSF_BGRA8, ExpectedBgra },
		{ "grey.png", TSF_G8, { 0, 100, 255 } },
		{ "deep.png", TSF_RGBA16, { 0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 0xFF, 0xFF } },   // little-endian 16-bit R, G, B, A
		{ "greyjpeg.jpg", TSF_G8, std::vector<uint8>(64, 77) },
		{ "pal.png", TSF_BGRA8, { 60, 50, 40, 255, 30, 20, 10, 128 } },
		{ "rgbkey.png", TSF_BGRA8, { 3, 2, 1, 255, 6, 5, 4, 0 } },
		{ "greyalpha.png", TSF_BGRA8, { 10, 10, 10, 200, 20, 20, 20, 100 } },
		{ "bits.png", TSF_G8, { 255, 0, 255, 0, 0, 0, 0, 255 } },
		{ "greykey.png", TSF_G8, { 5, 9 } },
		{ "grey16.png", TSF_G16, { 0x34, 0x12 } },
		{ "adam7.png", TSF_G8, { 11, 22, 33, 44 } },
		{ "filtered.png", TSF_G8, { 100, 150, 105, 144 } },
	};
	for (const auto& [Name, Format, Expected] : Cases)
	{
		UTexture2D* Texture = OnlyTexture(Import({ Files / Name }, TEXT("/Game/Pixels"), false));
		ASSERT_NE(Texture, nullptr) << Name;
		EXPECT_EQ(Texture->Source.GetFormat(), Format) << Name;
		EXPECT_EQ(Pixels(Texture), Expected) << Name;
	}
}

TEST_F(ImageImportTest, ColourJpegArrivesAsBgraWithinTheLossySteps)
{
	WriteBytes(Files / "colour.jpeg", ColourJpeg);
	UTexture2D* Colour = OnlyTexture(Import({ Files / "colour.jpeg" }, TEXT("/Game/Jpeg"), false));
	ASSERT_NE(Colour, nullptr);
	EXPECT_EQ(Colour->Source.GetFormat(), TSF_BGRA8);
	ASSERT_EQ(FHeadlessAssets::SourceData(Colour->Source).Num(), 8 * 8 * 4);
	// Lossy: within a few steps of B 10, G 40, R 200, and opaque.
	for (int32 I = 0; I < 8 * 8 * 4; I += 4)
	{
		const uint8* P = FHeadlessAssets::SourceData(Colour->Source).GetData() + I;
		EXPECT_NEAR(P[0], 10, 3) << I;
		EXPECT_NEAR(P[1], 40, 3) << I;
		EXPECT_NEAR(P[2], 200, 3) << I;
		EXPECT_EQ(P[3], 255) << I;
	}
}

TEST_F(ImageImportTest, HostileJpegsAndPngsAreRefusedWithoutEndingTheProcess)
{
	// Each of these ends in a decoder error (libjpeg first for the JPEGs, whose default handler
	// would end the process): the import logs why and the process lives on.
	const std::vector<uint8> Grey = GreyJpeg(77);
	std::vector<uint8> Garbage = { 0xFF, 0xD8, 0xFF };
	Garbage.insert(Garbage.end(), 64, 0x5A);
	std::vector<uint8> BadTable = Grey;
	BadTable[Grey.size() - 14 + 6] = 0x77;   // the scan asks for Huffman tables that were never defined
	std::vector<uint8> Zero = GreyJpeg(77, 0, 8);
	std::vector<uint8> BadZlib = PngFromRaw(4, 4, 8, 0, 0, {}, std::vector<uint8>(20, 0));
	BadZlib[8 + 25 + 8] = 0x12;   // the IDAT's zlib header
	const std::vector<std::tuple<const char*, std::vector<uint8>, const char*>> Cases = {
		{ "header.jpg", std::vector<uint8>(Grey.begin(), Grey.begin() + 20), "not a readable image" },
		{ "garbage.jpg", Garbage, "not a readable image" },
		{ "badtable.jpg", BadTable, "Failed to import" },
		{ "zero.jpg", Zero, "Failed to import" },
		{ "badzlib.png", BadZlib, "the image data is damaged" },
		{ "nopalette.png", PngFromRaw(1, 1, 8, 3, 0, {}, { 0, 0 }), "Failed to import" },
		// A 16-bit colour image of 9000x9000 claims over 600 MiB: refused before any decoding.
		{ "deep.png", PngFromRaw(9000, 9000, 16, 6, 0, {}, { 0 }), "more than the 256 MiB" },
	};
	for (const auto& [Name, Bytes, Message] : Cases)
	{
		WriteBytes(Files / Name, Bytes);
		ClearLog();
		EXPECT_EQ(Import({ Files / Name }, TEXT("/Game/Hostile"), false).Num(), 0) << Name;
		EXPECT_TRUE(Logged(Message)) << Name;
	}
	EXPECT_TRUE(Listed(TEXT("/Game/Hostile"), true).empty());
}

TEST_F(ImageImportTest, SidesUpTo16384PixelsImportAndOneMoreIsRefused)
{
	// One pixel thin, so the cap is reached without a large image: a JPEG as wide as the cap
	// (libjpeg) and a PNG as tall (stb_image), each also one pixel past it.
	auto TallPng = [](uint32 Height) {
		std::vector<uint8> Raw;
		for (uint32 Row = 0; Row < Height; ++Row) { Raw.insert(Raw.end(), { 0, 77 }); }
		return PngFromRaw(1, Height, 8, 0, 0, {}, Raw);
	};
	const std::vector<std::tuple<const char*, std::vector<uint8>, int32, int32>> Cases = {
		{ "wide.jpg", GreyJpeg(77, 16384, 1), 16384, 1 },
		{ "wider.jpg", GreyJpeg(77, 16385, 1), 0, 0 },
		{ "tall.png", TallPng(16384), 1, 16384 },
		{ "taller.png", TallPng(16385), 0, 0 },
	};
	for (const auto& [Name, Bytes, Width, Height] : Cases)
	{
		WriteBytes(Files / Name, Bytes);
		ClearLog();
		UTexture2D* Texture = OnlyTexture(Import({ Files / Name }, TEXT("/Game/Sides"), false));
		EXPECT_EQ(Texture != nullptr, Width > 0) << Name;
		EXPECT_EQ(Logged("is outside 1 to 16384 pixels a side"), Width == 0) << Name;
		if (Texture)
		{
			EXPECT_EQ(Texture->GetSizeX(), Width) << Name;
			EXPECT_EQ(Texture->GetSizeY(), Height) << Name;
		}
	}
}

TEST_F(ImageImportTest, ReplaceExistingOffSkipsAndOnReplacesInPlace)
{
	WriteBytes(Files / "a/T_Swap.png", MakePng(1, 1, 6, 8, { 10, 20, 30, 255 }));
	WriteBytes(Files / "b/T_Swap.png", MakePng(2, 1, 6, 8, { 1, 2, 3, 4, 5, 6, 7, 8 }));
	UTexture2D* First = OnlyTexture(Import({ Files / "a/T_Swap.png" }, TEXT("/Game/Swap"), false));
	ASSERT_NE(First, nullptr);
	First->CompressionSettings = TC_Normalmap;

	ClearLog();
	EXPECT_EQ(Import({ Files / "b/T_Swap.png" }, TEXT("/Game/Swap"), false).Num(), 0);
	EXPECT_TRUE(Logged("already exists and bReplaceExisting is false"));
	EXPECT_EQ(First->GetSizeX(), 1) << "the existing asset is untouched";
	EXPECT_EQ(First->CompressionSettings, TC_Normalmap);

	UTexture2D* Second = OnlyTexture(Import({ Files / "b/T_Swap.png" }, TEXT("/Game/Swap/"), true));
	EXPECT_EQ(Second, First) << "replaced in place: the same object";
	EXPECT_EQ(First->GetSizeX(), 2);
	EXPECT_EQ(First->CompressionSettings, TC_Default);
	EXPECT_EQ(Listed(TEXT("/Game/Swap"), false).size(), 1u);

	// The same holds for an asset that exists only on disk, from an earlier run.
	ASSERT_TRUE(EditingTest::Save(First));
	Restart();
	EXPECT_EQ(Import({ Files / "a/T_Swap.png" }, TEXT("/Game/Swap"), false).Num(), 0);
	UTexture2D* FromDisk = OnlyTexture(Import({ Files / "a/T_Swap.png" }, TEXT("/Game/Swap"), true));
	ASSERT_NE(FromDisk, nullptr);
	EXPECT_EQ(FromDisk->GetSizeX(), 1);
}

TEST_F(ImageImportTest, DamagedImagesAndBadRequestsImportNothing)
{
	const std::vector<uint8> Good = MakePng(4, 4, 6, 8, std::vector<uint8>(64, 200));
	WriteBytes(Files / "cut.png", std::vector<uint8>(Good.begin(), Good.begin() + 40));
	WriteBytes(Files / "noise.png", std::vector<uint8>({ 'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e' }));
	WriteBytes(Files / "empty.jpg", {});
	std::vector<uint8> Huge = MakePng(1, 1, 6, 8, { 1, 2, 3, 4 });
	Huge[16] = 0x00; Huge[17] = 0x01; Huge[18] = 0x00; Huge[19] = 0x00;   // width 65536 (the CRC no longer fits either)
	WriteBytes(Files / "huge.png", Huge);
	WriteBytes(Files / "model.xyz", { 1, 2, 3 });

	for (const char* Name : { "cut.png", "noise.png", "empty.jpg", "huge.png" })
	{
		ClearLog();
		EXPECT_EQ(Import({ Files / Name }, TEXT("/Game/Bad"), false).Num(), 0) << Name;
		EXPECT_TRUE(Logged("Failed to import")) << Name;
	}
	EXPECT_TRUE(Listed(TEXT("/Game/Bad"), true).empty());
	EXPECT_EQ(UE::HeadlessEditor::FindPackage(TEXT("/Game/Bad/cut")), nullptr);

	ClearLog();
	EXPECT_EQ(Import({ Files / "model.xyz" }, TEXT("/Game/Bad"), false).Num(), 0);
	EXPECT_TRUE(Logged("Unknown extension 'xyz'"));
	// and, as in the editor, a failed notification says so
	const TArray<FHeadlessNotifications::FRecord> Shown = FHeadlessNotifications::GetNotifications();
	ASSERT_FALSE(Shown.IsEmpty());
	EXPECT_NE(UE::HeadlessEditor::ToUtf8(Shown.Last().Text).find("Unknown extension 'xyz'"), std::string::npos);
	EXPECT_EQ(Shown.Last().CompletionState, SNotificationItem::CS_Fail);
	EXPECT_EQ(Import({ Files / "missing.png" }, TEXT("/Game/Bad"), false).Num(), 0);
	EXPECT_TRUE(Logged("does not exist"));
	WriteBytes(Files / "ok.png", Good);
	for (const TCHAR* Destination : { TEXT("Game/Bad"), TEXT("/Elsewhere/Bad"), TEXT(""), TEXT("/Game/Bad Path") })
	{
		EXPECT_EQ(Import({ Files / "ok.png" }, Destination, false).Num(), 0) << UE::HeadlessEditor::ToUtf8(FString(Destination));
	}
	EXPECT_TRUE(Logged("is not a valid content path"));
	EXPECT_EQ(FAssetToolsModule::GetModule().Get().ImportAssetsAutomated(nullptr).Num(), 0);

	// One bad file among good ones does not stop the others.
	const TArray<UObject*> Mixed = Import({ Files / "noise.png", Files / "ok.png" }, TEXT("/Game/Bad"), false);
	ASSERT_EQ(Mixed.Num(), 1);
	// The package path, not the object's FName, which shows the first spelling of "ok" any test
	// used (an FBX node "OK" makes it "OK").
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Mixed[0]->GetOutermost()->GetName()), "/Game/Bad/ok");
}

TEST_F(ImageImportTest, FileNamesBecomeValidAssetNamesAndTheConsoleImportsAndLists)
{
	WriteBytes(Files / "my tex.v2.png", MakePng(1, 1, 6, 8, { 1, 2, 3, 4 }));
	UTexture2D* Texture = OnlyTexture(Import({ Files / "my tex.v2.png" }, TEXT("/Game/Names"), false));
	ASSERT_NE(Texture, nullptr);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Texture->GetName()), "my_tex_v2");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Texture->GetOutermost()->GetName()), "/Game/Names/my_tex_v2");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(UE::HeadlessEditor::FindAssetImporterName(TEXT("PNG"))), "Texture");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(UE::HeadlessEditor::FindAssetImporterName(TEXT("/a/b.JPEG"))), "Texture");

	// The console's import and listing.
	WriteBytes(Files / "T_Console.png", MakePng(1, 1, 6, 8, { 1, 2, 3, 4 }));
	ASSERT_TRUE(UE::HeadlessEditor::ExecuteConsoleCommand(FString(TEXT("import ")) + Str(Files / "T_Console.png") + TEXT(" /Game/Console")));
	EXPECT_EQ(Listed(TEXT("/Game/Console"), false), std::vector<std::string>({ "/Game/Console/T_Console.T_Console Texture2D" }));
	EXPECT_TRUE(UE::HeadlessEditor::ExecuteConsoleCommand(TEXT("assets /Game/Console")));
	EXPECT_TRUE(UE::HeadlessEditor::ExecuteConsoleCommand(TEXT("assets")));
	// A request without a destination imports nothing.
	ASSERT_TRUE(UE::HeadlessEditor::ExecuteConsoleCommand(FString(TEXT("import ")) + Str(Files / "T_Console.png")));
	EXPECT_EQ(Listed(TEXT("/Game"), true).size(), 2u);
}
