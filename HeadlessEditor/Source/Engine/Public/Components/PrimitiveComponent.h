// UPrimitiveComponent: a scene component that draws something.
#pragma once

#include "Components/SceneComponent.h"

class ENGINE_API UPrimitiveComponent : public USceneComponent
{
	DECLARE_HEADLESS_CLASS(UPrimitiveComponent, USceneComponent)
};
