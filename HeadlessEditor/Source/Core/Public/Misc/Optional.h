#pragma once
#include <optional>
#include "Misc/AssertionMacros.h"

template <typename T>
class TOptional
{
public:
	TOptional() = default;
	TOptional(const T& V) : Value(V) {}
	TOptional(T&& V) : Value(std::move(V)) {}
	bool IsSet() const { return Value.has_value(); }
	explicit operator bool() const { return IsSet(); }
	const T& GetValue() const { check(IsSet()); return *Value; }
	T& GetValue() { check(IsSet()); return *Value; }
	const T& Get(const T& Default) const { return IsSet() ? *Value : Default; }
	void Reset() { Value.reset(); }
	template <typename... Args> T& Emplace(Args&&... A) { return Value.emplace(std::forward<Args>(A)...); }
	const T* operator->() const { return &GetValue(); }
	const T& operator*() const { return GetValue(); }
	bool operator==(const TOptional& Other) const { return Value == Other.Value; }

private:
	std::optional<T> Value;
};
