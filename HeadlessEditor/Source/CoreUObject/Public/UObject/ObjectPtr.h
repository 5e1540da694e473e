// TObjectPtr: the engine's object pointer wrapper, here a plain pointer with the same conversions.
#pragma once

#include <cstddef>
#include <type_traits>

#include "CoreTypes.h"

template <typename T>
class TObjectPtr
{
public:
	using ElementType = T;

	TObjectPtr() = default;
	TObjectPtr(std::nullptr_t) {}
	TObjectPtr(T* InObject) : Object(InObject) {}
	template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*> && !std::is_same_v<U, T>>>
	TObjectPtr(U* InObject) : Object(InObject) {}
	template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
	TObjectPtr(const TObjectPtr<U>& Other) : Object(Other.Get()) {}

	TObjectPtr& operator=(std::nullptr_t) { Object = nullptr; return *this; }
	TObjectPtr& operator=(T* InObject) { Object = InObject; return *this; }
	template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
	TObjectPtr& operator=(const TObjectPtr<U>& Other) { Object = Other.Get(); return *this; }

	T* Get() const { return Object; }
	operator T*() const { return Object; }
	template <typename U, typename = std::enable_if_t<std::is_convertible_v<T*, U*> && !std::is_same_v<U, T>>>
	explicit operator U*() const { return Object; }
	T* operator->() const { return Object; }
	T& operator*() const { return *Object; }
	explicit operator bool() const { return Object != nullptr; }
	bool operator!() const { return Object == nullptr; }

	bool operator==(std::nullptr_t) const { return Object == nullptr; }
	bool operator!=(std::nullptr_t) const { return Object != nullptr; }
	template <typename U>
	bool operator==(const TObjectPtr<U>& Other) const { return Object == Other.Get(); }
	template <typename U>
	bool operator!=(const TObjectPtr<U>& Other) const { return Object != Other.Get(); }
	template <typename U, typename = std::enable_if_t<std::is_pointer_v<U*>>>
	bool operator==(U* Other) const { return Object == Other; }
	template <typename U, typename = std::enable_if_t<std::is_pointer_v<U*>>>
	bool operator!=(U* Other) const { return Object != Other; }

private:
	T* Object = nullptr;
};

template <typename T, typename U>
bool operator==(U* Lhs, const TObjectPtr<T>& Rhs) { return Rhs == Lhs; }
template <typename T, typename U>
bool operator!=(U* Lhs, const TObjectPtr<T>& Rhs) { return Rhs != Lhs; }

template <typename T>
uint32 GetTypeHash(const TObjectPtr<T>& Ptr) { return static_cast<uint32>(reinterpret_cast<UPTRINT>(Ptr.Get()) >> 4); }

template <typename T>
T* ToRawPtr(const TObjectPtr<T>& Ptr) { return Ptr.Get(); }
template <typename T>
T* ToRawPtr(T* Ptr) { return Ptr; }
