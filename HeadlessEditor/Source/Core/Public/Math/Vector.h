// FVector: a point or direction in 3D (double precision, as in the engine's large-world build).
#pragma once

#include <cmath>
#include "HAL/Platform.h"

struct FVector
{
	double X = 0, Y = 0, Z = 0;

	static const FVector ZeroVector;
	static const FVector OneVector;

	constexpr FVector() = default;
	constexpr FVector(double InX, double InY, double InZ) : X(InX), Y(InY), Z(InZ) {}
	constexpr explicit FVector(double V) : X(V), Y(V), Z(V) {}

	FVector operator+(const FVector& V) const { return FVector(X + V.X, Y + V.Y, Z + V.Z); }
	FVector operator-(const FVector& V) const { return FVector(X - V.X, Y - V.Y, Z - V.Z); }
	FVector operator*(double S) const { return FVector(X * S, Y * S, Z * S); }
	FVector operator*(const FVector& V) const { return FVector(X * V.X, Y * V.Y, Z * V.Z); }
	bool operator==(const FVector& V) const { return X == V.X && Y == V.Y && Z == V.Z; }
	bool operator!=(const FVector& V) const { return !(*this == V); }
	bool Equals(const FVector& V, double Tolerance = 1.e-4) const
	{
		return std::abs(X - V.X) <= Tolerance && std::abs(Y - V.Y) <= Tolerance && std::abs(Z - V.Z) <= Tolerance;
	}
	double Size() const { return std::sqrt(X * X + Y * Y + Z * Z); }
	bool IsZero() const { return X == 0 && Y == 0 && Z == 0; }
};

inline const FVector FVector::ZeroVector(0, 0, 0);
inline const FVector FVector::OneVector(1, 1, 1);
using FVector3d = FVector;
