// Helpers of the object, package, registry and image-import tests: a scratch project per test,
// the log as lines, a "restart" that forgets what is in memory, and image files made in code.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "CoreMinimal.h"
#include "UObject/Object.h"
#include "AssetRegistry/AssetRegistryModule.h"
#include "AssetToolsModule.h"
#include "AutomatedAssetImportData.h"
#include "Modules/ModuleManager.h"

#include "AssetRegistryHost.h"
#include "HeadlessEditorHost.h"
#include "UObjectHost.h"
#include "HeadlessString.h"

namespace AssetTest
{
	namespace fs = std::filesystem;

	inline FString Str(const std::string& Utf8) { return UE::HeadlessEditor::FromUtf8(Utf8.data(), Utf8.size()); }
	inline FString Str(const fs::path& Path) { return Str(Path.string()); }

	// The shared test data: MOLDARI_TESTDATA when set, else the first "shared/testdata" found
	// going up from the test program's folder (the checkout sits beside "shared"). The tests move
	// into the binaries folder, as the engine does, so the current folder says nothing.
	inline fs::path TestDataDir()
	{
		if (const char* Env = std::getenv("MOLDARI_TESTDATA")) { return Env; }
		std::error_code Ec;
		for (fs::path Dir = fs::read_symlink("/proc/self/exe", Ec).parent_path(); !Dir.empty() && Dir != Dir.root_path(); Dir = Dir.parent_path())
		{
			if (fs::is_directory(Dir / "shared/testdata/fbx", Ec)) { return fs::weakly_canonical(Dir / "shared/testdata", Ec); }
		}
		return {};
	}

	inline void WriteBytes(const fs::path& File, const std::vector<uint8>& Bytes)
	{
		fs::create_directories(File.parent_path());
		std::ofstream Out(File, std::ios::binary | std::ios::trunc);
		Out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
	}

