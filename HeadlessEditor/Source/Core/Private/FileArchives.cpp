// File archives as the engine makes them on Linux: the generic file manager's buffered reader and
// writer (Runtime/Core/Private/HAL/FileManagerGeneric.cpp) over the Unix platform file's handles
// (Runtime/Core/Private/Unix/UnixPlatformFile.cpp). What a caller can see follows those files:
// buffer sizes, when bytes reach the file, which failures set the error flag and what is logged.
#include "FileArchives.h"

#include "CoreMinimal.h"
#include "HAL/FileManager.h"
#include "Misc/Paths.h"
#include "HeadlessString.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

DEFINE_LOG_CATEGORY_STATIC(LogFileManager, Log, All);
DEFINE_LOG_CATEGORY_STATIC(LogUnixPlatformFile, Log, All);

namespace UE::HeadlessEditor::FileArchives
{
	namespace
	{
		FString ErrorText(int ErrorNumber) { return FString(ANSI_TO_TCHAR(std::strerror(ErrorNumber))); }

		int64 RoundUpToPowerOfTwo(int64 Value)
		{
			int64 Result = 1;
			while (Result < Value) { Result <<= 1; }
			return Result;
		}

		// The platform file's name for a path: an absolute path as it is, a relative one made full
		// against the binaries folder.
		FString PlatformPath(const TCHAR* Filename)
		{
			FString Result(Filename);
			if (!FPaths::IsRelative(Result)) { return Result; }
			FPaths::NormalizeFilename(Result);
			return FPaths::ConvertRelativePathToFull(Result);
		}

		// ---- The platform file's writing side -------------------------------------------------

		// Makes every folder on the way to Path (each prefix that ends in '/'), unless Path exists.
		bool CreateDirectoriesFromPath(const std::string& Path)
		{
			struct stat Info;
			if (stat(Path.c_str(), &Info) != -1) { return true; }
			for (size_t Index = 0; Index < Path.size(); ++Index)
			{
				if (Path[Index] != '/') { continue; }
				const std::string Folder = Path.substr(0, Index + 1);
				if (mkdir(Folder.c_str(), 0775) == -1 && errno != EEXIST)
				{
					const int ErrorNumber = errno;
					UE_LOG(LogUnixPlatformFile, Warning, TEXT("create dir('%s') failed: errno=%d (%s)"),
						*FromUtf8(Path.data(), Path.size()), ErrorNumber, *ErrorText(ErrorNumber));
					return false;
				}
			}
			return true;
		}

		// The platform file's OpenWrite: opened without truncation, locked against other writers,
		// then emptied (or positioned at the end to append). -1 when it cannot be opened or another
		// writer holds it.
		int OpenWrite(const TCHAR* Filename, bool bAppend, bool bAllowRead)
		{
			const int Flags = O_CREAT | O_CLOEXEC | (bAllowRead ? O_RDWR : O_WRONLY);
			const FString FullPath = PlatformPath(Filename);
			const std::string Path = ToUtf8(FullPath);
			if (!CreateDirectoriesFromPath(Path)) { return -1; }
			const int Fd = open(Path.c_str(), Flags, S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH);
			if (Fd == -1)
			{
				const int ErrorNumber = errno;
				UE_LOG(LogUnixPlatformFile, Warning, TEXT("open('%s', Flags=0x%08X) failed: errno=%d (%s)"),
					*FullPath, Flags, ErrorNumber, *ErrorText(ErrorNumber));
				return -1;
			}
			// The lock stands for Windows' exclusive write; only "held by someone else" fails.
			if (flock(Fd, LOCK_EX | LOCK_NB) == -1 && errno == EWOULDBLOCK)
			{
				close(Fd);
				return -1;
			}
			if (!bAppend && ftruncate(Fd, 0) != 0)
			{
				const int ErrorNumber = errno;
				UE_LOG(LogUnixPlatformFile, Warning, TEXT("ftruncate() failed for '%s': errno=%d (%s)"), Filename, ErrorNumber, *ErrorText(ErrorNumber));
				close(Fd);
				return -1;
			}
			if (bAppend) { lseek(Fd, 0, SEEK_END); }
			return Fd;
		}

