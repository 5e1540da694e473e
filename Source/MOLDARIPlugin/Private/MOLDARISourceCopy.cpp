#include "MOLDARIImport.h"

#include "HAL/FileManager.h"
#include "Misc/Paths.h"

void CopySourceFiles(const FString& ExtractDir, const FString& Name)
{
	FString SourceDir = FPaths::ProjectContentDir();
	SourceDir.PathAppend(TEXT("MOLDARIImports"), 14);
	SourceDir.PathAppend(*Name, Name.Len());
	SourceDir.PathAppend(TEXT("Source"), 6);

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
		if (FileManager.Copy(*Destination, *File, true, false, false, nullptr, FILEREAD_None, FILEWRITE_None) != COPY_OK)
		{
			// A copy cut short (a full disk) must not stay behind looking like the source file.
			FileManager.Delete(*Destination, false, false, true);
			UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Failed to copy source file: %s"), *Relative);
			continue;
		}
		++Copied;
	}

	UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Copied %d source file(s) to Content/MOLDARIImports/%s/Source/"), Copied, *Name);
}
