// What the headless Content Browser was last asked to show, which the engine does not offer:
// for tests and the console. Game thread only.
#pragma once

#include "CoreMinimal.h"

struct CONTENTBROWSER_API FHeadlessContentBrowser
{
	struct FSync
	{
		// "/Game/Folder/Asset.Asset", in the order given.
		TArray<FString> ObjectPaths;
		bool bAllowLockedBrowsers = false;
		bool bFocusContentBrowser = true;
		FName InstanceName;
		bool bNewSpawnBrowser = false;
	};

	// How many syncs there were since start-up (or Reset).
	static int32 GetNumSyncs();
	// The last one; an empty sync when there was none.
	static FSync GetLastSync();
	static void Reset();
};
