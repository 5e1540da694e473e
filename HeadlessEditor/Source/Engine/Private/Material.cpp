#include "Materials/Material.h"
#include "Materials/MaterialInstanceConstant.h"
#include "Materials/MaterialInterface.h"
#include "Materials/MaterialExpression.h"
#include "Materials/MaterialExpressionTextureBase.h"
#include "Materials/MaterialExpressionTextureSample.h"
#include "Engine/Texture.h"
#include "MaterialHost.h"
#include "Kismet/BlueprintFunctionLibrary.h"
#include "UObject/PropertyArchive.h"
#include "UObject/UnrealType.h"
#include "HeadlessClass.h"

DEFINE_LOG_CATEGORY_STATIC(LogMaterial, Log, All);

IMPLEMENT_HEADLESS_CLASS(UMaterialInterface, Engine, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(UMaterial, Engine, CLASS_None)
IMPLEMENT_HEADLESS_CLASS(UMaterialInstance, Engine, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(UMaterialInstanceConstant, Engine, CLASS_None)
IMPLEMENT_HEADLESS_CLASS(UMaterialExpression, Engine, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(UMaterialExpressionTextureBase, Engine, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(UMaterialExpressionTextureSample, Engine, CLASS_None)
IMPLEMENT_HEADLESS_CLASS(UBlueprintFunctionLibrary, Engine, CLASS_Abstract)

namespace
{
	const TCHAR* const PropertyNames[MP_MAX] = {
		TEXT("EmissiveColor"), TEXT("Opacity"), TEXT("OpacityMask"), TEXT("DiffuseColor"), TEXT("SpecularColor"), TEXT("BaseColor"),
		TEXT("Metallic"), TEXT("Specular"), TEXT("Roughness"), TEXT("Anisotropy"), TEXT("Normal"), TEXT("Tangent"),
	};
}

// --- UMaterial ----------------------------------------------------------------------------------

#if WITH_EDITOR
FExpressionInput* UMaterial::GetExpressionInputForProperty(EMaterialProperty InProperty)
{
	return (InProperty >= 0 && InProperty < MP_MAX) ? &PropertyInputs[InProperty] : nullptr;
}
#endif

const TCHAR* FHeadlessMaterials::GetMaterialPropertyName(EMaterialProperty InProperty)
{
	return (InProperty >= 0 && InProperty < MP_MAX) ? PropertyNames[InProperty] : nullptr;
}

void FHeadlessMaterials::AddExpression(UMaterial& Material, UMaterialExpression* Expression)
{
	if (!IsValid(Expression) || Material.Expressions.Contains(Expression)) { return; }
	Expression->Material = &Material;
	Material.Expressions.Add(Expression);
}

bool FHeadlessMaterials::HasBeenCompiled(const UMaterial& Material)
{
	return Material.bCompiled;
}

const TArray<FString>& FHeadlessMaterials::GetCompileErrors(const UMaterial& Material)
{
	return Material.CompileErrors;
}

TArray<FString> FHeadlessMaterials::GetCompileErrors(const UMaterialExpression& Expression)
{
	return Expression.GetCompileErrors();
}

TArray<FString> FHeadlessMaterials::CheckGraph(const UMaterial& Material)
{
	const TArray<TObjectPtr<UMaterialExpression>>& Expressions = Material.Expressions;
	const FExpressionInput* const PropertyInputs = Material.PropertyInputs;
	TArray<FString> Errors;
	for (const TObjectPtr<UMaterialExpression>& Expression : Expressions)
	{
		if (!Expression) { continue; }   // a node deleted since: nothing left to compile
		for (const FString& Error : FHeadlessMaterials::GetCompileErrors(*Expression))
		{
			Errors.Add(FString::Printf(TEXT("(Node %s) %s"), *Expression->GetName(), *Error));
		}
	}
	for (int32 Property = 0; Property < MP_MAX; ++Property)
	{
		const FExpressionInput& Input = PropertyInputs[Property];
		if (!Input.Expression) { continue; }
		UMaterialExpression* From = Input.Expression;
		if (!Expressions.Contains(From))
		{
			Errors.Add(FString::Printf(TEXT("(Input %s) connected to node %s, which is not in this material's graph"), PropertyNames[Property], *From->GetPathName()));
			continue;
		}
		const int32 NumOutputs = From->GetOutputs().Num();
		if (Input.OutputIndex < 0 || Input.OutputIndex >= NumOutputs)
		{
			Errors.Add(FString::Printf(TEXT("(Input %s) connected to output %d of node %s, which has %d output(s)"),
				PropertyNames[Property], Input.OutputIndex, *From->GetName(), NumOutputs));
		}
	}
	return Errors;
}

#if WITH_EDITOR
void UMaterial::PostEditChangeProperty(FPropertyChangedEvent& PropertyChangedEvent)
{
	Super::PostEditChangeProperty(PropertyChangedEvent);
	CompileErrors = FHeadlessMaterials::CheckGraph(*this);
	bCompiled = true;
	for (const FString& Error : CompileErrors)
	{
		UE_LOG(LogMaterial, Error, TEXT("%s: %s"), *GetPathName(), *Error);
	}
	if (CompileErrors.Num() > 0)
	{
		UE_LOG(LogMaterial, Warning, TEXT("Failed to compile Material %s (%d error(s)); the default material will be used in its place"), *GetPathName(), CompileErrors.Num());
	}
	else
	{
		UE_LOG(LogMaterial, Log, TEXT("Compiled Material %s: %d node(s), no errors"), *GetPathName(), Expressions.Num());
	}
}
#endif

void UMaterial::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	Ar.Property(TEXT("Expressions"), Expressions);
	// Each material input: the node feeding it and which of its outputs.
	for (int32 Property = 0; Property < MP_MAX; ++Property)
	{
		FExpressionInput& Input = PropertyInputs[Property];
		const FString Prefix = FString(TEXT("Input.")) + PropertyNames[Property];
		Ar.Property(*(Prefix + TEXT(".Expression")), Input.Expression);
		Ar.Property(*(Prefix + TEXT(".OutputIndex")), Input.OutputIndex);
	}
	if (Ar.IsLoading())
	{
		// A node deleted before the save left a null entry; the loaded graph has none.
		Expressions.RemoveAll([](const TObjectPtr<UMaterialExpression>& Expression) { return !Expression; });
		// A graph is compiled again after loading, by whoever edits it next.
		bCompiled = false;
		CompileErrors.Reset();
	}
}

// --- Nodes --------------------------------------------------------------------------------------

void UMaterialExpression::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	Ar.Property(TEXT("MaterialExpressionEditorX"), MaterialExpressionEditorX);
	Ar.Property(TEXT("MaterialExpressionEditorY"), MaterialExpressionEditorY);
	Ar.Property(TEXT("Material"), Material);
}

#if WITH_EDITOR
EMaterialSamplerType UMaterialExpressionTextureBase::GetSamplerTypeForTexture(const UTexture* Texture, bool ForceNoVT)
{
	// The stand-in's textures are never virtual textures, so ForceNoVT changes nothing.
	if (!Texture) { return SAMPLERTYPE_Color; }
	switch (Texture->CompressionSettings.GetValue())
	{
	case TC_Normalmap: return SAMPLERTYPE_Normal;
	case TC_Masks: return SAMPLERTYPE_Masks;
	case TC_Grayscale: return Texture->SRGB ? SAMPLERTYPE_Grayscale : SAMPLERTYPE_LinearGrayscale;
	case TC_Alpha: return SAMPLERTYPE_Alpha;
	case TC_DistanceFieldFont: return SAMPLERTYPE_DistanceFieldFont;
	default: return Texture->SRGB ? SAMPLERTYPE_Color : SAMPLERTYPE_LinearColor;
	}
}
#endif

FString FHeadlessMaterials::GetSamplerTypeDisplayName(EMaterialSamplerType Type)
{
	switch (Type)
	{
	case SAMPLERTYPE_Color: return TEXT("Color");
	case SAMPLERTYPE_Grayscale: return TEXT("Grayscale");
	case SAMPLERTYPE_Alpha: return TEXT("Alpha");
	case SAMPLERTYPE_Normal: return TEXT("Normal");
	case SAMPLERTYPE_Masks: return TEXT("Masks");
	case SAMPLERTYPE_DistanceFieldFont: return TEXT("Distance Field Font");
	case SAMPLERTYPE_LinearColor: return TEXT("Linear Color");
	case SAMPLERTYPE_LinearGrayscale: return TEXT("Linear Grayscale");
	case SAMPLERTYPE_Data: return TEXT("Data");
	case SAMPLERTYPE_External: return TEXT("External");
	case SAMPLERTYPE_VirtualColor: return TEXT("Virtual Color");
	case SAMPLERTYPE_VirtualGrayscale: return TEXT("Virtual Grayscale");
	case SAMPLERTYPE_VirtualAlpha: return TEXT("Virtual Alpha");
	case SAMPLERTYPE_VirtualNormal: return TEXT("Virtual Normal");
	case SAMPLERTYPE_VirtualMasks: return TEXT("Virtual Mask");
	case SAMPLERTYPE_VirtualLinearColor: return TEXT("Virtual Linear Color");
	case SAMPLERTYPE_VirtualLinearGrayscale: return TEXT("Virtual Linear Grayscale");
	default: return FString::Printf(TEXT("Unknown (%d)"), static_cast<int32>(Type));
	}
}

#if WITH_EDITOR
bool UMaterialExpressionTextureBase::VerifySamplerType(const FString& TexturePathName, EMaterialSamplerType CorrectSamplerType, bool bSRGB,
	EMaterialSamplerType Type, FString& OutErrorMessage)
{
	if (Type != CorrectSamplerType)
	{
		OutErrorMessage = FString::Printf(TEXT("Sampler type is %s, should be %s for %s"),
			*FHeadlessMaterials::GetSamplerTypeDisplayName(Type), *FHeadlessMaterials::GetSamplerTypeDisplayName(CorrectSamplerType), *TexturePathName);
		return false;
	}
	// Normal and mask samplers read linear data.
	if ((Type == SAMPLERTYPE_Normal || Type == SAMPLERTYPE_Masks) && bSRGB)
	{
		OutErrorMessage = FString::Printf(TEXT("To use '%s' as sampler type, SRGB must be disabled for %s"),
			*FHeadlessMaterials::GetSamplerTypeDisplayName(Type), *TexturePathName);
		return false;
	}
	return true;
}

void UMaterialExpressionTextureBase::AutoSetSampleType()
{
	if (Texture) { SamplerType = GetSamplerTypeForTexture(Texture); }
}
#endif

TArray<FString> UMaterialExpressionTextureBase::GetCompileErrors() const
{
	TArray<FString> Errors;
	if (!Texture)
	{
		Errors.Add(TEXT("Missing input texture"));
		return Errors;
	}
	FString Message;
	if (!VerifySamplerType(Texture->GetPathName(), GetSamplerTypeForTexture(Texture), Texture->SRGB, SamplerType, Message)) { Errors.Add(Message); }
	return Errors;
}

void UMaterialExpressionTextureBase::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	Ar.Property(TEXT("Texture"), Texture);
	uint8 Sampler = SamplerType.GetIntValue();
	Ar.Property(TEXT("SamplerType"), Sampler);
	bool bMeshpaint = IsDefaultMeshpaintTexture;
	Ar.Property(TEXT("IsDefaultMeshpaintTexture"), bMeshpaint);
	if (Ar.IsLoading())
	{
		// A number this build does not know reads as the default rather than as garbage.
		SamplerType = static_cast<EMaterialSamplerType>(Sampler < static_cast<uint8>(SAMPLERTYPE_MAX) ? Sampler : static_cast<uint8>(SAMPLERTYPE_Color));
		IsDefaultMeshpaintTexture = bMeshpaint;
	}
}

UMaterialExpressionTextureSample::UMaterialExpressionTextureSample()
{
	Outputs.Add(FExpressionOutput(FName(TEXT("RGB")), 1, 1, 1, 1, 0));
	Outputs.Add(FExpressionOutput(FName(TEXT("R")), 1, 1, 0, 0, 0));
	Outputs.Add(FExpressionOutput(FName(TEXT("G")), 1, 0, 1, 0, 0));
	Outputs.Add(FExpressionOutput(FName(TEXT("B")), 1, 0, 0, 1, 0));
	Outputs.Add(FExpressionOutput(FName(TEXT("A")), 1, 0, 0, 0, 1));
	Outputs.Add(FExpressionOutput(FName(TEXT("RGBA")), 1, 1, 1, 1, 1));
}

// --- UMaterialInstance --------------------------------------------------------------------------

void UMaterialInstance::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	Ar.Property(TEXT("Parent"), Parent);
	TArray<FName> Names;
	TArray<UObject*> Textures;
	for (const FTextureParameterValue& Value : TextureParameterValues)
	{
		Names.Add(Value.ParameterInfo.Name);
		Textures.Add(Value.ParameterValue.Get());
	}
	Ar.Property(TEXT("TextureParameterNames"), Names);
	Ar.Property(TEXT("TextureParameterValues"), Textures);
	if (Names.Num() == Textures.Num())
	{
		TextureParameterValues.Reset();
		for (int32 Index = 0; Index < Names.Num(); ++Index)
		{
			TextureParameterValues.Add(FTextureParameterValue(FMaterialParameterInfo(Names[Index]), Cast<UTexture>(Textures[Index])));
		}
	}
}
