// The archive base: flags only. Proxy archives (which pass an error on to the archive they wrap)
// do not exist in the stand-in, so an error is set on this archive alone.
#include "Serialization/Archive.h"

FArchiveState::FArchiveState()
	: ArIsLoading(false), ArIsSaving(false), ArIsPersistent(false), ArIsError(false), ArIsCriticalError(false)
{
}

FArchiveState::FArchiveState(const FArchiveState& Other)
	: ArIsLoading(Other.ArIsLoading), ArIsSaving(Other.ArIsSaving), ArIsPersistent(Other.ArIsPersistent),
	  ArIsError(Other.ArIsError), ArIsCriticalError(Other.ArIsCriticalError)
{
}

FArchiveState& FArchiveState::operator=(const FArchiveState& Other)
{
	ArIsLoading = Other.ArIsLoading;
	ArIsSaving = Other.ArIsSaving;
	ArIsPersistent = Other.ArIsPersistent;
	ArIsError = Other.ArIsError;
	ArIsCriticalError = Other.ArIsCriticalError;
	return *this;
}

FArchiveState::~FArchiveState() = default;

void FArchiveState::SetError() { ArIsError = true; }
void FArchiveState::ClearError() { ArIsError = false; }
void FArchiveState::SetCriticalError() { ArIsError = true; ArIsCriticalError = true; }

FString FArchiveState::GetArchiveName() const { return TEXT("FArchive"); }

void FArchiveState::SetIsLoading(bool bInIsLoading) { ArIsLoading = bInIsLoading; }
void FArchiveState::SetIsSaving(bool bInIsSaving) { ArIsSaving = bInIsSaving; }
void FArchiveState::SetIsPersistent(bool bInIsPersistent) { ArIsPersistent = bInIsPersistent; }

FArchive::~FArchive() = default;
