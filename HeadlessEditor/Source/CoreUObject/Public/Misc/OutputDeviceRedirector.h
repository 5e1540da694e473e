// GLog: the engine's fan-out of log lines to every registered output device.
#pragma once

#include "Misc/EnumClassFlags.h"
#include "Misc/OutputDevice.h"

enum class EOutputDeviceRedirectorFlushOptions : uint32
{
	None = 0,
	// Wake the logging thread without waiting for it.
	Async = 1 << 0,
};
ENUM_CLASS_FLAGS(EOutputDeviceRedirectorFlushOptions);

// Every line logged from then on (any category, level and thread) also reaches each added device,
// until it is removed; devices are not owned. As in the editor, a device that cannot be used from
// several threads (CanBeUsedOnMultipleThreads false, the default) gets its lines later, on the
// logging thread; the others get each line at once, on the thread that logs it.
class COREUOBJECT_API FOutputDeviceRedirector final : public FOutputDevice
{
public:
	void AddOutputDevice(FOutputDevice* Device);
	void RemoveOutputDevice(FOutputDevice* Device);
	bool IsRedirectingTo(FOutputDevice* Device);
	// Waits until the logging thread has delivered every line logged so far (unless Async).
	void FlushThreadedLogs(EOutputDeviceRedirectorFlushOptions Options = EOutputDeviceRedirectorFlushOptions::None);
	void Serialize(const TCHAR* V, ELogVerbosity::Type Verbosity, const FName& Category) override;
	void Flush() override;
	bool CanBeUsedOnAnyThread() const override { return true; }
	bool CanBeUsedOnMultipleThreads() const override { return true; }
};

extern COREUOBJECT_API FOutputDeviceRedirector* GLog;
