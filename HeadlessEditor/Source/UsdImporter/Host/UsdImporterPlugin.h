// The USD importer belongs to the engine's "USDImporter" plugin, which is off by default: the
// headless editor registers it for .usdz, .usd, .usda and .usdc only when a project or an enabled
// plugin enables that plugin.
#pragma once

#include "CoreMinimal.h"

namespace UE::HeadlessEditor
{
	void RegisterUsdImporter();
}
