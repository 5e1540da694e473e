// TEnumAsByte: an enumeration stored in one byte.
#pragma once

#include <type_traits>

#include "CoreTypes.h"

template <typename TEnum>
class TEnumAsByte
{
public:
	using EnumType = TEnum;

	TEnumAsByte() = default;
	TEnumAsByte(TEnum InValue) : Value(static_cast<uint8>(InValue)) {}
	explicit TEnumAsByte(int32 InValue) : Value(static_cast<uint8>(InValue)) {}
	explicit TEnumAsByte(uint8 InValue) : Value(InValue) {}

	TEnumAsByte& operator=(TEnum InValue) { Value = static_cast<uint8>(InValue); return *this; }
	bool operator==(TEnum InValue) const { return static_cast<TEnum>(Value) == InValue; }
	bool operator!=(TEnum InValue) const { return static_cast<TEnum>(Value) != InValue; }
	bool operator==(const TEnumAsByte& Other) const { return Value == Other.Value; }
	bool operator!=(const TEnumAsByte& Other) const { return Value != Other.Value; }

	operator TEnum() const { return static_cast<TEnum>(Value); }
	TEnum GetValue() const { return static_cast<TEnum>(Value); }
	uint8 GetIntValue() const { return Value; }

private:
	uint8 Value = 0;
};
