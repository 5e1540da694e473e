// The property-change event that PostEditChangeProperty receives.
#pragma once

#include "CoreMinimal.h"

class FProperty;

namespace EPropertyChangeType
{
	typedef uint32 Type;
	inline constexpr Type Unspecified = 1 << 0;
	inline constexpr Type ArrayAdd = 1 << 1;
	inline constexpr Type ArrayRemove = 1 << 2;
	inline constexpr Type ArrayClear = 1 << 3;
	inline constexpr Type ValueSet = 1 << 4;
	inline constexpr Type Duplicate = 1 << 5;
	inline constexpr Type Interactive = 1 << 6;
	inline constexpr Type Redirected = 1 << 7;
}

struct FPropertyChangedEvent
{
	explicit FPropertyChangedEvent(FProperty* InProperty, EPropertyChangeType::Type InChangeType = EPropertyChangeType::Unspecified)
		: Property(InProperty), MemberProperty(InProperty), ChangeType(InChangeType) {}

	// The stand-in has no FProperty objects: the changed member is named instead (NAME_None: unknown).
	FName GetPropertyName() const { return PropertyName; }
	FName GetMemberPropertyName() const { return PropertyName; }

	FProperty* Property = nullptr;
	FProperty* MemberProperty = nullptr;
	EPropertyChangeType::Type ChangeType = EPropertyChangeType::Unspecified;
	FName PropertyName;
};
