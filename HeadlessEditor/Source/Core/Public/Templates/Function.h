#pragma once
#include <functional>
#include <type_traits>
#include <memory>
#include <utility>

template <typename FuncType> using TFunction = std::function<FuncType>;

// A reference to a callable, for parameters: it does not own or copy the callable, which must
// outlive the call it is passed to.
template <typename FuncType> class TFunctionRef;
template <typename Ret, typename... Args>
class TFunctionRef<Ret(Args...)>
{
public:
	template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TFunctionRef> && std::is_invocable_r_v<Ret, F&, Args...>>>
	TFunctionRef(F&& Func)
		: Callable(const_cast<void*>(static_cast<const void*>(std::addressof(Func))))
		, Invoke([](void* Target, Args... A) -> Ret { return (*static_cast<std::remove_reference_t<F>*>(Target))(std::forward<Args>(A)...); })
	{
	}
	TFunctionRef(const TFunctionRef&) = default;
	TFunctionRef& operator=(const TFunctionRef&) = delete;

	Ret operator()(Args... A) const { return Invoke(Callable, std::forward<Args>(A)...); }

private:
	void* Callable;
	Ret (*Invoke)(void*, Args...);
};

// A move-only callable (std::function needs copyable targets).
template <typename FuncType> class TUniqueFunction;
template <typename Ret, typename... Args>
class TUniqueFunction<Ret(Args...)>
{
	struct FCallable { virtual ~FCallable() = default; virtual Ret Call(Args... A) = 0; };
	template <typename F> struct TCallable final : FCallable
	{
		F Func;
		explicit TCallable(F&& In) : Func(std::move(In)) {}
		Ret Call(Args... A) override { return Func(std::forward<Args>(A)...); }
	};
	std::unique_ptr<FCallable> Impl;

public:
	TUniqueFunction() = default;
	TUniqueFunction(std::nullptr_t) {}
	template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TUniqueFunction>>>
	TUniqueFunction(F&& Func) : Impl(std::make_unique<TCallable<std::decay_t<F>>>(std::decay_t<F>(std::forward<F>(Func)))) {}
	TUniqueFunction(TUniqueFunction&&) noexcept = default;
	TUniqueFunction& operator=(TUniqueFunction&&) noexcept = default;
	explicit operator bool() const { return static_cast<bool>(Impl); }
	bool IsSet() const { return static_cast<bool>(Impl); }
	Ret operator()(Args... A) const { return Impl->Call(std::forward<Args>(A)...); }
};
