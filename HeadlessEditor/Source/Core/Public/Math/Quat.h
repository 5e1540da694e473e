// FQuat: a rotation as a unit quaternion, with the engine's conversions to and from FRotator.
#pragma once

#include <cmath>
#include "Math/Rotator.h"
#include "Math/Vector.h"

struct FQuat
{
	double X = 0, Y = 0, Z = 0, W = 1;

	static const FQuat Identity;

	constexpr FQuat() = default;
	constexpr FQuat(double InX, double InY, double InZ, double InW) : X(InX), Y(InY), Z(InZ), W(InW) {}
	explicit FQuat(const FRotator& R) { *this = R.Quaternion(); }

	FRotator Rotator() const
	{
		constexpr double RadToDeg = 180.0 / 3.14159265358979323846;
		constexpr double SingularityThreshold = 0.4999995;
		const double SingularityTest = Z * X - W * Y;
		const double YawY = 2.0 * (W * Z + X * Y);
		const double YawX = 1.0 - 2.0 * (Y * Y + Z * Z);
		FRotator Result;
		Result.Yaw = std::atan2(YawY, YawX) * RadToDeg;
		if (SingularityTest < -SingularityThreshold)
		{
			Result.Pitch = -90.0;
			Result.Roll = FRotator::NormalizeAxis(-Result.Yaw - 2.0 * std::atan2(X, W) * RadToDeg);
		}
		else if (SingularityTest > SingularityThreshold)
		{
			Result.Pitch = 90.0;
			Result.Roll = FRotator::NormalizeAxis(Result.Yaw - 2.0 * std::atan2(X, W) * RadToDeg);
		}
		else
		{
			Result.Pitch = std::asin(2.0 * SingularityTest) * RadToDeg;
			Result.Roll = std::atan2(-2.0 * (W * X + Y * Z), 1.0 - 2.0 * (X * X + Y * Y)) * RadToDeg;
		}
		return Result;
	}

	bool operator==(const FQuat& Q) const { return X == Q.X && Y == Q.Y && Z == Q.Z && W == Q.W; }
	bool Equals(const FQuat& Q, double Tolerance = 1.e-4) const
	{
		// q and -q are the same rotation.
		auto Near = [Tolerance](const FQuat& A, const FQuat& B, double Sign) {
			return std::abs(A.X - Sign * B.X) <= Tolerance && std::abs(A.Y - Sign * B.Y) <= Tolerance &&
				std::abs(A.Z - Sign * B.Z) <= Tolerance && std::abs(A.W - Sign * B.W) <= Tolerance;
		};
		return Near(*this, Q, 1.0) || Near(*this, Q, -1.0);
	}
	bool IsIdentity(double Tolerance = 1.e-8) const { return Equals(Identity, Tolerance); }
};

inline const FQuat FQuat::Identity(0, 0, 0, 1);

inline FQuat FRotator::Quaternion() const
{
	constexpr double HalfDegToRad = 3.14159265358979323846 / 360.0;
	const double SP = std::sin(Pitch * HalfDegToRad), CP = std::cos(Pitch * HalfDegToRad);
	const double SY = std::sin(Yaw * HalfDegToRad), CY = std::cos(Yaw * HalfDegToRad);
	const double SR = std::sin(Roll * HalfDegToRad), CR = std::cos(Roll * HalfDegToRad);
	return FQuat(CR * SP * SY - SR * CP * CY, -CR * SP * CY - SR * CP * SY, CR * CP * SY - SR * SP * CY, CR * CP * CY + SR * SP * SY);
}
