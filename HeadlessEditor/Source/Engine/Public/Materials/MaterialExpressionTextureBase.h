// UMaterialExpressionTextureBase: a node that reads a texture, with the sampler type it reads it as.
#pragma once

#include "Materials/MaterialExpression.h"
#include "Engine/EngineTypes.h"
#include "Containers/EnumAsByte.h"

class UTexture;

class ENGINE_API UMaterialExpressionTextureBase : public UMaterialExpression
{
	DECLARE_CLASS(UMaterialExpressionTextureBase, UMaterialExpression, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	TObjectPtr<class UTexture> Texture;
	TEnumAsByte<enum EMaterialSamplerType> SamplerType = SAMPLERTYPE_Color;
	uint8 IsDefaultMeshpaintTexture : 1;

	UMaterialExpressionTextureBase() : IsDefaultMeshpaintTexture(0) {}

#if WITH_EDITOR
	// Sets SamplerType to the one that fits Texture's settings.
	void AutoSetSampleType();
	// The sampler type that fits a texture's compression settings and sRGB flag.
	static EMaterialSamplerType GetSamplerTypeForTexture(const UTexture* Texture, bool ForceNoVT = false);
	// False, with a message, when SamplerType is not CorrectSamplerType, or is a normal or mask
	// sampler on an sRGB texture.
	static bool VerifySamplerType(const FString& TexturePathName, EMaterialSamplerType CorrectSamplerType, bool bSRGB,
		EMaterialSamplerType SamplerType, FString& OutErrorMessage);
#endif

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	TArray<FString> GetCompileErrors() const override;
};
