// UMeshComponent: a primitive component that draws a mesh asset.
#pragma once

#include "Components/PrimitiveComponent.h"

class ENGINE_API UMeshComponent : public UPrimitiveComponent
{
	DECLARE_CLASS(UMeshComponent, UPrimitiveComponent, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)
};
