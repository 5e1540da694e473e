// Single-cast and multicast delegates, bound to lambdas, static functions, raw and shared
// objects. Payload arguments are bound after the call's own arguments, as in the engine.
#pragma once

#include <functional>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "HAL/Platform.h"
#include "Misc/AssertionMacros.h"
#include "Templates/SharedPointer.h"
#include "Delegates/IDelegateInstance.h"

struct FDefaultDelegateUserPolicy {};
struct FDefaultTSDelegateUserPolicy {};

template <typename Sig, typename UserPolicy = FDefaultDelegateUserPolicy> class TDelegate;

template <typename RetType, typename... ParamTypes, typename UserPolicy>
class TDelegate<RetType(ParamTypes...), UserPolicy>
{
public:
	using FFuncType = std::function<RetType(ParamTypes...)>;

	TDelegate() = default;
	TDelegate(std::nullptr_t) {}

	template <typename FunctorType, typename... VarTypes>
	static TDelegate CreateLambda(FunctorType&& Functor, VarTypes... Vars)
	{
		TDelegate D;
		D.Func = [F = std::forward<FunctorType>(Functor), Vars...](ParamTypes... Params) mutable -> RetType {
			return F(std::forward<ParamTypes>(Params)..., Vars...);
		};
		return D;
	}
	template <typename FunctorType, typename... VarTypes>
	static TDelegate CreateWeakLambda(const void*, FunctorType&& Functor, VarTypes... Vars) { return CreateLambda(std::forward<FunctorType>(Functor), Vars...); }
	template <typename... FuncParams, typename... VarTypes>
	static TDelegate CreateStatic(RetType (*InFunc)(FuncParams...), VarTypes... Vars)
	{
		TDelegate D;
		if (InFunc)
		{
			D.Func = [InFunc, Vars...](ParamTypes... Params) -> RetType { return InFunc(std::forward<ParamTypes>(Params)..., Vars...); };
		}
		return D;
	}
	template <typename UserClass, typename MethodType, typename... VarTypes>
	static TDelegate CreateRaw(UserClass* Object, MethodType Method, VarTypes... Vars)
	{
		TDelegate D;
		D.Func = [Object, Method, Vars...](ParamTypes... Params) -> RetType { return (Object->*Method)(std::forward<ParamTypes>(Params)..., Vars...); };
		return D;
	}
	template <typename UserClass, ESPMode Mode, typename MethodType, typename... VarTypes>
	static TDelegate CreateSP(const TSharedRef<UserClass, Mode>& Object, MethodType Method, VarTypes... Vars)
	{
		return CreateSP(TSharedPtr<UserClass, Mode>(Object), Method, Vars...);
	}
	template <typename UserClass, ESPMode Mode, typename MethodType, typename... VarTypes>
	static TDelegate CreateSP(const TSharedPtr<UserClass, Mode>& Object, MethodType Method, VarTypes... Vars)
	{
		TDelegate D;
		TWeakPtr<UserClass, Mode> Weak(Object);
		D.Func = [Weak, Method, Vars...](ParamTypes... Params) -> RetType {
			if (TSharedPtr<UserClass, Mode> Pinned = Weak.Pin()) { return ((*Pinned).*Method)(std::forward<ParamTypes>(Params)..., Vars...); }
			return RetType();
		};
		return D;
	}

	template <typename FunctorType, typename... VarTypes>
	void BindLambda(FunctorType&& Functor, VarTypes... Vars) { *this = CreateLambda(std::forward<FunctorType>(Functor), Vars...); }
	template <typename... FuncParams, typename... VarTypes>
	void BindStatic(RetType (*InFunc)(FuncParams...), VarTypes... Vars) { *this = CreateStatic(InFunc, Vars...); }
	template <typename UserClass, typename MethodType, typename... VarTypes>
	void BindRaw(UserClass* Object, MethodType Method, VarTypes... Vars) { *this = CreateRaw(Object, Method, Vars...); }
	template <typename ObjectType, typename MethodType, typename... VarTypes>
	void BindSP(const ObjectType& Object, MethodType Method, VarTypes... Vars) { *this = CreateSP(Object, Method, Vars...); }

