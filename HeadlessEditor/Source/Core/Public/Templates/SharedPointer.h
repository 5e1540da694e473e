// The engine's shared pointers over std::shared_ptr. Reference counting is always atomic, so the
// default mode (ThreadSafe) is the real behaviour; TSharedPtr<T> and TSharedPtr<T,
// ESPMode::ThreadSafe> are one type, as in the engine.
#pragma once

#include <memory>
#include <type_traits>
#include <utility>

#include "HAL/Platform.h"
#include "Misc/AssertionMacros.h"
#include "Templates/SharedPointerFwd.h"

namespace UE::HeadlessEditor
{
	template <class ObjectType>
	struct TRawPtrProxy { ObjectType* Object; };

	struct FSharedAccess
	{
		template <class T, ESPMode M> static const std::shared_ptr<T>& Get(const TSharedPtr<T, M>& P) { return P.Ptr; }
		template <class T, ESPMode M> static const std::shared_ptr<T>& Get(const TSharedRef<T, M>& P) { return P.Ptr; }
		template <class T, ESPMode M> static TSharedPtr<T, M> MakePtr(std::shared_ptr<T> P) { TSharedPtr<T, M> R; R.Ptr = std::move(P); return R; }
		template <class T, ESPMode M> static TSharedRef<T, M> MakeRef(std::shared_ptr<T> P) { return TSharedRef<T, M>(std::move(P)); }
	};
}

template <class ObjectType>
UE::HeadlessEditor::TRawPtrProxy<ObjectType> MakeShareable(ObjectType* InObject) { return { InObject }; }

template <class ObjectType, ESPMode InMode>
class TSharedRef
{
	friend struct UE::HeadlessEditor::FSharedAccess;
	template <class, ESPMode> friend class TSharedRef;
	template <class, ESPMode> friend class TSharedPtr;

public:
	template <class OtherType, typename = std::enable_if_t<std::is_convertible_v<OtherType*, ObjectType*>>>
	TSharedRef(const TSharedRef<OtherType, InMode>& Other) : Ptr(Other.Ptr) {}
	template <class OtherType, typename = std::enable_if_t<std::is_convertible_v<OtherType*, ObjectType*>>>
	explicit TSharedRef(OtherType* InObject) : Ptr(InObject) { check(InObject); }
	template <class OtherType>
	TSharedRef(UE::HeadlessEditor::TRawPtrProxy<OtherType> Proxy) : Ptr(Proxy.Object) { check(Proxy.Object); }

	ObjectType& Get() const { return *Ptr; }
	ObjectType* operator->() const { return Ptr.get(); }
	ObjectType& operator*() const { return *Ptr; }
	bool IsUnique() const { return Ptr.use_count() == 1; }
	int32 GetSharedReferenceCount() const { return static_cast<int32>(Ptr.use_count()); }
	TSharedPtr<ObjectType, InMode> ToSharedPtr() const { return TSharedPtr<ObjectType, InMode>(*this); }
	bool operator==(const TSharedRef& Other) const { return Ptr == Other.Ptr; }
	bool operator!=(const TSharedRef& Other) const { return Ptr != Other.Ptr; }

private:
	explicit TSharedRef(std::shared_ptr<ObjectType> In) : Ptr(std::move(In)) { check(Ptr); }
	std::shared_ptr<ObjectType> Ptr;
};

template <class ObjectType, ESPMode InMode>
class TSharedPtr
{
	friend struct UE::HeadlessEditor::FSharedAccess;
	template <class, ESPMode> friend class TSharedPtr;
	template <class, ESPMode> friend class TWeakPtr;

public:
	TSharedPtr() = default;
	TSharedPtr(std::nullptr_t) {}
	template <class OtherType, typename = std::enable_if_t<std::is_convertible_v<OtherType*, ObjectType*>>>
	explicit TSharedPtr(OtherType* InObject) : Ptr(InObject) {}
	template <class OtherType>
	TSharedPtr(UE::HeadlessEditor::TRawPtrProxy<OtherType> Proxy) : Ptr(Proxy.Object) {}
	template <class OtherType, typename = std::enable_if_t<std::is_convertible_v<OtherType*, ObjectType*>>>
	TSharedPtr(const TSharedPtr<OtherType, InMode>& Other) : Ptr(Other.Ptr) {}
	template <class OtherType, typename = std::enable_if_t<std::is_convertible_v<OtherType*, ObjectType*>>>
	TSharedPtr(TSharedPtr<OtherType, InMode>&& Other) : Ptr(std::move(Other.Ptr)) {}
	template <class OtherType, typename = std::enable_if_t<std::is_convertible_v<OtherType*, ObjectType*>>>
	TSharedPtr(const TSharedRef<OtherType, InMode>& Other) : Ptr(UE::HeadlessEditor::FSharedAccess::Get(Other)) {}

