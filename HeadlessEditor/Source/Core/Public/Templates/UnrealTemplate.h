// The engine's small templates over std: MoveTemp.
#pragma once

#include <type_traits>

#include "HAL/Platform.h"

// std::move for a named, non-const object; moving a temporary or a const object does not compile,
// as in the engine (the move would do nothing).
template <typename T>
FORCEINLINE std::remove_reference_t<T>&& MoveTemp(T&& Obj)
{
	using CastType = std::remove_reference_t<T>;
	static_assert(std::is_lvalue_reference_v<T>, "MoveTemp of a temporary does nothing");
	static_assert(!std::is_const_v<CastType>, "MoveTemp of a const object copies it");
	return static_cast<CastType&&>(Obj);
}
