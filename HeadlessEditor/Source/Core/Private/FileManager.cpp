// IFileManager over std::filesystem, with error codes (nothing throws).
#include "HAL/FileManager.h"
#include "HeadlessString.h"

#include <filesystem>
#include <fnmatch.h>
#include <system_error>

namespace fs = std::filesystem;

namespace
{
	fs::path ToPath(const TCHAR* Path) { return fs::path(UE::HeadlessEditor::ToUtf8(FString(Path))); }
	FString FromPath(const fs::path& Path) { return FString(Path.generic_string().c_str()); }

	bool Matches(const FString& Wildcard, const fs::path& Name)
	{
		if (Wildcard.IsEmpty() || Wildcard.Equals(TEXT("*")) || Wildcard.Equals(TEXT("*.*"))) { return true; }
		return fnmatch(UE::HeadlessEditor::ToUtf8(Wildcard).c_str(), Name.filename().string().c_str(), FNM_CASEFOLD) == 0;
	}

	class FFileManagerPosix final : public IFileManager
	{
	public:
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

		bool Delete(const TCHAR* Filename, bool RequireExists, bool /*EvenReadOnly*/, bool /*Quiet*/) override
		{
			std::error_code Error;
			const fs::path P = ToPath(Filename);
			const fs::file_status Status = fs::symlink_status(P, Error);
			if (!fs::exists(Status)) { return !RequireExists; }
			if (fs::is_directory(Status)) { return false; }
			return fs::remove(P, Error) && !Error;
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

		bool Move(const TCHAR* Dest, const TCHAR* Src, bool Replace, bool, bool, bool) override
		{
			std::error_code Error;
			const fs::path To = ToPath(Dest);
			const fs::path From = ToPath(Src);
			if (!fs::exists(From, Error)) { return false; }
			if (!Replace && fs::exists(To, Error)) { return false; }
			if (To.has_parent_path()) { fs::create_directories(To.parent_path(), Error); }
			Error.clear();
			fs::rename(From, To, Error);
			if (Error)
			{
				// Across file systems: copy, then remove the source.
				Error.clear();
				fs::copy(From, To, fs::copy_options::overwrite_existing | fs::copy_options::recursive, Error);
				if (Error) { return false; }
				fs::remove_all(From, Error);
			}
			return true;
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
			FDateTime Result;
			if (!E) { Result.Ticks = static_cast<int64>(Time.time_since_epoch().count()); }
			return Result;
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

		void FindFilesRecursive(TArray<FString>& FileNames, const TCHAR* StartDirectory, const TCHAR* Filename, bool Files,
			bool Directories, bool bClearFileNames) override
		{
			if (bClearFileNames) { FileNames.Reset(); }
			const FString Wildcard(Filename);
			FString Start(StartDirectory);
			while (Start.Len() > 1 && Start.EndsWith(TEXT("/"))) { Start.LeftChopInline(1); }
			std::error_code E;
			// Links are not followed: a link inside a folder never leads the walk outside it.
			for (fs::recursive_directory_iterator It(ToPath(*Start), fs::directory_options::none, E), End; !E && It != End; It.increment(E))
			{
				const bool bDir = It->is_directory(E);
				if (((bDir && Directories) || (!bDir && Files)) && Matches(Wildcard, It->path()))
				{
					const fs::path Relative = It->path().lexically_relative(ToPath(*Start));
					FileNames.Add(Start + TEXT("/") + FromPath(Relative));
				}
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
