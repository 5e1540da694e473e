// FOptionalSize: a size in slate units, or none.
#pragma once

#include "CoreMinimal.h"
#include "Misc/Attribute.h"
#include "Misc/Optional.h"

struct FOptionalSize
{
	// No size.
	FOptionalSize() : Size(Unspecified) {}
	FOptionalSize(const float SpecifiedSize) : Size(SpecifiedSize) {}
	FOptionalSize(const TOptional<float>& OptionalSize) : Size(OptionalSize.Get(Unspecified)) {}

	bool IsSet() const { return Size != Unspecified; }
	// The size; -1 when none is set.
	float Get() const { return Size; }

	bool operator==(const FOptionalSize& Other) const { return Size == Other.Size; }

private:
	SLATECORE_API static const float Unspecified;

	float Size;
};
