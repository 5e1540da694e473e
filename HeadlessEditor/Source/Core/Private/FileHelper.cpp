#include "Misc/FileHelper.h"
#include "Containers/StringConv.h"
#include "Logging/LogMacros.h"
#include "HeadlessString.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

DEFINE_LOG_CATEGORY_STATIC(LogStreaming, Log, All);

namespace
{
	enum class ELoadResult { Loaded, CannotOpen, TooLarge, ReadFailed };

	template <typename ArrayType>
	ELoadResult LoadFileBytes(ArrayType& Result, const TCHAR* Filename, int64& OutSize)
	{
		Result.Reset();
		OutSize = 0;
		const std::string Path = UE::HeadlessEditor::ToUtf8(FString(Filename));
		// O_NONBLOCK: opening a named pipe without a writer would otherwise wait for one. Only
		// regular files are read (their size is known first), so the flag changes nothing else.
		const int Fd = open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
		if (Fd < 0) { return ELoadResult::CannotOpen; }
		struct stat Info;
		if (fstat(Fd, &Info) != 0 || !S_ISREG(Info.st_mode))
		{
			close(Fd);
			return ELoadResult::CannotOpen;
		}
		OutSize = static_cast<int64>(Info.st_size);
		if (static_cast<uint64>(Info.st_size) > static_cast<uint64>(std::numeric_limits<typename ArrayType::SizeType>::max()))
		{
			close(Fd);
			return ELoadResult::TooLarge;
		}
		Result.SetNumUninitialized(static_cast<typename ArrayType::SizeType>(Info.st_size));
		int64 Done = 0;
		while (Done < Info.st_size)
		{
			const ssize_t Count = read(Fd, Result.GetData() + Done, static_cast<size_t>(Info.st_size - Done));
			if (Count < 0 && errno == EINTR) { continue; }
			if (Count <= 0) { break; }
			Done += Count;
		}
		close(Fd);
		if (Done != Info.st_size) { Result.Reset(); return ELoadResult::ReadFailed; }
		return ELoadResult::Loaded;
	}

	template <typename ArrayType>
	bool LoadFile(ArrayType& Result, const TCHAR* Filename)
	{
		int64 Size = 0;
		return LoadFileBytes(Result, Filename, Size) == ELoadResult::Loaded;
	}

	// LoadFileToArray's reports, as the engine's: a file that cannot be opened is a Warning and one
	// too large for the array an Error, both on LogStreaming and both silenced by FILEREAD_Silent.
	template <typename ArrayType>
	bool LoadFileReporting(ArrayType& Result, const TCHAR* Filename, uint32 Flags)
	{
		int64 Size = 0;
		const ELoadResult Loaded = LoadFileBytes(Result, Filename, Size);
		if (!(Flags & FILEREAD_Silent))
		{
			if (Loaded == ELoadResult::CannotOpen)
			{
				UE_LOG(LogStreaming, Warning, TEXT("Failed to read file '%s' error."), Filename);
			}
			else if (Loaded == ELoadResult::TooLarge)
			{
				UE_LOG(LogStreaming, Error, TEXT("File '%s' is too large for 32-bit reader (%lld), use TArray64."), Filename, Size);
			}
		}
		return Loaded == ELoadResult::Loaded;
	}

	// Large files go out in pieces of this size. On ext4 one 400 MiB write() took 1.7 s where
	// 256 KiB pieces of the same buffer took 0.11 s (tmpfs: 0.18 s either way); pieces of 4 MiB
	// were slow again.
	constexpr int64 WritePieceBytes = 256 * 1024;

	bool WriteAll(int Fd, const uint8* Data, int64 Count)
	{
		while (Count > 0)
		{
			const ssize_t Written = write(Fd, Data, static_cast<size_t>(std::min<int64>(Count, WritePieceBytes)));
			if (Written < 0 && errno == EINTR) { continue; }
			if (Written <= 0) { return false; }
			Data += Written;
			Count -= Written;
		}
		return true;
	}
}

