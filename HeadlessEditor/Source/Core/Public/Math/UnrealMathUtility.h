#pragma once
#include <algorithm>
#include <cmath>
#include "HAL/Platform.h"

struct FMath
{
	template <typename T> static constexpr T Min(const T A, const T B) { return A < B ? A : B; }
	template <typename T> static constexpr T Max(const T A, const T B) { return A > B ? A : B; }
	template <typename T> static constexpr T Clamp(const T X, const T Lo, const T Hi) { return X < Lo ? Lo : (X > Hi ? Hi : X); }
	template <typename T> static constexpr T Abs(const T A) { return A < T(0) ? -A : A; }
	static bool IsNearlyEqual(double A, double B, double Tolerance = 1.e-8) { return std::abs(A - B) <= Tolerance; }
	static int32 FloorToInt(double F) { return static_cast<int32>(std::floor(F)); }
	static int32 RoundToInt(double F) { return static_cast<int32>(std::floor(F + 0.5)); }
};