	inline std::vector<uint8> ReadBytes(const fs::path& File)
	{
		std::ifstream In(File, std::ios::binary);
		return std::vector<uint8>(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
	}

	// A project folder of its own per test; objects and registry knowledge do not leak between tests.
	class FProjectTest : public ::testing::Test
	{
	protected:
		fs::path Project;
		fs::path Files;   // scratch files outside the project
		std::mutex LogMutex;
		std::vector<std::string> Log;
		int32 LogHandle = 0;

		void SetUp() override
		{
			std::string Template = (fs::temp_directory_path() / "asset-tests-XXXXXX").string();
			const fs::path Root = mkdtemp(Template.data());
			Project = Root / "Project";
			Files = Root / "Files";
			fs::create_directories(Project / "Content");
			fs::create_directories(Project / "Saved");
			fs::create_directories(Files);
			UE::HeadlessEditor::SetProjectDir(Str(Project));
			FModuleManager::Get().LoadModule(FName(TEXT("AssetRegistry")));
			FModuleManager::Get().LoadModule(FName(TEXT("AssetTools")));
			LogHandle = UE::HeadlessEditor::AddLogListener([this](const UE::HeadlessEditor::FLogLine& Line) {
				std::lock_guard<std::mutex> Lock(LogMutex);
				Log.push_back(UE::HeadlessEditor::ToUtf8(Line.Formatted));
			});
		}

		void TearDown() override
		{
			UE::HeadlessEditor::RemoveLogListener(LogHandle);
			Restart();
			std::error_code Ec;
			fs::remove_all(Project.parent_path(), Ec);
		}

		// What a new run of the program would have: nothing in memory, nothing known of the disk.
		static void Restart()
		{
			UE::HeadlessEditor::UnloadAllPackages();
			UE::HeadlessEditor::ResetAssetRegistry();
		}

		bool Logged(const std::string& Text)
		{
			std::lock_guard<std::mutex> Lock(LogMutex);
			return std::any_of(Log.begin(), Log.end(), [&](const std::string& Line) { return Line.find(Text) != std::string::npos; });
		}
		void ClearLog()
		{
			std::lock_guard<std::mutex> Lock(LogMutex);
			Log.clear();
		}

		static IAssetRegistry& Registry() { return FAssetRegistryModule::GetRegistry(); }

		TArray<UObject*> Import(const std::vector<fs::path>& Paths, const FString& Destination, bool bReplaceExisting)
		{
			UAutomatedAssetImportData* Data = NewObject<UAutomatedAssetImportData>(GetTransientPackage());
			for (const fs::path& Path : Paths) { Data->Filenames.Add(Str(Path)); }
			Data->DestinationPath = Destination;
			Data->bReplaceExisting = bReplaceExisting;
			return FAssetToolsModule::GetModule().Get().ImportAssetsAutomated(Data);
		}

		// "Name Class" of the assets under a path, in the registry's order.
		static std::vector<std::string> Listed(const TCHAR* Path, bool bRecursive, bool bOnlyOnDisk = false)
		{
			TArray<FAssetData> Assets;
			Registry().GetAssetsByPath(FName(Path), Assets, bRecursive, bOnlyOnDisk);
			std::vector<std::string> Out;
			for (const FAssetData& Asset : Assets)
			{
				Out.push_back(UE::HeadlessEditor::ToUtf8(Asset.PackageName.ToString()) + "." + UE::HeadlessEditor::ToUtf8(Asset.AssetName.ToString()) + " " + UE::HeadlessEditor::ToUtf8(Asset.AssetClassPath.GetAssetName().ToString()));
			}
			return Out;
		}
	};

	// --- Image files written here, so every pixel is known -------------------------------------

	inline void PutBE32(std::vector<uint8>& Out, uint32 V) { for (int S = 24; S >= 0; S -= 8) { Out.push_back(uint8(V >> S)); } }

	inline uint32 Crc32(const uint8* Data, size_t Size, uint32 Crc = 0)
	{
		Crc = ~Crc;
		for (size_t I = 0; I < Size; ++I)
		{
			Crc ^= Data[I];
			for (int K = 0; K < 8; ++K) { Crc = (Crc >> 1) ^ (0xEDB88320u & (0u - (Crc & 1u))); }
		}
		return ~Crc;
	}

	// A PNG from its raw (already filtered) image data, in stored (uncompressed) deflate blocks,
	// with extra chunks (PLTE, tRNS) before IDAT: any colour type, bit depth or interlacing.
	inline std::vector<uint8> PngFromRaw(uint32 Width, uint32 Height, uint8 BitDepth, uint8 ColorType, uint8 Interlace,
		const std::vector<std::pair<std::string, std::vector<uint8>>>& Chunks, const std::vector<uint8>& Raw)
	{
		std::vector<uint8> Out = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
		auto Chunk = [&Out](const std::string& Type, const std::vector<uint8>& Body) {
			PutBE32(Out, static_cast<uint32>(Body.size()));
			std::vector<uint8> Crced(Type.begin(), Type.end());
			Crced.insert(Crced.end(), Body.begin(), Body.end());
			Out.insert(Out.end(), Crced.begin(), Crced.end());
			PutBE32(Out, Crc32(Crced.data(), Crced.size()));
		};
		std::vector<uint8> Ihdr;
		PutBE32(Ihdr, Width);
		PutBE32(Ihdr, Height);
		Ihdr.insert(Ihdr.end(), { BitDepth, ColorType, 0, 0, Interlace });
		Chunk("IHDR", Ihdr);
		for (const auto& [Type, Body] : Chunks) { Chunk(Type, Body); }
		std::vector<uint8> Z = { 0x78, 0x01 };
		size_t Pos = 0;
		do
		{
			const size_t Len = std::min<size_t>(65535, Raw.size() - Pos);
			const bool bLast = Pos + Len == Raw.size();
			Z.insert(Z.end(), { uint8(bLast ? 1 : 0), uint8(Len), uint8(Len >> 8), uint8(~Len), uint8(~Len >> 8) });
			Z.insert(Z.end(), Raw.begin() + static_cast<std::ptrdiff_t>(Pos), Raw.begin() + static_cast<std::ptrdiff_t>(Pos + Len));
			Pos += Len;
		} while (Pos < Raw.size());
		uint32 A = 1, B = 0;
		for (uint8 C : Raw) { A = (A + C) % 65521; B = (B + A) % 65521; }
		PutBE32(Z, (B << 16) | A);
		Chunk("IDAT", Z);
		Chunk("IEND", {});
		return Out;
	}

	// A PNG of the given colour type (0 grey, 2 RGB, 6 RGBA) and bit depth (8 or 16), rows
	// unfiltered. Samples are big-endian in 16-bit files.
	inline std::vector<uint8> MakePng(uint32 Width, uint32 Height, uint8 ColorType, uint8 BitDepth, const std::vector<uint8>& Samples)
	{
		const size_t Channels = ColorType == 0 ? 1 : ColorType == 2 ? 3 : 4;
		const size_t RowBytes = Width * Channels * (BitDepth / 8);
		std::vector<uint8> Raw;
		for (uint32 Y = 0; Y < Height; ++Y)
		{
			Raw.push_back(0);
			Raw.insert(Raw.end(), Samples.begin() + static_cast<std::ptrdiff_t>(Y * RowBytes), Samples.begin() + static_cast<std::ptrdiff_t>((Y + 1) * RowBytes));
		}
		return PngFromRaw(Width, Height, BitDepth, ColorType, 0, {}, Raw);
	}

	// An uncompressed 24-bit BMP (bottom-up rows, padded to 4 bytes); Rgb is top-down R, G, B.
	inline std::vector<uint8> MakeBmp(uint32 Width, uint32 Height, const std::vector<uint8>& Rgb)
	{
		const uint32 RowBytes = (Width * 3 + 3) & ~3u;
		const uint32 DataSize = RowBytes * Height;
		std::vector<uint8> Out = { 'B', 'M' };
		auto Le32 = [&Out](uint32 V) { for (int S = 0; S < 32; S += 8) { Out.push_back(uint8(V >> S)); } };
		auto Le16 = [&Out](uint16 V) { Out.push_back(uint8(V)); Out.push_back(uint8(V >> 8)); };
		Le32(54 + DataSize); Le32(0); Le32(54);
		Le32(40); Le32(Width); Le32(Height); Le16(1); Le16(24); Le32(0); Le32(DataSize); Le32(2835); Le32(2835); Le32(0); Le32(0);
		for (int32 Y = static_cast<int32>(Height) - 1; Y >= 0; --Y)
		{
			for (uint32 X = 0; X < Width; ++X)
			{
				const size_t I = (static_cast<size_t>(Y) * Width + X) * 3;
				Out.insert(Out.end(), { Rgb[I + 2], Rgb[I + 1], Rgb[I] });
			}
			for (uint32 P = Width * 3; P < RowBytes; ++P) { Out.push_back(0); }
		}
		return Out;
	}

	// An uncompressed 32-bit true-colour TGA with a top-left origin; Rgba is top-down R, G, B, A.
	inline std::vector<uint8> MakeTga(uint16 Width, uint16 Height, const std::vector<uint8>& Rgba)
	{
		std::vector<uint8> Out = { 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8(Width), uint8(Width >> 8), uint8(Height), uint8(Height >> 8), 32, 0x28 };
		for (size_t I = 0; I + 3 < Rgba.size(); I += 4) { Out.insert(Out.end(), { Rgba[I + 2], Rgba[I + 1], Rgba[I], Rgba[I + 3] }); }
		return Out;
	}
}
