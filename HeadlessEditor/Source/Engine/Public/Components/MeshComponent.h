// UMeshComponent: a primitive component that draws a mesh asset.
#pragma once

#include "Components/PrimitiveComponent.h"

class ENGINE_API UMeshComponent : public UPrimitiveComponent
{
	DECLARE_HEADLESS_CLASS(UMeshComponent, UPrimitiveComponent)
};
