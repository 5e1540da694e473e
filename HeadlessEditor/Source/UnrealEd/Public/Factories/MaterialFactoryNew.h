// UMaterialFactoryNew: makes new, empty materials (optionally sampling an initial texture).
#pragma once

#include "Factories/Factory.h"

class UTexture;

class UNREALED_API UMaterialFactoryNew : public UFactory
{
	DECLARE_HEADLESS_CLASS(UMaterialFactoryNew, UFactory)

	// When set, the new material samples it into its base colour.
	TObjectPtr<class UTexture> InitialTexture;

	UMaterialFactoryNew();

	UObject* FactoryCreateNew(UClass* InClass, UObject* InParent, FName InName, EObjectFlags Flags, UObject* Context, FFeedbackContext* Warn) override;
	using UFactory::FactoryCreateNew;

	void SerializeProperties(FPropertyArchive& Ar) override;
};
