#pragma once
#include "HAL/Platform.h"
#include "Misc/CoreMiscDefines.h"
#include "Misc/AssertionMacros.h"
