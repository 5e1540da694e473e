// UFactory: makes new assets of a class (the base of every asset factory).
#pragma once

#include "UObject/Object.h"
#include "Templates/SubclassOf.h"
// FFeedbackContext and GWarn, which callers pass to FactoryCreateNew.
#include "Misc/FeedbackContext.h"

class UNREALED_API UFactory : public UObject
{
	DECLARE_CLASS(UFactory, UObject, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/UnrealEd"), UNREALED_API)

	// The class of the assets this factory makes.
	TSubclassOf<UObject> SupportedClass;
	uint32 bCreateNew : 1;
	uint32 bEditAfterNew : 1;

	UFactory() : bCreateNew(0), bEditAfterNew(0) {}

	// A new object of InClass named InName in InParent; null on failure. A factory that cannot
	// make new objects logs that and returns null.
	virtual UObject* FactoryCreateNew(UClass* InClass, UObject* InParent, FName InName, EObjectFlags Flags, UObject* Context, FFeedbackContext* Warn);
	virtual UObject* FactoryCreateNew(UClass* InClass, UObject* InParent, FName InName, EObjectFlags Flags, UObject* Context, FFeedbackContext* Warn, FName CallingContext)
	{
		return FactoryCreateNew(InClass, InParent, InName, Flags, Context, Warn);
	}
	virtual bool ShouldShowInNewMenu() const { return bCreateNew; }
	UClass* GetSupportedClass() const { return SupportedClass; }
	bool DoesSupportClass(UClass* Class) const { return Class && Class == SupportedClass.Get(); }
};