		// The platform file's SetReadOnly(false): gives the owner write permission.
		void MakeWritable(const TCHAR* Filename)
		{
			const std::string Path = ToUtf8(PlatformPath(Filename));
			struct stat Info;
			if (stat(Path.c_str(), &Info) != -1) { chmod(Path.c_str(), Info.st_mode | S_IWUSR); }
		}

		// ---- The platform file's reading side -------------------------------------------------

		bool IsDirectory(const std::string& Path, const dirent& Entry)
		{
			if (Entry.d_type == DT_DIR) { return true; }
			if (Entry.d_type != DT_UNKNOWN && Entry.d_type != DT_LNK) { return false; }
			struct stat Info;
			return stat(Path.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode);
		}

		// Looks for the path's components one by one, ignoring case, in the order the folders list
		// their entries; the first whole match wins.
		bool MapIgnoringCase(const std::vector<FString>& Components, size_t Index, const std::string& Folder, std::string& OutPath)
		{
			DIR* Dir = opendir(Folder.c_str());
			if (!Dir) { return false; }
			const FString Wanted = Components[Index].ToLower();
			const bool bLast = Index + 1 == Components.size();
			bool bFound = false;
			while (dirent* Entry = readdir(Dir))
			{
				if (FromUtf8(Entry->d_name, std::strlen(Entry->d_name)).ToLower() != Wanted) { continue; }
				const std::string Candidate = (Folder == "/" ? Folder : Folder + "/") + Entry->d_name;
				struct stat Info;
				if (bLast) { bFound = stat(Candidate.c_str(), &Info) == 0; }
				else if (IsDirectory(Candidate, *Entry)) { bFound = MapIgnoringCase(Components, Index + 1, Candidate, OutPath); }
				if (bFound)
				{
					if (bLast) { OutPath = Candidate; }
					break;
				}
			}
			closedir(Dir);
			return bFound;
		}

		// The platform file's OpenRead: the path as given, or, when it does not exist, the same path
		// with any case. -1 when nothing can be opened.
		int OpenRead(const TCHAR* Filename)
		{
			const FString FullPath = PlatformPath(Filename);
			if (FullPath.IsEmpty() || FullPath[0] != TEXT('/')) { return -1; }
			const std::string Path = ToUtf8(FullPath);
			int Fd = open(Path.c_str(), O_RDONLY | O_CLOEXEC);
			if (Fd != -1) { return Fd; }
			if (errno != ENOENT)
			{
				const int ErrorNumber = errno;
				UE_LOG(LogUnixPlatformFile, Warning, TEXT("open('%s', O_RDONLY | O_CLOEXEC) failed: errno=%d (%s)"), *FullPath, ErrorNumber, *ErrorText(ErrorNumber));
				return -1;
			}
			TArray<FString> Parts;
			FullPath.ParseIntoArray(Parts, TEXT("/"), true);
			const std::vector<FString> Components(Parts.begin(), Parts.end());
			std::string Mapped;
			if (Components.empty() || !MapIgnoringCase(Components, 0, "/", Mapped)) { return -1; }
			Fd = open(Mapped.c_str(), O_RDONLY | O_CLOEXEC);
			if (Fd != -1 && Mapped != Path)
			{
				UE_LOG(LogUnixPlatformFile, Log, TEXT("Mapped '%s' to '%s'"), *FullPath, *FromUtf8(Mapped.data(), Mapped.size()));
			}
			return Fd;
		}

		// ---- The generic writer -----------------------------------------------------------------

		class FFileWriterArchive final : public FArchive
		{
		public:
			FFileWriterArchive(int InFd, const TCHAR* InFilename, int64 InPos, int64 InBufferSize, uint32 InFlags)
				: Filename(InFilename), Flags(InFlags), Pos(InPos), Fd(InFd), BufferSize(RoundUpToPowerOfTwo(InBufferSize))
			{
				Buffer.reserve(static_cast<size_t>(BufferSize));
				SetIsSaving(true);
				SetIsPersistent(true);
			}
			virtual ~FFileWriterArchive() override { Close(); }

