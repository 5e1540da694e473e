// FRotator: a rotation as pitch, yaw and roll in degrees.
#pragma once

#include <cmath>
#include "HAL/Platform.h"

struct FQuat;

struct FRotator
{
	double Pitch = 0, Yaw = 0, Roll = 0;

	static const FRotator ZeroRotator;

	constexpr FRotator() = default;
	constexpr FRotator(double InPitch, double InYaw, double InRoll) : Pitch(InPitch), Yaw(InYaw), Roll(InRoll) {}

	FQuat Quaternion() const;
	bool operator==(const FRotator& R) const { return Pitch == R.Pitch && Yaw == R.Yaw && Roll == R.Roll; }
	bool operator!=(const FRotator& R) const { return !(*this == R); }
	bool Equals(const FRotator& R, double Tolerance = 1.e-4) const
	{
		return std::abs(NormalizeAxis(Pitch - R.Pitch)) <= Tolerance && std::abs(NormalizeAxis(Yaw - R.Yaw)) <= Tolerance &&
			std::abs(NormalizeAxis(Roll - R.Roll)) <= Tolerance;
	}
	// An angle in (-180, 180].
	static double NormalizeAxis(double Angle)
	{
		Angle = std::fmod(Angle, 360.0);
		if (Angle < 0) { Angle += 360.0; }
		return Angle > 180.0 ? Angle - 360.0 : Angle;
	}
};

inline const FRotator FRotator::ZeroRotator(0, 0, 0);
