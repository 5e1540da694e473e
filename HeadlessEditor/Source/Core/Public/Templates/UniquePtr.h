// The engine's single-owner pointer: the engine's members (Get, Reset, Release, IsValid), not the
// standard library's, so code written against the stand-in builds in the engine.
#pragma once
#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

template <typename T>
class TUniquePtr
{
public:
	TUniquePtr() = default;
	TUniquePtr(std::nullptr_t) {}
	template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
	explicit TUniquePtr(U* InPtr) : Ptr(InPtr) {}
	TUniquePtr(TUniquePtr&& Other) = default;
	template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
	TUniquePtr(TUniquePtr<U>&& Other) : Ptr(Other.Release()) {}
	TUniquePtr(const TUniquePtr&) = delete;
	TUniquePtr& operator=(const TUniquePtr&) = delete;
	TUniquePtr& operator=(TUniquePtr&& Other) = default;
	template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
	TUniquePtr& operator=(TUniquePtr<U>&& Other) { Ptr.reset(Other.Release()); return *this; }
	TUniquePtr& operator=(std::nullptr_t) { Ptr.reset(); return *this; }

	[[nodiscard]] bool IsValid() const { return Ptr != nullptr; }
	[[nodiscard]] explicit operator bool() const { return IsValid(); }
	[[nodiscard]] T* operator->() const { return Ptr.get(); }
	[[nodiscard]] T& operator*() const { return *Ptr; }
	[[nodiscard]] T* Get() const { return Ptr.get(); }
	[[nodiscard]] T* Release() { return Ptr.release(); }
	void Reset(T* InPtr = nullptr) { Ptr.reset(InPtr); }

	[[nodiscard]] bool operator==(std::nullptr_t) const { return !IsValid(); }
	[[nodiscard]] bool operator!=(std::nullptr_t) const { return IsValid(); }
	template <typename U>
	[[nodiscard]] bool operator==(const TUniquePtr<U>& Rhs) const { return Get() == Rhs.Get(); }

private:
	std::unique_ptr<T> Ptr;
};

template <typename T, typename... ArgTypes>
[[nodiscard]] TUniquePtr<T> MakeUnique(ArgTypes&&... Args)
{
	return TUniquePtr<T>(new T(std::forward<ArgTypes>(Args)...));
}
