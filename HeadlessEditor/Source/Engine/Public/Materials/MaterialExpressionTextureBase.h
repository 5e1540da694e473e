// UMaterialExpressionTextureBase: a node that reads a texture, with the sampler type it reads it as.
#pragma once

#include "Materials/MaterialExpression.h"
#include "Engine/EngineTypes.h"
#include "Containers/EnumAsByte.h"

class UTexture;

class ENGINE_API UMaterialExpressionTextureBase : public UMaterialExpression
{
	DECLARE_HEADLESS_CLASS(UMaterialExpressionTextureBase, UMaterialExpression)

	TObjectPtr<class UTexture> Texture;
	TEnumAsByte<enum EMaterialSamplerType> SamplerType = SAMPLERTYPE_Color;
	uint8 IsDefaultMeshpaintTexture : 1;

	UMaterialExpressionTextureBase() : IsDefaultMeshpaintTexture(0) {}

	// Sets SamplerType to the one that fits Texture's settings.
	void AutoSetSampleType();
	// The sampler type that fits a texture's compression settings and sRGB flag.
	static EMaterialSamplerType GetSamplerTypeForTexture(const UTexture* Texture);
	// False, with a message, when SamplerType does not fit the texture.
	static bool VerifySamplerType(const UTexture* Texture, EMaterialSamplerType SamplerType, FString& OutErrorMessage);
	// "Color", "Linear Color", "Normal", ...
	static FString GetSamplerTypeDisplayName(EMaterialSamplerType SamplerType);

	TArray<FString> GetCompileErrors() const override;
	void SerializeProperties(FPropertyArchive& Ar) override;
};
