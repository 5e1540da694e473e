// Threads that run an FRunnable: Create waits until Init has run; Kill(true) calls Stop and
// joins, as in the engine.
#pragma once

#include "HAL/Platform.h"
#include "HAL/Runnable.h"
#include "GenericPlatform/GenericPlatformAffinity.h"
#include "Containers/UnrealString.h"

class CORE_API FRunnableThread
{
public:
	static FRunnableThread* Create(FRunnable* InRunnable, const TCHAR* ThreadName, uint32 InStackSize = 0,
		EThreadPriority InThreadPri = TPri_Normal, uint64 InThreadAffinityMask = FPlatformAffinity::GetNoAffinityMask(),
		EThreadCreateFlags InCreateFlags = EThreadCreateFlags::None);

	virtual bool Kill(bool bShouldWait = true) = 0;
	virtual void WaitForCompletion() = 0;
	virtual void SetThreadPriority(EThreadPriority NewPriority) = 0;
	const FString& GetThreadName() const { return ThreadName; }
	uint32 GetThreadID() const { return ThreadID; }
	EThreadPriority GetThreadPriority() const { return ThreadPriority; }
	virtual ~FRunnableThread() = default;

protected:
	FString ThreadName;
	uint32 ThreadID = 0;
	EThreadPriority ThreadPriority = TPri_Normal;
};
