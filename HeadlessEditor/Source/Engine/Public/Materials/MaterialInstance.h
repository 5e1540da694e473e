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
	DECLARE_CLASS(UMaterialInstance, UMaterialInterface, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

public:
	TObjectPtr<UMaterialInterface> Parent;
	TArray<FTextureParameterValue> TextureParameterValues;

	UMaterial* GetMaterial() override { return Parent ? Parent->GetMaterial() : nullptr; }

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;
};
