// UMaterialInterface: what a mesh's material slot holds (a material or a material instance).
#pragma once

#include "UObject/Object.h"

class UMaterial;

class ENGINE_API UMaterialInterface : public UObject
{
	DECLARE_CLASS(UMaterialInterface, UObject, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	// The material this one is (or is an instance of).
	virtual UMaterial* GetMaterial() { return nullptr; }
};
