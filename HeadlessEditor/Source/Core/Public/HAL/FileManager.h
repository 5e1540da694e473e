// The engine's file manager over std::filesystem. Paths use '/'; no call throws.
#pragma once
#include "Misc/DateTime.h"

#include "HAL/Platform.h"
#include "Containers/Array.h"
#include "Containers/UnrealString.h"

enum EFileRead { FILEREAD_None = 0x0, FILEREAD_NoFail = 0x1, FILEREAD_Silent = 0x2, FILEREAD_AllowWrite = 0x4 };
enum EFileWrite { FILEWRITE_None = 0x0, FILEWRITE_NoFail = 0x1, FILEWRITE_NoReplaceExisting = 0x2, FILEWRITE_EvenIfReadOnly = 0x4,
	FILEWRITE_Append = 0x8, FILEWRITE_AllowRead = 0x10, FILEWRITE_Silent = 0x20 };
enum ECopyResult { COPY_OK = 0, COPY_Fail = 1, COPY_Canceled = 2 };

struct FCopyProgress;
class FArchive;

class CORE_API IFileManager
{
public:
	static IFileManager& Get();
	virtual ~IFileManager() = default;

	// Opens a file to read and returns an archive over it, or nullptr when it cannot be opened.
	// The caller deletes the archive. ReadFlags are EFileRead values.
	virtual FArchive* CreateFileReader(const TCHAR* Filename, uint32 ReadFlags = 0) = 0;
	// Opens (creating, and emptying unless FILEWRITE_Append) a file to write and returns an
	// archive over it, or nullptr when it cannot be opened. The caller deletes the archive.
	// WriteFlags are EFileWrite values.
	virtual FArchive* CreateFileWriter(const TCHAR* Filename, uint32 WriteFlags = 0) = 0;

	virtual bool MakeDirectory(const TCHAR* Path, bool Tree = false) = 0;
	virtual bool DeleteDirectory(const TCHAR* Path, bool RequireExists = false, bool Tree = false) = 0;
	virtual bool Delete(const TCHAR* Filename, bool RequireExists = false, bool EvenReadOnly = false, bool Quiet = false) = 0;
	virtual uint32 Copy(const TCHAR* Dest, const TCHAR* Src, bool Replace = true, bool EvenIfReadOnly = false, bool Attributes = false,
		FCopyProgress* Progress = nullptr, EFileRead ReadFlags = FILEREAD_None, EFileWrite WriteFlags = FILEWRITE_None) = 0;
	virtual bool Move(const TCHAR* Dest, const TCHAR* Src, bool Replace = true, bool EvenIfReadOnly = false, bool Attributes = false,
		bool bDoNotRetryOrError = false) = 0;
	virtual bool FileExists(const TCHAR* Filename) = 0;
	virtual bool DirectoryExists(const TCHAR* InDirectory) = 0;
	virtual int64 FileSize(const TCHAR* Filename) = 0;
	virtual FDateTime GetTimeStamp(const TCHAR* Filename) = 0;
	virtual void FindFiles(TArray<FString>& FileNames, const TCHAR* Filename, bool Files, bool Directories) = 0;
	virtual void FindFilesRecursive(TArray<FString>& FileNames, const TCHAR* StartDirectory, const TCHAR* Filename, bool Files,
		bool Directories, bool bClearFileNames = true) = 0;
	virtual FString ConvertToAbsolutePathForExternalAppForRead(const TCHAR* Filename) = 0;
};