	bool IsValid() const { return static_cast<bool>(Ptr); }
	explicit operator bool() const { return IsValid(); }
	ObjectType* Get() const { return Ptr.get(); }
	ObjectType* operator->() const { check(IsValid()); return Ptr.get(); }
	ObjectType& operator*() const { check(IsValid()); return *Ptr; }
	void Reset() { Ptr.reset(); }
	bool IsUnique() const { return Ptr.use_count() == 1; }
	int32 GetSharedReferenceCount() const { return static_cast<int32>(Ptr.use_count()); }
	TSharedRef<ObjectType, InMode> ToSharedRef() const { check(Ptr); return UE::HeadlessEditor::FSharedAccess::MakeRef<ObjectType, InMode>(Ptr); }

	template <class OtherType>
	bool operator==(const TSharedPtr<OtherType, InMode>& Other) const { return Ptr == Other.Ptr; }
	template <class OtherType>
	bool operator!=(const TSharedPtr<OtherType, InMode>& Other) const { return Ptr != Other.Ptr; }
	bool operator==(std::nullptr_t) const { return !Ptr; }
	bool operator!=(std::nullptr_t) const { return static_cast<bool>(Ptr); }

private:
	std::shared_ptr<ObjectType> Ptr;
};

template <class ObjectType, ESPMode InMode>
class TWeakPtr
{
public:
	TWeakPtr() = default;
	TWeakPtr(std::nullptr_t) {}
	template <class OtherType, typename = std::enable_if_t<std::is_convertible_v<OtherType*, ObjectType*>>>
	TWeakPtr(const TSharedPtr<OtherType, InMode>& Shared) : Ptr(UE::HeadlessEditor::FSharedAccess::Get(Shared)) {}
	template <class OtherType, typename = std::enable_if_t<std::is_convertible_v<OtherType*, ObjectType*>>>
	TWeakPtr(const TSharedRef<OtherType, InMode>& Shared) : Ptr(UE::HeadlessEditor::FSharedAccess::Get(Shared)) {}

	TSharedPtr<ObjectType, InMode> Pin() const { return UE::HeadlessEditor::FSharedAccess::MakePtr<ObjectType, InMode>(Ptr.lock()); }
	bool IsValid() const { return !Ptr.expired(); }
	void Reset() { Ptr.reset(); }
	bool operator==(const TWeakPtr& Other) const { return !Ptr.owner_before(Other.Ptr) && !Other.Ptr.owner_before(Ptr); }

private:
	std::weak_ptr<ObjectType> Ptr;
};

template <class ObjectType, ESPMode InMode>
class TSharedFromThis : public std::enable_shared_from_this<ObjectType>
{
public:
	TSharedRef<ObjectType, InMode> AsShared() { return UE::HeadlessEditor::FSharedAccess::MakeRef<ObjectType, InMode>(this->shared_from_this()); }
	TSharedRef<const ObjectType, InMode> AsShared() const
	{
		return UE::HeadlessEditor::FSharedAccess::MakeRef<const ObjectType, InMode>(std::shared_ptr<const ObjectType>(this->shared_from_this()));
	}
	TWeakPtr<ObjectType, InMode> AsWeak() { return TWeakPtr<ObjectType, InMode>(AsShared()); }
};

template <typename InObjectType, ESPMode InMode = ESPMode::ThreadSafe, typename... InArgTypes>
TSharedRef<InObjectType, InMode> MakeShared(InArgTypes&&... Args)
{
	return UE::HeadlessEditor::FSharedAccess::MakeRef<InObjectType, InMode>(std::make_shared<InObjectType>(std::forward<InArgTypes>(Args)...));
}

template <class To, class From, ESPMode Mode>
TSharedRef<To, Mode> StaticCastSharedRef(const TSharedRef<From, Mode>& In)
{
	return UE::HeadlessEditor::FSharedAccess::MakeRef<To, Mode>(std::static_pointer_cast<To>(UE::HeadlessEditor::FSharedAccess::Get(In)));
}
template <class To, class From, ESPMode Mode>
TSharedPtr<To, Mode> StaticCastSharedPtr(const TSharedPtr<From, Mode>& In)
{
	return UE::HeadlessEditor::FSharedAccess::MakePtr<To, Mode>(std::static_pointer_cast<To>(UE::HeadlessEditor::FSharedAccess::Get(In)));
}
template <class To, class From, ESPMode Mode>
TSharedRef<To, Mode> ConstCastSharedRef(const TSharedRef<From, Mode>& In)
{
	return UE::HeadlessEditor::FSharedAccess::MakeRef<To, Mode>(std::const_pointer_cast<To>(UE::HeadlessEditor::FSharedAccess::Get(In)));
}