			virtual void Seek(int64 InPos) override
			{
				FlushBuffer();
				check(Fd != -1); // the engine's closed writer has no handle to seek with
				if (lseek(Fd, InPos, SEEK_SET) == -1)
				{
					SetError();
					LogWriteError(TEXT("Error seeking file"));
				}
				Pos = InPos;
			}
			virtual int64 Tell() override { return Pos; }
			// Flushes first, so the size counts every byte serialised so far.
			virtual int64 TotalSize() override
			{
				FlushBuffer();
				check(Fd != -1);
				struct stat Info;
				fstat(Fd, &Info);
				return static_cast<int64>(Info.st_size);
			}
			// Writes what is buffered and closes the file; false when any write failed on the way
			// (closing itself is not checked, as in the engine).
			virtual bool Close() override
			{
				FlushBuffer();
				if (Fd != -1)
				{
					close(Fd);
					Fd = -1;
				}
				return !IsError();
			}
			// Bytes go through the buffer; a piece at least as large as the buffer goes out at once,
			// after what is buffered. The position moves on whatever happens.
			virtual void Serialize(void* V, int64 Length) override
			{
				Pos += Length;
				const uint8* Data = static_cast<const uint8*>(V);
				if (Length >= BufferSize)
				{
					FlushBuffer();
					if (!WriteLowLevel(Data, Length))
					{
						SetError();
						LogWriteError(TEXT("Error writing to file"));
					}
					return;
				}
				int64 Room = 0;
				while (Length > (Room = BufferSize - static_cast<int64>(Buffer.size())))
				{
					Buffer.insert(Buffer.end(), Data, Data + Room);
					Data += Room;
					Length -= Room;
					FlushBuffer();
				}
				Buffer.insert(Buffer.end(), Data, Data + Length);
			}
			// Writes the buffer and asks the system to put the file's data on the disk (fdatasync),
			// only when the buffer held something.
			virtual void Flush() override
			{
				if (FlushBuffer() && Fd != -1) { fdatasync(Fd); }
			}
			virtual FString GetArchiveName() const override { return Filename; }

		private:
			bool FlushBuffer()
			{
				if (Buffer.empty()) { return false; }
				const bool bWritten = WriteLowLevel(Buffer.data(), static_cast<int64>(Buffer.size()));
				if (!bWritten)
				{
					SetError();
					LogWriteError(TEXT("Error flushing file"));
				}
				Buffer.clear();
				return bWritten;
			}

			// The platform handle's Write: write() until all is out; a failed call (a full disk among
			// them) fails the whole write.
			bool WriteLowLevel(const uint8* Data, int64 Count)
			{
				check(Fd != -1); // the engine's closed writer has no handle to write with
				while (Count > 0)
				{
					const ssize_t Written = write(Fd, Data, static_cast<size_t>(std::min<int64>(Count, 0x7ffff000)));
					if (Written == -1)
					{
						LastErrorNumber = errno;
						return false;
					}
					Data += Written;
					Count -= Written;
				}
				return true;
			}

			void LogWriteError(const TCHAR* Message)
			{
				if (Flags & FILEWRITE_Silent) { return; }
				UE_LOG(LogFileManager, Error, TEXT("%s: %s (%s)"), Message, *Filename, *ErrorText(LastErrorNumber));
			}

			FString Filename;
			uint32 Flags;
			int64 Pos;
			int Fd;
			int64 BufferSize;
			std::vector<uint8> Buffer;
			int LastErrorNumber = 0;
		};

		// ---- The generic reader -----------------------------------------------------------------

		class FFileReaderArchive final : public FArchive
		{
		public:
			FFileReaderArchive(int InFd, const TCHAR* InFilename, int64 InSize, int64 InBufferSize, uint32 InFlags)
				: Filename(InFilename), Size(InSize), Fd(InFd), FileOffset(0), Flags(InFlags)
			{
				BufferSize = std::min(RoundUpToPowerOfTwo(InBufferSize), Size);
				SetIsLoading(true);
				SetIsPersistent(true);
			}
			virtual ~FFileReaderArchive() override { Close(); }

