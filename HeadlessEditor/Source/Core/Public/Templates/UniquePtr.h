#pragma once
#include <memory>
template <typename T> using TUniquePtr = std::unique_ptr<T>;
template <typename T, typename... Args> TUniquePtr<T> MakeUnique(Args&&... A) { return std::make_unique<T>(std::forward<Args>(A)...); }
