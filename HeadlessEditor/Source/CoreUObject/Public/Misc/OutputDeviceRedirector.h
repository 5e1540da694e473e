// GLog: the engine's fan-out of log lines to every registered output device.
#pragma once

#include "Misc/OutputDevice.h"

class COREUOBJECT_API FOutputDeviceRedirector : public FOutputDevice
{
public:
	// Every line logged from then on (any category, level and thread) also reaches Device,
	// until it is removed. The device is not owned.
	void AddOutputDevice(FOutputDevice* Device);
	void RemoveOutputDevice(FOutputDevice* Device);
	void Serialize(const TCHAR* V, ELogVerbosity::Type Verbosity, const FName& Category) override;
};

extern COREUOBJECT_API FOutputDeviceRedirector* GLog;
