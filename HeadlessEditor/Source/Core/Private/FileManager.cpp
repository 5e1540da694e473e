// IFileManager over std::filesystem, with error codes (nothing throws). Move, Delete and
// FindFilesRecursive follow the engine's generic file manager over its Unix platform file; its
// file archives are in FileArchives.cpp.
#include "HAL/FileManager.h"
#include "FileArchives.h"
#include "HAL/PlatformProcess.h"
#include "Logging/LogMacros.h"
#include "HeadlessString.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <vector>

DEFINE_LOG_CATEGORY_STATIC(LogFileManager, Log, All);

namespace fs = std::filesystem;

namespace
{
	fs::path ToPath(const TCHAR* Path) { return fs::path(UE::HeadlessEditor::ToUtf8(FString(Path))); }
	FString FromPath(const fs::path& Path) { return FString(Path.generic_string().c_str()); }

	// The engine's wildcard match: '*' is any run of characters, '?' one character, letters
	// match ignoring case; nothing else is special.
	bool MatchesWildcard(const TCHAR* Name, const TCHAR* Wildcard)
	{
		const TCHAR* StarWildcard = nullptr;
		const TCHAR* StarName = nullptr;
		while (*Name)
		{
			if (*Wildcard == '*')
			{
				StarWildcard = ++Wildcard;
				StarName = Name;
			}
			else if (*Wildcard == '?' || FChar::ToLower(*Wildcard) == FChar::ToLower(*Name))
			{
				++Wildcard;
				++Name;
			}
			else if (StarWildcard)
			{
				Wildcard = StarWildcard;
				Name = ++StarName;
			}
			else
			{
				return false;
			}
		}
		while (*Wildcard == '*') { ++Wildcard; }
		return *Wildcard == 0;
	}

	bool Matches(const FString& Wildcard, const fs::path& Name)
	{
		if (Wildcard.IsEmpty() || Wildcard.Equals(TEXT("*")) || Wildcard.Equals(TEXT("*.*"))) { return true; }
		return MatchesWildcard(*FromPath(Name.filename()), *Wildcard);
	}

	// The platform file's move: a rename, or a copy and delete across file systems. False (with
	// the error number) when the source is missing or the rename fails.
	bool MoveFileOrFolder(const fs::path& To, const fs::path& From, int32& OutErrorCode)
	{
		std::error_code Error;
		if (!fs::exists(fs::symlink_status(From, Error)))
		{
			OutErrorCode = ENOENT;
			return false;
		}
		fs::rename(From, To, Error);
		if (Error == std::errc::cross_device_link)
		{
			Error.clear();
			fs::copy(From, To, fs::copy_options::overwrite_existing | fs::copy_options::recursive, Error);
			if (!Error) { fs::remove_all(From, Error); Error.clear(); }
		}
		OutErrorCode = Error.value();
		return !Error;
	}

	bool IsFile(const fs::path& Path)
	{
		std::error_code Error;
		const fs::file_status Status = fs::status(Path, Error);
		return fs::exists(Status) && !fs::is_directory(Status);
	}

	class FFileManagerPosix final : public IFileManager
	{
	public:
		FArchive* CreateFileReader(const TCHAR* Filename, uint32 ReadFlags) override
		{
			return UE::HeadlessEditor::FileArchives::CreateFileReader(Filename, ReadFlags);
		}

		FArchive* CreateFileWriter(const TCHAR* Filename, uint32 WriteFlags) override
		{
			return UE::HeadlessEditor::FileArchives::CreateFileWriter(Filename, WriteFlags);
		}

		bool MakeDirectory(const TCHAR* Path, bool Tree) override
		{
			std::error_code Error;
			const fs::path P = ToPath(Path);
			if (Tree) { fs::create_directories(P, Error); }
			else { fs::create_directory(P, Error); }
			return fs::is_directory(P, Error);
		}

