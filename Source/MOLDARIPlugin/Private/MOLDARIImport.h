// The import steps that run on the editor's main thread after an archive has been fetched.
#pragma once

#include "CoreMinimal.h"
#include "Delegates/Delegate.h"
#include "MOLDARIImportJobs.h"

struct FScopedSlowTask;
class UStaticMesh;
class USkeletalMesh;

// Content root of every import; a ZIP import lands in Root + "/" + Name.
#define MOLDARI_IMPORT_ROOT TEXT("/Game/MOLDARIImports")

// Any thread but the main one while imports run there (the archive worker): extracts a stored
// ZIP archive into a fresh folder for its import. False when nothing can be imported: logged,
// reported to the job, and the archive removed where it is unreadable as a ZIP.
bool ExtractArchiveForImport(const FString& ArchivePath, FString& OutExtractDir);
// Main thread: the engine's part of the import of an extracted ZIP archive; removes the
// extracted folder (not the archive).
void ImportExtractedArchive(const FString& ExtractDir, const FString& Name);
// Main thread: both at once, for the archive at ArchivePath (Kind "usdz", any case, is imported
// as it is), and removes the temporary files.
void ImportArchive(const FString& ArchivePath, const FString& Name, const FString& Kind);

// Keeps every file under ExtractDir (except .fbm folders and files) in the project's
// SourceArt/MOLDARIImports/<Name>/ folder, keeping the relative paths. The files are moved out of
// ExtractDir where they can be (the extraction folder is removed after the import), else copied.
void CopySourceFiles(const FString& ExtractDir, const FString& Name);

// Saves every dirty package under ContentPath (recursively).
void SaveImportedPackages(const FString& ContentPath);

// Builds "M_<Name>_PBR" from ExtractDir/metadata.json, assigns it to one slot of the mesh and
// deletes the materials and textures the FBX import generated that nothing uses any more.
void CreatePBRMaterialForStaticMesh(UStaticMesh* Mesh, const FString& ExtractDir, const FString& DestPath, const FString& Name);
void CreatePBRMaterialForSkeletalMesh(USkeletalMesh* Mesh, const FString& ExtractDir, const FString& DestPath, const FString& Name);
// The same for every mesh of one model: one material, given to the slot named like the
// metadata's entry in each mesh that has one, or to slot 0 of each mesh when none has.
void CreatePBRMaterialForMeshes(const TArray<UStaticMesh*>& StaticMeshes, const TArray<USkeletalMesh*>& SkeletalMeshes, const FString& ExtractDir,
	const FString& DestPath, const FString& Name);

// Spawns an actor for the mesh at the world origin, labelled Name, and selects it.
void PlaceStaticMeshActor(UStaticMesh* Mesh, const FString& Name);
void PlaceSkeletalMeshActor(USkeletalMesh* Mesh, const FString& Name);

namespace MOLDARIImport
{
	// True when a texture path from metadata.json may be read: relative, without "..", ":" or a
	// leading separator, and still inside ExtractDir once joined and normalised.
	bool IsSafeTexturePath(const FString& ExtractDir, const FString& RelativePath);

	// True for files a macOS archiver adds beside the real ones (under "__MACOSX" or named "._*").
	bool IsMacResourceFork(const FString& ExtractDir, const FString& Path);

	// Where the archive's files are kept, relative to the project's folder:
	// "SourceArt/MOLDARIImports/<Name>/".
	FString SourceCopyFolder(const FString& Name);

	// Upper bound of the free-folder search of the USDZ road.
	constexpr int32 MaxFolderCandidates = 10000;

	// Largest metadata.json read; a larger one is passed over like a missing one.
	constexpr int64 MaxMetadataBytes = 1024 * 1024;

	// Each stage an import enters, with the slow task that shows it in the editor (tests listen).
	DECLARE_MULTICAST_DELEGATE_TwoParams(FOnImportStep, const FScopedSlowTask&, MOLDARIJobs::EImportStep);
	FOnImportStep& OnImportStep();

	// The USDZ road with another bound, so the bound can be reached in a test.
	void ImportUsdzWithFolderBound(const FString& ArchivePath, const FString& Name, int32 MaxCandidates);
}
