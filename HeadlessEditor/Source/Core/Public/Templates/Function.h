#pragma once
#include <functional>
#include <memory>
#include <utility>

template <typename FuncType> using TFunction = std::function<FuncType>;

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
