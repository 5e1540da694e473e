// TAttribute: a value, or a getter that supplies it when asked.
#pragma once
#include "Templates/Function.h"

template <typename ObjectType>
class TAttribute
{
public:
	TAttribute() = default;
	TAttribute(const ObjectType& InValue) : Value(InValue), bIsSet(true) {}
	static TAttribute Create(TFunction<ObjectType()> InGetter) { TAttribute A; A.Getter = std::move(InGetter); A.bIsSet = true; return A; }
	ObjectType Get() const { return Getter ? Getter() : Value; }
	const ObjectType& Get(const ObjectType& Default) const { return bIsSet && !Getter ? Value : Default; }
	bool IsSet() const { return bIsSet; }
	bool IsBound() const { return static_cast<bool>(Getter); }
	void Set(const ObjectType& InValue) { Value = InValue; Getter = nullptr; bIsSet = true; }

private:
	ObjectType Value{};
	TFunction<ObjectType()> Getter;
	bool bIsSet = false;
};
