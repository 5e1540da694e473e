// FScopeLock: holds an FCriticalSection for the life of a scope; FScopeUnlock lets it go for one.
#pragma once

#include "CoreTypes.h"
#include "HAL/CriticalSection.h"
#include "Misc/AssertionMacros.h"

class FScopeLock
{
public:
	[[nodiscard]] FScopeLock(FCriticalSection* InSynchObject)
		: SynchObject(InSynchObject)
	{
		check(SynchObject);
		SynchObject->Lock();
	}
	~FScopeLock() { Unlock(); }

	void Unlock()
	{
		if (SynchObject)
		{
			SynchObject->Unlock();
			SynchObject = nullptr;
		}
	}

	FScopeLock(const FScopeLock&) = delete;
	FScopeLock& operator=(const FScopeLock&) = delete;

private:
	FCriticalSection* SynchObject;
};

class FScopeUnlock
{
public:
	[[nodiscard]] FScopeUnlock(FCriticalSection* InSynchObject)
		: SynchObject(InSynchObject)
	{
		if (SynchObject) { SynchObject->Unlock(); }
	}
	~FScopeUnlock()
	{
		if (SynchObject) { SynchObject->Lock(); }
	}

	FScopeUnlock(const FScopeUnlock&) = delete;
	FScopeUnlock& operator=(const FScopeUnlock&) = delete;

private:
	FCriticalSection* SynchObject;
};
