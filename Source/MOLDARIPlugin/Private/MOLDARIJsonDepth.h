// The nesting bound for JSON text the bridge reads from outside (request bodies, metadata.json).
#pragma once

#include "CoreMinimal.h"

namespace MOLDARIJson
{
	// The deepest nesting of objects and arrays the bridge reads: its documents are two or three
	// levels deep. The engine's reader sets no limit of its own, and the tree of a text nested
	// deeply enough takes more stack to free than a thread has.
	constexpr int32 MaxDepth = 16;

	// True when Text nests objects and arrays no deeper than MaxDepth; brackets inside strings do
	// not count. Looks at the text only, so it is safe on any input.
	bool IsWithinDepth(const FString& Text, int32 MaxNesting = MaxDepth);
}
