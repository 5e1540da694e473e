#pragma once
#include "HAL/Platform.h"

class FDefaultAllocator { public: using SizeType = int32; };
class FDefaultAllocator64 { public: using SizeType = int64; };
template <int32 NumInlineElements> class TInlineAllocator { public: using SizeType = int32; };
