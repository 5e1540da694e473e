// Per-slot texture-coordinate density data of the engine (kept for the declarations; unused here).
#pragma once

#include "CoreMinimal.h"

struct FMeshUVChannelInfo
{
	bool bInitialized = false;
	bool bOverrideDensities = false;
	float LocalUVDensities[4] = { 0, 0, 0, 0 };

	bool operator==(const FMeshUVChannelInfo& Other) const = default;
};
