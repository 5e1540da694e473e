// USkeleton: the bone hierarchy that skeletal meshes and animations share.
#pragma once

#include "UObject/Object.h"
#include "Templates/UniquePtr.h"

struct FHeadlessBone;

class ENGINE_API USkeleton : public UObject
{
	DECLARE_CLASS(USkeleton, UObject, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)

	USkeleton();
	~USkeleton();

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	// The bones, parents before children, for the host (Engine/Host/EngineHost.h); the engine
	// keeps a reference skeleton instead.
	friend struct FHeadlessAssets;

	TUniquePtr<TArray<FHeadlessBone>> Bones;
};
