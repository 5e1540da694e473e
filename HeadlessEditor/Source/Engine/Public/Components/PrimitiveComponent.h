// UPrimitiveComponent: a scene component that draws something.
#pragma once

#include "Components/SceneComponent.h"

class ENGINE_API UPrimitiveComponent : public USceneComponent
{
	DECLARE_CLASS(UPrimitiveComponent, USceneComponent, CLASS_Abstract, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)
};