bool FFileHelper::LoadFileToArray(TArray<uint8>& Result, const TCHAR* Filename, uint32 Flags) { return LoadFileReporting(Result, Filename, Flags); }
bool FFileHelper::LoadFileToArray(TArray64<uint8>& Result, const TCHAR* Filename, uint32 Flags) { return LoadFileReporting(Result, Filename, Flags); }

// The engine's form with a file name logs nothing when the file cannot be opened (only the form
// that takes a platform file does).
bool FFileHelper::LoadFileToString(FString& Result, const TCHAR* Filename, EHashOptions, uint32)
{
	TArray64<uint8> Bytes;
	if (!LoadFile(Bytes, Filename)) { return false; }
	const uint8* Data = Bytes.GetData();
	int64 Count = Bytes.Num();
	if (Count >= 2 && ((Data[0] == 0xFF && Data[1] == 0xFE) || (Data[0] == 0xFE && Data[1] == 0xFF)))
	{
		const bool bLittle = Data[0] == 0xFF;
		std::u16string Units;
		for (int64 I = 2; I + 1 < Count; I += 2) { Units.push_back(static_cast<char16_t>(bLittle ? Data[I] | (Data[I + 1] << 8) : (Data[I] << 8) | Data[I + 1])); }
		Result = FString(static_cast<int32>(Units.size()), Units.c_str());
		return true;
	}
	if (Count >= 3 && Data[0] == 0xEF && Data[1] == 0xBB && Data[2] == 0xBF) { Data += 3; Count -= 3; }
	if (Count > MAX_int32) { return false; }
	Result = UE::HeadlessEditor::FromUtf8(reinterpret_cast<const char*>(Data), static_cast<size_t>(Count));
	return true;
}

bool FFileHelper::LoadFileToStringArray(TArray<FString>& Result, const TCHAR* Filename)
{
	FString Text;
	if (!LoadFileToString(Text, Filename)) { return false; }
	Text.ParseIntoArrayLines(Result, false);
	return true;
}

bool FFileHelper::SaveArrayToFile(TArrayView64<const uint8> Array, const TCHAR* Filename, IFileManager* FileManager, uint32 WriteFlags)
{
	const std::filesystem::path Target(UE::HeadlessEditor::ToUtf8(FString(Filename)));
	std::error_code Error;
	if (Target.has_parent_path()) { std::filesystem::create_directories(Target.parent_path(), Error); }
	if ((WriteFlags & FILEWRITE_NoReplaceExisting) && std::filesystem::exists(Target, Error)) { return false; }

	static thread_local std::mt19937_64 Random{ std::random_device{}() };
	const std::string Temp = Target.string() + ".tmp" + std::to_string(Random() % 1000000000ull);
	const int Fd = open(Temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
	if (Fd < 0) { return false; }
	const bool bWritten = WriteAll(Fd, Array.GetData(), Array.Num());
	const bool bClosed = close(Fd) == 0;
	if (!bWritten || !bClosed || rename(Temp.c_str(), Target.c_str()) != 0)
	{
		unlink(Temp.c_str());
		return false;
	}
	return true;
}

bool FFileHelper::SaveArrayToFile(const TArray64<uint8>& Array, const TCHAR* Filename, IFileManager* FileManager, uint32 WriteFlags)
{
	return SaveArrayToFile(TArrayView64<const uint8>(Array.GetData(), Array.Num()), Filename, FileManager, WriteFlags);
}

bool FFileHelper::SaveStringToFile(const FString& String, const TCHAR* Filename, EEncodingOptions EncodingOptions, IFileManager* FileManager, uint32 WriteFlags)
{
	std::string Bytes;
	if (EncodingOptions == EEncodingOptions::ForceUTF8) { Bytes = "\xEF\xBB\xBF"; }
	Bytes += UE::HeadlessEditor::ToUtf8(String);
	return SaveArrayToFile(TArrayView64<const uint8>(reinterpret_cast<const uint8*>(Bytes.data()), static_cast<int64>(Bytes.size())), Filename, FileManager, WriteFlags);
}
