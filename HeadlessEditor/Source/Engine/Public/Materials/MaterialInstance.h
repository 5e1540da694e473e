// UMaterialInstance: a material made from a parent material with some parameters overridden.
#pragma once

#include "Materials/MaterialInterface.h"

class UTexture;

struct FMaterialParameterInfo
{
	FName Name;
	FMaterialParameterInfo() = default;
	explicit FMaterialParameterInfo(FName InName) : Name(InName) {}
};

// A texture given to a parameter of the parent material.
struct FTextureParameterValue
{
	FMaterialParameterInfo ParameterInfo;
	TObjectPtr<UTexture> ParameterValue;

	explicit FTextureParameterValue(const FMaterialParameterInfo& InParameterInfo = FMaterialParameterInfo(), UTexture* InValue = nullptr)
		: ParameterInfo(InParameterInfo), ParameterValue(InValue)
	{
	}
};

class ENGINE_API UMaterialInstance : public UMaterialInterface
{
	DECLARE_HEADLESS_CLASS(UMaterialInstance, UMaterialInterface)

	TObjectPtr<UMaterialInterface> Parent;
	TArray<FTextureParameterValue> TextureParameterValues;

	UMaterial* GetMaterial() override { return Parent ? Parent->GetMaterial() : nullptr; }
	void SerializeProperties(FPropertyArchive& Ar) override;
};
