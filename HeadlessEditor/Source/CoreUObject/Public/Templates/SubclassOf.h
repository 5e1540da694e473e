// TSubclassOf: a class pointer that says which base class it stands for.
#pragma once

#include "UObject/Class.h"

template <typename T>
class TSubclassOf
{
public:
	TSubclassOf() = default;
	TSubclassOf(std::nullptr_t) {}
	TSubclassOf(UClass* InClass) : Class(InClass) {}
	template <typename U, typename = std::enable_if_t<std::is_base_of_v<T, U>>>
	TSubclassOf(const TSubclassOf<U>& Other) : Class(Other.Get()) {}

	TSubclassOf& operator=(UClass* InClass) { Class = InClass; return *this; }

	// Null when the class is not T or one of its subclasses, as the engine's Get does.
	UClass* Get() const { return Class && Class->IsChildOf(T::StaticClass()) ? Class : nullptr; }
	operator UClass*() const { return Get(); }
	UClass* operator->() const { return Get(); }
	UClass& operator*() const { return *Get(); }
	explicit operator bool() const { return Get() != nullptr; }

private:
	UClass* Class = nullptr;
};
