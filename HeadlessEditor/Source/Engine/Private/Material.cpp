#include "Materials/Material.h"
#include "Materials/MaterialInterface.h"
#include "UObject/PropertyArchive.h"

IMPLEMENT_HEADLESS_CLASS(UMaterialInterface, Engine, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(UMaterial, Engine, CLASS_None)

void UMaterial::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
}
