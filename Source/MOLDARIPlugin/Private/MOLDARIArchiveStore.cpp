// Where stored archives live: a folder of its own per archive under Saved/Temp/MOLDARI, written
// whole or not at all.
#include "MOLDARIArchiveDownload.h"

#include <atomic>

#include "HAL/FileManager.h"
#include "HAL/PlatformProcess.h"
#include "Misc/FileHelper.h"
#include "Misc/Paths.h"
#include "Serialization/Archive.h"
#include "Templates/UniquePtr.h"

namespace
{
	// Unique in this process; the process id keeps two editors apart.
	std::atomic<uint32> NextArchiveFolder{ 0 };

	// Pieces of a local copy: the copy's memory does not depend on the archive's size.
	constexpr int64 CopyPieceBytes = 1024 * 1024;
}

FString MOLDARIIntake::GetTempDir()
{
	FString TempDir = FPaths::ProjectSavedDir();
	TempDir.PathAppend(TEXT("Temp/MOLDARI"), 12);
	return TempDir;
}

bool MOLDARIIntake::IsTempArchiveFolder(const FString& Folder)
{
	FString Parent = FPaths::GetPath(Folder);
	FString TempDir = GetTempDir();
	FPaths::NormalizeDirectoryName(Parent);
	FPaths::NormalizeDirectoryName(TempDir);
	return Parent == TempDir && FPaths::GetCleanFilename(Folder).StartsWith(MOLDARI_ARCHIVE_FOLDER_PREFIX, ESearchCase::CaseSensitive);
}

bool MOLDARIIntake::MakeArchiveFolder(const FString& Name, const FString& Kind, FString& OutArchivePath)
{
	IFileManager& FileManager = IFileManager::Get();
	const FString TempDir = GetTempDir();
	FileManager.MakeDirectory(*TempDir, true);

	// A folder of its own, so two imports of one name never share a file; the file keeps the
	// name, which the USDZ road depends on.
	FString Folder;
	do
	{
		Folder = TempDir;
		const FString Leaf = FString::Printf(TEXT("%s%u_%u"), MOLDARI_ARCHIVE_FOLDER_PREFIX, FPlatformProcess::GetCurrentProcessId(), NextArchiveFolder.fetch_add(1));
		Folder.PathAppend(*Leaf, Leaf.Len());
	} while (FileManager.DirectoryExists(*Folder));
	OutArchivePath = Folder;
	OutArchivePath.PathAppend(*Name, Name.Len());
	OutArchivePath += Kind.Equals(TEXT("usdz"), ESearchCase::IgnoreCase) ? TEXT(".usdz") : TEXT(".zip");
	return FileManager.MakeDirectory(*Folder, true);
}

void MOLDARIIntake::RemoveTempArchive(const FString& ArchivePath)
{
	const FString Folder = FPaths::GetPath(ArchivePath);
	if (IsTempArchiveFolder(Folder))
	{
		IFileManager::Get().DeleteDirectory(*Folder, false, true);
	}
	else
	{
		IFileManager::Get().Delete(*ArchivePath, false, false, true);
	}
}

bool IsArchiveSignature(const uint8* Bytes, int64 Num)
{
	return Num >= 4 && Bytes[0] == 0x50 && Bytes[1] == 0x4B && Bytes[2] == 0x03 && Bytes[3] == 0x04;
}

bool IsArchiveSignature(const TArray<uint8>& Bytes)
{
	return IsArchiveSignature(Bytes.GetData(), Bytes.Num());
}

FString StoreTempArchive(const TArray<uint8>& Bytes, const FString& Name, const FString& Kind)
{
	FString ArchivePath;
	const bool bFolder = MOLDARIIntake::MakeArchiveFolder(Name, Kind, ArchivePath);
	// A failed write (a full disk, or a file where the folder should be) may leave part of the
	// archive behind, as the engine's writer does: its folder goes, it is reported here, and no
	// import is made of it.
	if (!bFolder || !FFileHelper::SaveArrayToFile(Bytes, *ArchivePath, &IFileManager::Get(), 0))
	{
		UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Cannot store archive: %s"), *ArchivePath);
		IFileManager::Get().DeleteDirectory(*FPaths::GetPath(ArchivePath), false, true);
		return FString();
	}
	return ArchivePath;
}

ELocalArchiveStore StoreLocalArchive(const FString& SourcePath, const FString& Name, const FString& Kind, FString& OutArchivePath)
{
	// The size comes first, so that nothing which cannot be sized (folders, missing files) is
	// opened, nothing too small to hold the signature (a pipe or a device reports 0) is read,
	// and nothing larger than a download may be is copied.
	IFileManager& FileManager = IFileManager::Get();
	const int64 Size = FileManager.FileSize(*SourcePath);
	if (Size < 0)
	{
		return ELocalArchiveStore::Unreadable;
	}
	if (Size < 4)
	{
		return ELocalArchiveStore::NotAnArchive;
	}
	if (Size > MOLDARIIntake::MaxDownloadBytes)
	{
		UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Local file too large (%lld bytes, limit %lld)"), Size, MOLDARIIntake::MaxDownloadBytes);
		return ELocalArchiveStore::Unreadable;
	}
	TUniquePtr<FArchive> Reader(FileManager.CreateFileReader(*SourcePath, FILEREAD_Silent));
	if (!Reader)
	{
		return ELocalArchiveStore::Unreadable;
	}
	TArray<uint8> Piece;
	Piece.SetNumUninitialized(static_cast<int32>(FMath::Min(CopyPieceBytes, Size)));
	Reader->Serialize(Piece.GetData(), 4);
	if (Reader->IsError())
	{
		return ELocalArchiveStore::Unreadable;
	}
	if (!IsArchiveSignature(Piece.GetData(), 4))
	{
		return ELocalArchiveStore::NotAnArchive;
	}

	// The size read above is what is copied: a file that grows meanwhile is not copied past it.
	TUniquePtr<FArchive> Writer;
	if (MOLDARIIntake::MakeArchiveFolder(Name, Kind, OutArchivePath))
	{
		// New in a new folder: appended to, not truncated (see the download's writer).
		Writer.Reset(FileManager.CreateFileWriter(*OutArchivePath, FILEWRITE_Silent | FILEWRITE_Append));
	}
	bool bWritten = Writer.IsValid();
	int64 Copied = 0;
	int64 InPiece = 4;
	while (bWritten)
	{
		Writer->Serialize(Piece.GetData(), InPiece);
		Copied += InPiece;
		bWritten = !Writer->IsError();
		const int64 Next = FMath::Min<int64>(Piece.Num(), Size - Copied);
		if (Next <= 0)
		{
			break;
		}
		Reader->Serialize(Piece.GetData(), Next);
		if (Reader->IsError())
		{
			// The file shrank or went away while it was copied.
			Writer.Reset();
			MOLDARIIntake::RemoveTempArchive(OutArchivePath);
			return ELocalArchiveStore::Unreadable;
		}
		InPiece = Next;
	}
	bWritten = bWritten && Writer->Close();
	Writer.Reset();
	if (!bWritten)
	{
		UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Cannot store archive: %s"), *OutArchivePath);
		MOLDARIIntake::RemoveTempArchive(OutArchivePath);
		return ELocalArchiveStore::CannotStore;
	}
	return ELocalArchiveStore::Stored;
}
