// UMaterialInterface: what a mesh's material slot holds (a material or a material instance).
#pragma once

#include "UObject/Object.h"

class UMaterial;

class ENGINE_API UMaterialInterface : public UObject
{
	DECLARE_HEADLESS_CLASS(UMaterialInterface, UObject)

	// The material this one is (or is an instance of).
	virtual UMaterial* GetMaterial() { return nullptr; }
};
