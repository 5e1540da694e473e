// libFuzzer harness over metadata.json reading: the input is the file's text (UTF-8), parsed as
// the material builder parses it; every texture path it yields, and the text itself taken as a
// path, goes through the texture path check. A path the check lets through must stay strictly
// inside the extraction folder, whatever separators, dots or names it holds: that is checked
// here by walking the path's components, independently of how the check does it.
#include "MOLDARIImport.h"
#include "MOLDARIMaterialMetadata.h"

#include "HeadlessEditorHost.h"
#include "HeadlessString.h"

#include <cstdint>
#include <cstdio>

namespace
{
	const TCHAR* const ExtractDirs[] = {
		TEXT("/fuzz/Project/Saved/Temp/MOLDARI/Extract_7"),
		TEXT("/fuzz/Project/Saved/Temp/MOLDARI/Extract_7/"),
	};

	[[noreturn]] void Fail(const char* What, const FString& Path)
	{
		std::fprintf(stderr, "material_metadata_fuzzer: %s: '%s'\n", What, UE::HeadlessEditor::ToUtf8(Path).c_str());
		__builtin_trap();
	}

	// Depth of the path below the folder once "." and ".." are applied; -1 when it climbs out at
	// any point. Both slashes separate, as they do for the engine's path functions.
	int32 DepthInside(const FString& RelativePath)
	{
		int32 Depth = 0;
		FString Component;
		auto Apply = [&Depth, &Component]() -> bool
		{
			if (Component == TEXT(".."))
			{
				--Depth;
			}
			else if (!Component.IsEmpty() && Component != TEXT("."))
			{
				++Depth;
			}
			Component.Reset();
			return Depth >= 0;
		};
		for (const TCHAR Char : RelativePath)
		{
			if (Char == TEXT('/') || Char == TEXT('\\'))
			{
				if (!Apply()) { return -1; }
			}
			else
			{
				Component.AppendChar(Char);
			}
		}
		return Apply() ? Depth : -1;
	}

	void CheckPath(const FString& RelativePath)
	{
		for (const TCHAR* ExtractDir : ExtractDirs)
		{
			if (!MOLDARIImport::IsSafeTexturePath(ExtractDir, RelativePath))
			{
				continue;
			}
			if (RelativePath.IsEmpty() || RelativePath[0] == TEXT('/') || RelativePath[0] == TEXT('\\'))
			{
				Fail("an absolute path passed", RelativePath);
			}
			if (RelativePath.Contains(TEXT(":")))
			{
				Fail("a path with a drive or stream separator passed", RelativePath);
			}
			if (DepthInside(RelativePath) < 1)
			{
				Fail("a path that leaves the folder (or names the folder itself) passed", RelativePath);
			}
		}
	}
}

extern "C" int LLVMFuzzerInitialize(int* Argc, char*** Argv)
{
	UE::HeadlessEditor::SetLogToStdout(false);
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
	const FString Text = UE::HeadlessEditor::FromUtf8(reinterpret_cast<const char*>(Data), static_cast<int32>(Size));

	MOLDARIImport::FMaterialMetadataEntry Entry;
	const MOLDARIImport::EMaterialMetadataResult Result = MOLDARIImport::ParseMaterialMetadata(Text, Entry);
	if (Result == MOLDARIImport::EMaterialMetadataResult::Entry)
	{
		CheckPath(Entry.BaseColorTexture);
		CheckPath(Entry.NormalTexture);
		CheckPath(Entry.MetallicRoughnessTexture);
	}
	else if (!Entry.Name.IsEmpty() || !Entry.BaseColorTexture.IsEmpty() || !Entry.NormalTexture.IsEmpty() || !Entry.MetallicRoughnessTexture.IsEmpty())
	{
		Fail("no entry, yet fields were filled", Text);
	}
	if (Size <= 512)
	{
		CheckPath(Text);
	}
	return 0;
}
