// The inputs of a material, with the engine's numbers.
#pragma once

#include "CoreTypes.h"

enum EMaterialProperty : int
{
	MP_EmissiveColor = 0,
	MP_Opacity = 1,
	MP_OpacityMask = 2,
	MP_DiffuseColor = 3,
	MP_SpecularColor = 4,
	MP_BaseColor = 5,
	MP_Metallic = 6,
	MP_Specular = 7,
	MP_Roughness = 8,
	MP_Anisotropy = 9,
	MP_Normal = 10,
	MP_Tangent = 11,
	// The engine has more inputs after these; the stand-in's materials know only the ones above.
	MP_MAX,
};
