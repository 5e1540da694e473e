#include "MOLDARIImport.h"

#include "HAL/FileManager.h"
#include "Misc/Paths.h"

FString MOLDARIImport::SourceCopyFolder(const FString& Name)
{
	return FString::Printf(TEXT("SourceArt/MOLDARIImports/%s/"), *Name);
}

void CopySourceFiles(const FString& ExtractDir, const FString& Name)
{
	// Outside Content/: the editor watches its content folders and offers to import every model
	// and image that appears there, which would make each copy a second asset.
	const FString RelativeDir = MOLDARIImport::SourceCopyFolder(Name);
	FString SourceDir = FPaths::ProjectDir();
	SourceDir.PathAppend(*RelativeDir, RelativeDir.Len());

	IFileManager& FileManager = IFileManager::Get();
	FileManager.MakeDirectory(*SourceDir, true);

	TArray<FString> Files;
	FileManager.FindFilesRecursive(Files, *ExtractDir, TEXT("*"), true, false, true);

	// The folder and the one separator after it; an empty folder string still drops one character.
	const int32 PrefixLength = ExtractDir.Len() + 1;
	int32 Copied = 0;
	for (const FString& File : Files)
	{
		const FString Relative = File.RightChop(PrefixLength);
		// Embedded-media folders the FBX importer writes next to the model are not source files.
		if (Relative.Contains(TEXT(".fbm"), ESearchCase::IgnoreCase))
		{
			continue;
		}
		FString Destination = SourceDir;
		Destination.PathAppend(*Relative, Relative.Len());
		FileManager.MakeDirectory(*FPaths::GetPath(Destination), true);
		// The extraction folder goes right after this: its files are moved, which costs nothing
		// however large they are. Where the project's folders lie on another file system than the
		// temporary folder, the move fails at once and the file is copied.
		if (FileManager.Move(*Destination, *File, true, false, false, true))
		{
			++Copied;
			continue;
		}
		if (FileManager.Copy(*Destination, *File, true, false, false, nullptr, FILEREAD_None, FILEWRITE_None) != COPY_OK)
		{
			// A copy cut short (a full disk) must not stay behind looking like the source file.
			FileManager.Delete(*Destination, false, false, true);
			UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Failed to copy source file: %s"), *Relative);
			continue;
		}
		++Copied;
	}

	UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Copied %d source file(s) to %s"), Copied, *RelativeDir);
}
