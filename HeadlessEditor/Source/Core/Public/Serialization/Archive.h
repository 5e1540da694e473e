// The engine's archive: a byte stream that is read (loading) or written (saving), with a sticky
// error flag. Only the byte-level part that file readers, file writers and streams use is here;
// nothing in the stand-in serialises objects or versions through it.
#pragma once

#include "CoreTypes.h"
#include "Containers/UnrealString.h"

// The state every archive carries. Only FArchive derives from it (privately, as in the engine),
// and re-exposes what callers may use.
struct FArchiveState
{
private:
	friend class FArchive;

	CORE_API FArchiveState();
	CORE_API FArchiveState(const FArchiveState&);
	CORE_API FArchiveState& operator=(const FArchiveState& ArchiveToCopy);
	CORE_API virtual ~FArchiveState() = 0;

public:
	// Marks the archive as failed; the flag stays until ClearError.
	CORE_API void SetError();
	// Clears the error flag (a critical error stays).
	CORE_API void ClearError();
	// Marks the archive as failed beyond recovery (the error flag too).
	CORE_API void SetCriticalError();

	// A name for messages; the base archive answers "FArchive".
	CORE_API virtual FString GetArchiveName() const;

	// The position in the backing storage, or INDEX_NONE when there is none.
	virtual int64 Tell() { return INDEX_NONE; }
	// The size of the backing storage, or INDEX_NONE when there is none.
	virtual int64 TotalSize() { return INDEX_NONE; }
	// At or past the end of the backing storage (false when there is none).
	virtual bool AtEnd()
	{
		const int64 Position = Tell();
		return Position != INDEX_NONE && Position >= TotalSize();
	}

	FORCEINLINE bool IsLoading() const { return ArIsLoading; }
	FORCEINLINE bool IsSaving() const { return ArIsSaving; }
	FORCEINLINE bool IsPersistent() const { return ArIsPersistent; }
	FORCEINLINE bool IsError() const { return ArIsError; }
	FORCEINLINE bool GetError() const { return ArIsError; }
	FORCEINLINE bool IsCriticalError() const { return ArIsCriticalError; }

protected:
	uint8 ArIsLoading : 1;
	uint8 ArIsSaving : 1;
	uint8 ArIsPersistent : 1;

private:
	// Re-exposed by FArchive.
	uint8 ArIsError : 1;
	uint8 ArIsCriticalError : 1;

public:
	CORE_API virtual void SetIsLoading(bool bInIsLoading);
	CORE_API virtual void SetIsSaving(bool bInIsSaving);
	CORE_API virtual void SetIsPersistent(bool bInIsPersistent);
};

class FArchive : private FArchiveState
{
public:
	FArchive() = default;
	FArchive(const FArchive&) = default;
	FArchive& operator=(const FArchive& ArchiveToCopy) = default;
	CORE_API virtual ~FArchive();

	// Moves Length bytes between V and the archive: out of V when saving, into V when loading.
	// The base archive does nothing.
	virtual void Serialize(void* V, int64 Length) { }

	// Serialises whole bytes that hold LengthBits bits; on load the unused high bits of the last
	// byte are cleared.
	virtual void SerializeBits(void* V, int64 LengthBits)
	{
		Serialize(V, (LengthBits + 7) / 8);
		if (IsLoading() && (LengthBits % 8) != 0)
		{
			static_cast<uint8*>(V)[LengthBits / 8] &= static_cast<uint8>((1 << (LengthBits & 7)) - 1);
		}
	}

	using FArchiveState::SetError;
	using FArchiveState::ClearError;
	using FArchiveState::SetCriticalError;
	using FArchiveState::GetArchiveName;
	using FArchiveState::Tell;
	using FArchiveState::TotalSize;
	using FArchiveState::AtEnd;

	// Moves to a position of the backing storage; the base archive has none and does nothing.
	virtual void Seek(int64 InPos) { }

	// A hint that the bytes at this offset will be read soon. True when nothing is pending.
	virtual bool Precache(int64 PrecacheOffset, int64 PrecacheSize) { return true; }
	// Drops what the archive holds in its own cache.
	virtual void FlushCache() { }
	// Hands buffered bytes on to the backing storage.
	virtual void Flush() { }
	// Ends the use of the backing storage; true when the archive had no error.
	virtual bool Close() { return !IsError(); }

	using FArchiveState::IsLoading;
	using FArchiveState::IsSaving;
	using FArchiveState::IsPersistent;
	using FArchiveState::GetError;
	using FArchiveState::IsError;
	using FArchiveState::IsCriticalError;

	using FArchiveState::ArIsError;
	using FArchiveState::ArIsCriticalError;

	using FArchiveState::SetIsLoading;
	using FArchiveState::SetIsSaving;
	using FArchiveState::SetIsPersistent;
};
