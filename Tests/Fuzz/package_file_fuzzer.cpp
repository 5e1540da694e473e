// libFuzzer harness over the stand-in's package-file loader: the input becomes a .uasset file in a
// scratch project and is loaded as the editor loads a package (and its summary read as the asset
// registry reads it). The loader must refuse it with a log line or load it; never crash. A
// package that loads must also save and load back: a file the editor writes and cannot read
// again would lose the asset.
//
// Input: the file without its end record; the harness appends the record with the right
// checksum, so mutations reach the tables instead of all ending at the checksum. An input that
// already ends in an end record ("HEND" and 4 bytes) is used whole, checksum and all.
#include "HAL/FileManager.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"
#include "Misc/PackageName.h"
#include "UObject/Package.h"
#include "UObject/SavePackage.h"
#include "UObject/UObjectGlobals.h"

#include "AssetRegistryHost.h"
#include "HeadlessEditorHost.h"
#include "UObjectHost.h"
#include "HeadlessString.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <zlib.h>

namespace
{
	FString GPackageFile;
}

extern "C" int LLVMFuzzerInitialize(int* Argc, char*** Argv)
{
	UE::HeadlessEditor::SetLogToStdout(false);
	char Template[] = "/tmp/package-fuzz-XXXXXX";
	const char* Root = mkdtemp(Template);
	if (Root == nullptr)
	{
		std::perror("mkdtemp");
		std::abort();
	}
	const FString Project = UE::HeadlessEditor::FromUtf8(Root, std::strlen(Root));
	UE::HeadlessEditor::SetProjectDir(Project);
	FPackageName::TryConvertLongPackageNameToFilename(TEXT("/Game/Fuzz/P"), GPackageFile, FPackageName::GetAssetPackageExtension());
	IFileManager::Get().MakeDirectory(*FPaths::GetPath(GPackageFile), true);
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
	TArray<uint8> File(Data, static_cast<int32>(Size));
	const bool bWhole = Size >= 8 && std::memcmp(Data + Size - 8, "HEND", 4) == 0;
	if (!bWhole)
	{
		const uint32 Crc = static_cast<uint32>(crc32(0L, Data, static_cast<uInt>(Size)));
		const uint8 End[8] = { 'H', 'E', 'N', 'D', uint8(Crc), uint8(Crc >> 8), uint8(Crc >> 16), uint8(Crc >> 24) };
		File.Append(End, 8);
	}
	if (!FFileHelper::SaveArrayToFile(File, *GPackageFile))
	{
		std::abort();
	}

	UE::HeadlessEditor::FPackageFileSummary Summary;
	FString Error;
	UE::HeadlessEditor::ReadPackageFileSummary(GPackageFile, Summary, Error);

	UPackage* Package = LoadPackage(nullptr, TEXT("/Game/Fuzz/P"), LOAD_Quiet | LOAD_NoWarn);
	if (Package != nullptr)
	{
		// What loaded is saved over the file and loaded again from a clean slate.
		UObject* Asset = nullptr;
		for (UObject* Object : UE::HeadlessEditor::GetObjectsWithOuter(Package, false))
		{
			Asset = Asset ? Asset : Object;
		}
		FSavePackageArgs Args;
		Args.TopLevelFlags = RF_Public | RF_Standalone;
		Package->MarkPackageDirty();
		const bool bSaved = UPackage::SavePackage(Package, Asset, *GPackageFile, Args);
		UE::HeadlessEditor::UnloadAllPackages();
		if (bSaved && LoadPackage(nullptr, TEXT("/Game/Fuzz/P"), LOAD_Quiet | LOAD_NoWarn) == nullptr)
		{
			std::fprintf(stderr, "package_file_fuzzer: a package that loaded was saved and does not load again\n");
			__builtin_trap();
		}
	}
	UE::HeadlessEditor::UnloadAllPackages();
	return 0;
}
