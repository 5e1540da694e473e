// UMaterialFactoryNew: makes new, empty materials (optionally sampling an initial texture).
#pragma once

#include "Factories/Factory.h"

class UTexture;

class UNREALED_API UMaterialFactoryNew : public UFactory
{
	DECLARE_CLASS(UMaterialFactoryNew, UFactory, CLASS_None, CASTCLASS_None, TEXT("/Script/UnrealEd"), UNREALED_API)

	// When set, the new material samples it into its base colour.
	TObjectPtr<class UTexture> InitialTexture;

	UMaterialFactoryNew();

	UObject* FactoryCreateNew(UClass* InClass, UObject* InParent, FName InName, EObjectFlags Flags, UObject* Context, FFeedbackContext* Warn) override;

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;
};
