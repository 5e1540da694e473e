// The editor engine as the rest of the stand-in (tests, the console) sees it. Not visible to plugins.
#pragma once

#include "CoreMinimal.h"

class UWorld;

namespace UE::HeadlessEditor
{
	// Replaces the editor world with a new, empty one (its actors and the selection go), as a new
	// map would. Returns the new world.
	UNREALED_API UWorld* ResetEditorWorld();
	// How many times RedrawAllViewports was asked for, since the program started.
	UNREALED_API int32 GetViewportRedrawCount();
}