		bool DeleteDirectory(const TCHAR* Path, bool RequireExists, bool Tree) override
		{
			std::error_code Error;
			const fs::path P = ToPath(Path);
			if (!fs::is_directory(fs::symlink_status(P, Error))) { return !RequireExists; }
			if (Tree) { fs::remove_all(P, Error); }
			else { fs::remove(P, Error); }
			return !Error && !fs::exists(fs::symlink_status(P, Error));
		}

		// As the engine: a path that is not a file (missing, or a folder) is already "deleted"
		// unless RequireExists, which warns.
		bool Delete(const TCHAR* Filename, bool RequireExists, bool /*EvenReadOnly*/, bool Quiet) override
		{
			std::error_code Error;
			const fs::path P = ToPath(Filename);
			const bool bExists = IsFile(P);
			if (RequireExists && !bExists)
			{
				if (!Quiet) { UE_LOG(LogFileManager, Warning, TEXT("Could not delete %s because it doesn't exist."), Filename); }
				return false;
			}
			if (bExists && !(fs::remove(P, Error) && !Error))
			{
				if (!Quiet) { UE_LOG(LogFileManager, Warning, TEXT("Error deleting file: %s (Error Code %i)"), Filename, Error.value()); }
				return false;
			}
			return true;
		}

		uint32 Copy(const TCHAR* Dest, const TCHAR* Src, bool Replace, bool, bool, FCopyProgress*, EFileRead, EFileWrite) override
		{
			std::error_code Error;
			const fs::path To = ToPath(Dest);
			if (!fs::is_regular_file(ToPath(Src), Error)) { return COPY_Fail; }
			if (To.has_parent_path()) { fs::create_directories(To.parent_path(), Error); }
			Error.clear();
			fs::copy_file(ToPath(Src), To, Replace ? fs::copy_options::overwrite_existing : fs::copy_options::none, Error);
			return Error ? COPY_Fail : COPY_OK;
		}

		// As the engine's generic file manager: the destination's folder is made first; an existing
		// destination file is deleted when Replace (a rename replaces it on Linux anyway); a move
		// that fails is retried 10 times, 0.5 s apart, with a Warning each time and an Error at the
		// end, unless bDoNotRetryOrError. A missing source fails the same way.
		bool Move(const TCHAR* Dest, const TCHAR* Src, bool Replace, bool, bool, bool bDoNotRetryOrError) override
		{
			std::error_code Error;
			const fs::path To = ToPath(Dest);
			const fs::path From = ToPath(Src);
			if (To.has_parent_path()) { fs::create_directories(To.parent_path(), Error); }
			Error.clear();
			if (IsFile(To) && Replace && !fs::remove(To, Error) && !bDoNotRetryOrError)
			{
				UE_LOG(LogFileManager, Warning, TEXT("DeleteFile was unable to delete '%s', retrying in .5s..."), Dest);
				FPlatformProcess::Sleep(0.5f);
				Error.clear();
				if (!fs::remove(To, Error))
				{
					UE_LOG(LogFileManager, Error, TEXT("Error deleting file '%s'."), Dest);
					return false;
				}
				UE_LOG(LogFileManager, Warning, TEXT("DeleteFile recovered during retry!"));
			}

			int32 ErrorCode = 0;
			if (MoveFileOrFolder(To, From, ErrorCode)) { return true; }
			if (bDoNotRetryOrError) { return false; }
			for (int32 Retry = 0; Retry < 10; ++Retry)
			{
				UE_LOG(LogFileManager, Warning, TEXT("MoveFile was unable to move '%s' to '%s' (Error Code %i), retrying in .5s..."), Src, Dest, ErrorCode);
				FPlatformProcess::Sleep(0.5f);
				if (MoveFileOrFolder(To, From, ErrorCode))
				{
					UE_LOG(LogFileManager, Warning, TEXT("MoveFile recovered during retry!"));
					return true;
				}
			}
			UE_LOG(LogFileManager, Error, TEXT("Error moving file '%s' to '%s'."), Src, Dest);
			return false;
		}

