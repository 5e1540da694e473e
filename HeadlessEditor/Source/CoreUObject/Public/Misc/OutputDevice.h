// Output devices: where GError and GWarn send what they are given (the log, in the stand-in).
#pragma once

#include "CoreMinimal.h"

class COREUOBJECT_API FOutputDevice
{
public:
	virtual ~FOutputDevice() = default;
	virtual void Serialize(const TCHAR* V, ELogVerbosity::Type Verbosity, const FName& Category) = 0;
	virtual void Flush() {}
	virtual void TearDown() {}
	// Whether the device may be called from any thread, from several at once, after a crash.
	// GLog calls a device that cannot be used from several threads on its logging thread only.
	virtual bool CanBeUsedOnAnyThread() const { return false; }
	virtual bool CanBeUsedOnMultipleThreads() const { return false; }
	virtual bool CanBeUsedOnPanicThread() const { return false; }
	virtual bool IsMemoryOnly() const { return false; }
	void Log(const TCHAR* Text) { Serialize(Text, ELogVerbosity::Log, FName()); }
	void Log(ELogVerbosity::Type Verbosity, const TCHAR* Text) { Serialize(Text, Verbosity, FName()); }
	void Log(const FString& Text) { Log(*Text); }
};

// The engine's error device. The stand-in writes to the log at the message's verbosity; only a
// Fatal message ends the process, as the engine's does. GWarn is declared with the engine's globals
// (CoreGlobals.h); its class, FFeedbackContext, is in Misc/FeedbackContext.h.
extern COREUOBJECT_API FOutputDevice* GError;
