#pragma once
#include "HAL/Platform.h"
#include "Misc/EnumClassFlags.h"
enum EThreadPriority { TPri_Normal, TPri_AboveNormal, TPri_BelowNormal, TPri_Highest, TPri_Lowest, TPri_SlightlyBelowNormal, TPri_TimeCritical, TPri_Num };
enum class EThreadCreateFlags : int8 { None = 0, SMTExclusive = 1 << 0 };
ENUM_CLASS_FLAGS(EThreadCreateFlags)
struct FPlatformAffinity { static uint64 GetNoAffinityMask() { return ~static_cast<uint64>(0); } };
