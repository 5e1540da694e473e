#include "Factories/MaterialFactoryNew.h"
#include "Factories/Factory.h"
#include "Materials/Material.h"
#include "Materials/MaterialExpressionTextureSample.h"
#include "Engine/Texture.h"
#include "UObject/UObjectGlobals.h"
#include "UObject/PropertyArchive.h"
#include "Misc/OutputDevice.h"
#include "HeadlessClass.h"
#include "MaterialHost.h"

DEFINE_LOG_CATEGORY_STATIC(LogFactory, Log, All);

IMPLEMENT_HEADLESS_CLASS(UFactory, UnrealEd, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(UMaterialFactoryNew, UnrealEd, CLASS_None)

UObject* UFactory::FactoryCreateNew(UClass* InClass, UObject* InParent, FName InName, EObjectFlags Flags, UObject* Context, FFeedbackContext* Warn)
{
	UE_LOG(LogFactory, Error, TEXT("%s cannot create new objects"), *GetClass()->GetName());
	return nullptr;
}

UMaterialFactoryNew::UMaterialFactoryNew()
{
	SupportedClass = UMaterial::StaticClass();
	bCreateNew = true;
	bEditAfterNew = true;
}

UObject* UMaterialFactoryNew::FactoryCreateNew(UClass* InClass, UObject* InParent, FName InName, EObjectFlags Flags, UObject* Context, FFeedbackContext* Warn)
{
	if (!InClass || !InClass->IsChildOf(UMaterial::StaticClass()))
	{
		UE_LOG(LogFactory, Error, TEXT("MaterialFactoryNew: %s is not a material class"), InClass ? *InClass->GetName() : TEXT("(no class)"));
		return nullptr;
	}
	if (!IsValid(InParent))
	{
		UE_LOG(LogFactory, Error, TEXT("MaterialFactoryNew: no package to create %s in"), *InName.ToString());
		return nullptr;
	}
	// A material of that name already in the package is replaced in place (same object, empty
	// graph), as NewObject does; an object of another class there makes this fail.
	UMaterial* Material = NewObject<UMaterial>(InParent, InClass, InName, Flags);
	if (!Material)
	{
		if (Warn) { Warn->Log(ELogVerbosity::Error, *FString::Printf(TEXT("Could not create material %s in %s"), *InName.ToString(), *InParent->GetPathName())); }
		return nullptr;
	}
	if (InitialTexture)
	{
		auto* Sample = NewObject<UMaterialExpressionTextureSample>(Material, NAME_None, RF_Transactional);
		Sample->MaterialExpressionEditorX = -250;
		Sample->Texture = InitialTexture.Get();
		Sample->AutoSetSampleType();
		FHeadlessMaterials::AddExpression(*Material, Sample);
		Material->GetExpressionInputForProperty(MP_BaseColor)->Connect(0, Sample);
	}
	Material->PostEditChange();
	return Material;
}

void UMaterialFactoryNew::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	Ar.Property(TEXT("InitialTexture"), InitialTexture);
}
