// The asset registry as the rest of the stand-in sees it. Not visible to plugins.
#pragma once

#include "CoreMinimal.h"

DECLARE_LOG_CATEGORY_EXTERN(LogAssetRegistry, Log, All);

namespace UE::HeadlessEditor
{
	// Forgets everything learnt from disk (scanned paths and package files), as a new run of the
	// program would start.
	ASSETREGISTRY_API void ResetAssetRegistry();
}