	bool IsBound() const { return static_cast<bool>(Func); }
	void Unbind() { Func = nullptr; }

	RetType Execute(ParamTypes... Params) const
	{
		check(IsBound());
		return Func(std::forward<ParamTypes>(Params)...);
	}
	template <typename R = RetType, typename = std::enable_if_t<std::is_void_v<R>>>
	bool ExecuteIfBound(ParamTypes... Params) const
	{
		if (!Func) { return false; }
		Func(std::forward<ParamTypes>(Params)...);
		return true;
	}

private:
	FFuncType Func;
};

template <typename Sig> using TTSDelegate = TDelegate<Sig, FDefaultTSDelegateUserPolicy>;

template <typename Sig, typename UserPolicy = FDefaultDelegateUserPolicy> class TMulticastDelegate;

template <typename... ParamTypes, typename UserPolicy>
class TMulticastDelegate<void(ParamTypes...), UserPolicy>
{
public:
	using FDelegate = TDelegate<void(ParamTypes...), UserPolicy>;

	FDelegateHandle Add(const FDelegate& InDelegate)
	{
		if (!InDelegate.IsBound()) { return FDelegateHandle(); }
		FDelegateHandle Handle(FDelegateHandle::GenerateNewHandle);
		Entries.push_back({ Handle, InDelegate });
		return Handle;
	}
	template <typename FunctorType, typename... VarTypes>
	FDelegateHandle AddLambda(FunctorType&& Functor, VarTypes... Vars) { return Add(FDelegate::CreateLambda(std::forward<FunctorType>(Functor), Vars...)); }
	template <typename... FuncParams, typename... VarTypes>
	FDelegateHandle AddStatic(void (*InFunc)(FuncParams...), VarTypes... Vars) { return Add(FDelegate::CreateStatic(InFunc, Vars...)); }
	template <typename UserClass, typename MethodType, typename... VarTypes>
	FDelegateHandle AddRaw(UserClass* Object, MethodType Method, VarTypes... Vars) { return Add(FDelegate::CreateRaw(Object, Method, Vars...)); }

	bool Remove(FDelegateHandle Handle)
	{
		for (auto It = Entries.begin(); It != Entries.end(); ++It)
		{
			if (It->Handle == Handle) { Entries.erase(It); return true; }
		}
		return false;
	}
	void Clear() { Entries.clear(); }
	bool IsBound() const { return !Entries.empty(); }

	void Broadcast(ParamTypes... Params) const
	{
		// A copy, so that a callback may add or remove entries while we walk.
		const std::vector<FEntry> Snapshot = Entries;
		for (const FEntry& Entry : Snapshot) { Entry.Delegate.ExecuteIfBound(Params...); }
	}

private:
	struct FEntry { FDelegateHandle Handle; FDelegate Delegate; };
	std::vector<FEntry> Entries;
};

using FSimpleDelegate = TDelegate<void()>;
using FSimpleMulticastDelegate = TMulticastDelegate<void()>;

#define DECLARE_DELEGATE(Name) typedef TDelegate<void()> Name
#define DECLARE_DELEGATE_OneParam(Name, P1) typedef TDelegate<void(P1)> Name
#define DECLARE_DELEGATE_TwoParams(Name, P1, P2) typedef TDelegate<void(P1, P2)> Name
#define DECLARE_DELEGATE_ThreeParams(Name, P1, P2, P3) typedef TDelegate<void(P1, P2, P3)> Name
#define DECLARE_DELEGATE_RetVal(Ret, Name) typedef TDelegate<Ret()> Name
#define DECLARE_DELEGATE_RetVal_OneParam(Ret, Name, P1) typedef TDelegate<Ret(P1)> Name
#define DECLARE_DELEGATE_RetVal_TwoParams(Ret, Name, P1, P2) typedef TDelegate<Ret(P1, P2)> Name
#define DECLARE_MULTICAST_DELEGATE(Name) typedef TMulticastDelegate<void()> Name
#define DECLARE_MULTICAST_DELEGATE_OneParam(Name, P1) typedef TMulticastDelegate<void(P1)> Name
#define DECLARE_MULTICAST_DELEGATE_TwoParams(Name, P1, P2) typedef TMulticastDelegate<void(P1, P2)> Name
