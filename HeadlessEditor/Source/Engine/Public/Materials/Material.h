// UMaterial: a material asset. Its expression graph is added with material editing; until then it
// holds only the values an importer gives it.
#pragma once

#include "Materials/MaterialInterface.h"

class UTexture;

class ENGINE_API UMaterial : public UMaterialInterface
{
	DECLARE_HEADLESS_CLASS(UMaterial, UMaterialInterface)

	UMaterial* GetMaterial() override { return this; }

	void SerializeProperties(FPropertyArchive& Ar) override;
};
