// Cast and CastChecked over the object's class (not RTTI), so they give the same answer in the host
// and in a plugin built with hidden visibility.
#pragma once

#include <type_traits>

#include "UObject/Object.h"
#include "UObject/ObjectPtr.h"

namespace ECastCheckedType
{
	enum Type { NullAllowed, NullChecked };
}

namespace UE::CoreUObject::Private
{
	template <typename From, typename To>
	using TCopyConst = std::conditional_t<std::is_const_v<From>, const To, To>;
}

template <typename To, typename From>
UE::CoreUObject::Private::TCopyConst<From, To>* Cast(From* Src)
{
	using ResultType = UE::CoreUObject::Private::TCopyConst<From, To>*;
	if (!Src) { return nullptr; }
	if constexpr (std::is_base_of_v<UObject, To> && std::is_base_of_v<UObject, std::remove_cv_t<From>>)
	{
		return Src->IsA(To::StaticClass()) ? static_cast<ResultType>(Src) : nullptr;
	}
	else
	{
		return dynamic_cast<ResultType>(Src);
	}
}

template <typename To, typename From>
UE::CoreUObject::Private::TCopyConst<From, To>* Cast(const TObjectPtr<From>& Src) { return Cast<To>(Src.Get()); }

template <typename To, typename From>
UE::CoreUObject::Private::TCopyConst<From, To>* CastChecked(From* Src, ECastCheckedType::Type CheckType = ECastCheckedType::NullChecked)
{
	auto* Result = Cast<To>(Src);
	if (Src || CheckType == ECastCheckedType::NullChecked) { check(Result); }
	return Result;
}

template <typename To, typename From>
UE::CoreUObject::Private::TCopyConst<From, To>* CastChecked(const TObjectPtr<From>& Src, ECastCheckedType::Type CheckType = ECastCheckedType::NullChecked)
{
	return CastChecked<To>(Src.Get(), CheckType);
}

template <typename To, typename From>
UE::CoreUObject::Private::TCopyConst<From, To>* ExactCast(From* Src)
{
	return Src && Src->GetClass() == To::StaticClass() ? static_cast<UE::CoreUObject::Private::TCopyConst<From, To>*>(Src) : nullptr;
}
