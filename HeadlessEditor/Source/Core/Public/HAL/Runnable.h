#pragma once
#include "HAL/Platform.h"

class FSingleThreadRunnable;

class CORE_API FRunnable
{
public:
	virtual bool Init() { return true; }
	virtual uint32 Run() = 0;
	virtual void Stop() {}
	virtual void Exit() {}
	virtual FSingleThreadRunnable* GetSingleThreadInterface() { return nullptr; }
	virtual ~FRunnable() = default;
};
