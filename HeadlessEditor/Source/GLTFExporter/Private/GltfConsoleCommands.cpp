// Console command `export-level FILE.glb`: the editor level as a binary glTF file.
#include "Editor.h"
#include "Engine/World.h"
#include "Misc/Paths.h"

#include "ConsoleCommands.h"
#include "LevelGltfExporter.h"

namespace
{
	using namespace UE::HeadlessEditor;

	void ExportLevel(const TArray<FString>& Args)
	{
		if (Args.Num() != 1 || !Args[0].EndsWith(TEXT(".glb"), ESearchCase::IgnoreCase)) { ConsolePrint(TEXT("usage: export-level FILE.glb")); return; }
		UWorld* World = GEditor ? GEditor->GetEditorWorldContext().World() : nullptr;
		const FString File = FPaths::ConvertRelativePathToFull(Args[0]);
		FGltfExportStats Stats;
		FString Error;
		if (!ExportLevelToGlb(World, File, Stats, Error)) { ConsolePrint(FString::Printf(TEXT("export-level failed: %s"), *Error)); return; }
		ConsolePrint(FString::Printf(TEXT("%s: %d node(s), %d mesh(es), %d material(s), %d texture(s)"), *File, Stats.NumNodes, Stats.NumMeshes, Stats.NumMaterials, Stats.NumTextures));
	}

	const bool GRegistered = [] {
		RegisterConsoleCommand(TEXT("export-level"), TEXT("export-level FILE.glb"), TEXT("write the editor level (actors, meshes, PBR materials and textures) as binary glTF 2.0"), ExportLevel);
		return true;
	}();
}