			// Seeking before the start or past the end is a failed check, as in the engine.
			virtual void Seek(int64 InPos) override
			{
				check(InPos >= 0);
				check(InPos <= Size);
				const bool bOutsideBuffer = InPos < BufferBase || InPos >= BufferBase + static_cast<int64>(Buffer.size());
				int64 HandlePos = InPos;
				if (bOutsideBuffer) { bFirstReadAfterSeek = true; }
				else
				{
					HandlePos = BufferBase + static_cast<int64>(Buffer.size());
					bFirstReadAfterSeek = false;
				}
				SeekLowLevel(HandlePos);
				Pos = InPos;
			}
			virtual int64 Tell() override { return Pos; }
			// The size when the file was opened.
			virtual int64 TotalSize() override { return Size; }
			virtual bool Close() override
			{
				if (Fd != -1)
				{
					close(Fd);
					Fd = -1;
				}
				return !IsError();
			}
			virtual bool Precache(int64 PrecacheOffset, int64 PrecacheSize) override
			{
				if (PrecacheSize < 0) { return true; }
				InternalPrecache(PrecacheOffset, PrecacheSize);
				bFirstReadAfterSeek = false;
				return true;
			}
			virtual void FlushCache() override
			{
				Buffer.clear();
				Buffer.shrink_to_fit();
				BufferBase = Pos;
				if (Fd != -1) { SeekLowLevel(Pos); }
			}
			// Reads through a buffer of up to 256 KiB; a read of at least that size (or the first
			// one after a seek away from the buffer) goes to the file directly. A read past the size
			// reads nothing and sets the error flag.
			virtual void Serialize(void* V, int64 Length) override
			{
				if (Pos + Length > Size)
				{
					SetError();
					if (!IsSilent())
					{
						UE_LOG(LogFileManager, Error, TEXT("Requested read of %d bytes when %d bytes remain (file=%s, size=%d)"),
							static_cast<int32>(Length), static_cast<int32>(Size - Pos), *Filename, static_cast<int32>(Size));
					}
					return;
				}
				uint8* Out = static_cast<uint8*>(V);
				bool bReadUncached = false;
				if (Pos < BufferBase || Pos >= BufferBase + static_cast<int64>(Buffer.size()))
				{
					BufferBase = Pos;
					Buffer.clear();
					bReadUncached = bFirstReadAfterSeek;
				}
				bFirstReadAfterSeek = false;
				while (Length > 0)
				{
					int64 Copy = std::min(Length, BufferBase + static_cast<int64>(Buffer.size()) - Pos);
					if (Copy <= 0)
					{
						if (Length >= BufferSize || bReadUncached)
						{
							const int64 Count = ReadLowLevel(Out, Length);
							if (Count != Length)
							{
								SetError();
								if (!IsSilent())
								{
									UE_LOG(LogFileManager, Warning, TEXT("ReadFile failed: Count=%lld Length=%lld Error=%s for file %s"),
										static_cast<long long>(Count), static_cast<long long>(Length), *ErrorText(LastErrorNumber), *Filename);
								}
							}
							Pos += Length;
							return;
						}
						if (!InternalPrecache(Pos, MAX_int32))
						{
							SetError();
							if (!IsSilent()) { UE_LOG(LogFileManager, Warning, TEXT("ReadFile failed during precaching for file %s"), *Filename); }
							return;
						}
						Copy = std::min(Length, BufferBase + static_cast<int64>(Buffer.size()) - Pos);
						if (Copy <= 0)
						{
							SetError();
							if (!IsSilent())
							{
								UE_LOG(LogFileManager, Error, TEXT("ReadFile beyond EOF %lld+%lld/%lld for file %s"),
									static_cast<long long>(Pos), static_cast<long long>(Length), static_cast<long long>(Size), *Filename);
							}
							return;
						}
					}
					std::memcpy(Out, Buffer.data() + (Pos - BufferBase), static_cast<size_t>(Copy));
					Pos += Copy;
					Length -= Copy;
					Out += Copy;
				}
			}
			virtual FString GetArchiveName() const override { return Filename; }

		private:
			bool IsSilent() const { return (Flags & FILEREAD_Silent) != 0; }