		bool FileExists(const TCHAR* Filename) override { std::error_code E; return fs::is_regular_file(ToPath(Filename), E); }
		bool DirectoryExists(const TCHAR* InDirectory) override { std::error_code E; return fs::is_directory(ToPath(InDirectory), E); }

		int64 FileSize(const TCHAR* Filename) override
		{
			std::error_code E;
			const uintmax_t Size = fs::file_size(ToPath(Filename), E);
			return E ? -1 : static_cast<int64>(Size);
		}

		FDateTime GetTimeStamp(const TCHAR* Filename) override
		{
			std::error_code E;
			const auto Time = fs::last_write_time(ToPath(Filename), E);
			if (E) { return FDateTime::MinValue(); }
			// The file's time in UTC, as the engine gives it.
			const auto System = std::chrono::file_clock::to_sys(Time);
			return FDateTime::FromUnixTimestamp(std::chrono::duration_cast<std::chrono::seconds>(System.time_since_epoch()).count());
		}

		void FindFiles(TArray<FString>& FileNames, const TCHAR* Filename, bool Files, bool Directories) override
		{
			// The engine's form: a path with a wildcard as its last part; results are bare names.
			const FString Pattern(Filename);
			int32 Sep = INDEX_NONE;
			Pattern.FindLastChar('/', Sep);
			const FString Dir = Sep == INDEX_NONE ? FString(TEXT(".")) : Pattern.Left(Sep);
			const FString Wildcard = Sep == INDEX_NONE ? Pattern : Pattern.RightChop(Sep + 1);
			std::error_code E;
			for (fs::directory_iterator It(ToPath(*Dir), E), End; !E && It != End; It.increment(E))
			{
				const bool bDir = It->is_directory(E);
				if (((bDir && Directories) || (!bDir && Files)) && Matches(Wildcard, It->path()))
				{
					FileNames.Add(FString(It->path().filename().string().c_str()));
				}
			}
		}

		// Breadth first, as the engine walks folders: every match of a folder level comes before
		// those of the level below (within a level, in the order the folders were found and their
		// entries listed). The wildcard is matched against the leaf name, ignoring case.
		void FindFilesRecursive(TArray<FString>& FileNames, const TCHAR* StartDirectory, const TCHAR* Filename, bool Files,
			bool Directories, bool bClearFileNames) override
		{
			if (bClearFileNames) { FileNames.Reset(); }
			FString Wildcard(Filename);
			int32 Sep = INDEX_NONE;
			if (Wildcard.FindLastChar('/', Sep)) { Wildcard.RightChopInline(Sep + 1); }
			FString Start(StartDirectory);
			while (Start.Len() > 1 && Start.EndsWith(TEXT("/"))) { Start.LeftChopInline(1); }

			std::vector<FString> Level{ Start };
			while (!Level.empty())
			{
				std::vector<FString> Next;
				for (const FString& Folder : Level)
				{
					std::error_code E;
					for (fs::directory_iterator It(ToPath(*Folder), E), End; !E && It != End; It.increment(E))
					{
						std::error_code StatusError;
						const bool bDir = It->is_directory(StatusError);
						const FString Path = Folder + TEXT("/") + FromPath(It->path().filename());
						if (((bDir && Directories) || (!bDir && Files)) && Matches(Wildcard, It->path()))
						{
							FileNames.Add(Path);
						}
						// Links are not followed: a link inside a folder never leads the walk outside it.
						if (bDir && !It->is_symlink(StatusError)) { Next.push_back(Path); }
					}
				}
				Level = std::move(Next);
			}
		}

		FString ConvertToAbsolutePathForExternalAppForRead(const TCHAR* Filename) override
		{
			std::error_code E;
			return FromPath(fs::absolute(ToPath(Filename), E));
		}
	};
}

IFileManager& IFileManager::Get()
{
	static FFileManagerPosix Instance;
	return Instance;
}