			// Fills the buffer from Pos. The handle reads all or nothing, so a short read leaves the
			// buffer empty.
			bool InternalPrecache(int64 PrecacheOffset, int64 PrecacheSize)
			{
				const int64 Buffered = static_cast<int64>(Buffer.size());
				if (Pos != PrecacheOffset) { return BufferBase <= PrecacheOffset && PrecacheOffset < BufferBase + Buffered; }
				const int64 BufferCount = std::min(BufferSize, Size - Pos);
				if (BufferCount <= 0) { return false; }
				if (BufferBase <= Pos && Pos < BufferBase + Buffered) { return true; }
				Buffer.resize(static_cast<size_t>(BufferCount));
				BufferBase = Pos;
				const int64 Count = ReadLowLevel(Buffer.data(), BufferCount);
				if (Count != BufferCount)
				{
					if (!IsSilent())
					{
						UE_LOG(LogFileManager, Warning, TEXT("ReadFile failed: Count=%lld ReadCount=%lld Error=%s"),
							static_cast<long long>(Count), static_cast<long long>(BufferCount), *ErrorText(LastErrorNumber));
					}
					Buffer.resize(static_cast<size_t>(Count));
					return Count > 0;
				}
				return true;
			}

			// The read handle keeps its own offset, which a seek sets (to the last byte at most) and
			// a read moves on; a read gives all the bytes asked for or counts as none.
			void SeekLowLevel(int64 InPos) { FileOffset = InPos >= Size ? Size - 1 : InPos; }
			int64 ReadLowLevel(uint8* Out, int64 Count)
			{
				check(Fd != -1); // the engine's closed reader has no handle to read with
				int64 Done = 0;
				while (Done < Count)
				{
					const ssize_t Read = pread(Fd, Out + Done, static_cast<size_t>(std::min<int64>(Count - Done, 0x7ffff000)), FileOffset + Done);
					if (Read <= 0)
					{
						LastErrorNumber = Read < 0 ? errno : 0;
						break;
					}
					Done += Read;
				}
				FileOffset += Done;
				return Done == Count ? Count : 0;
			}

			FString Filename;
			int64 Size;
			int64 Pos = 0;
			int64 BufferBase = 0;
			int64 BufferSize = 0;
			int Fd;
			int64 FileOffset;
			uint32 Flags;
			bool bFirstReadAfterSeek = false;
			std::vector<uint8> Buffer;
			int LastErrorNumber = 0;
		};
	}

	FArchive* CreateFileReader(const TCHAR* Filename, uint32 ReadFlags)
	{
		const int Fd = OpenRead(Filename);
		if (Fd == -1)
		{
			if (ReadFlags & FILEREAD_NoFail) { UE_LOG(LogFileManager, Fatal, TEXT("Failed to read file: %s"), Filename); }
			return nullptr;
		}
		struct stat Info;
		fstat(Fd, &Info);
		return new FFileReaderArchive(Fd, Filename, static_cast<int64>(Info.st_size), ReaderBufferSize, ReadFlags);
	}

	// The generic file manager's writer: FILEWRITE_NoReplaceExisting is not looked at (only Copy
	// and Move honour it), and a second try follows making the file's folder.
	FArchive* CreateFileWriter(const TCHAR* Filename, uint32 WriteFlags)
	{
		if (WriteFlags & FILEWRITE_EvenIfReadOnly) { MakeWritable(Filename); }
		const bool bAppend = (WriteFlags & FILEWRITE_Append) != 0;
		const bool bAllowRead = (WriteFlags & FILEWRITE_AllowRead) != 0;
		int Fd = OpenWrite(Filename, bAppend, bAllowRead);
		if (Fd == -1)
		{
			IFileManager::Get().MakeDirectory(*FPaths::GetPath(Filename), true);
			Fd = OpenWrite(Filename, bAppend, bAllowRead);
		}
		if (Fd == -1)
		{
			if (WriteFlags & FILEWRITE_NoFail) { UE_LOG(LogFileManager, Fatal, TEXT("Failed to create file: %s"), Filename); }
			return nullptr;
		}
		return new FFileWriterArchive(Fd, Filename, static_cast<int64>(lseek(Fd, 0, SEEK_CUR)), WriterBufferSize, WriteFlags);
	}
}
