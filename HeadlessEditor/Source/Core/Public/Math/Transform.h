// FTransform: rotation, translation and 3D scale.
#pragma once

#include "Math/Quat.h"
#include "Math/Rotator.h"
#include "Math/Vector.h"

struct FTransform
{
	static const FTransform Identity;

	constexpr FTransform() = default;
	explicit FTransform(const FVector& InTranslation) : Translation(InTranslation) {}
	explicit FTransform(const FQuat& InRotation) : Rotation(InRotation) {}
	explicit FTransform(const FRotator& InRotation) : Rotation(InRotation.Quaternion()) {}
	FTransform(const FQuat& InRotation, const FVector& InTranslation, const FVector& InScale3D = FVector::OneVector)
		: Rotation(InRotation), Translation(InTranslation), Scale3D(InScale3D) {}
	FTransform(const FRotator& InRotation, const FVector& InTranslation, const FVector& InScale3D = FVector::OneVector)
		: Rotation(InRotation.Quaternion()), Translation(InTranslation), Scale3D(InScale3D) {}

	FVector GetLocation() const { return Translation; }
	FVector GetTranslation() const { return Translation; }
	FQuat GetRotation() const { return Rotation; }
	FRotator Rotator() const { return Rotation.Rotator(); }
	FVector GetScale3D() const { return Scale3D; }
	void SetLocation(const FVector& V) { Translation = V; }
	void SetTranslation(const FVector& V) { Translation = V; }
	void SetRotation(const FQuat& Q) { Rotation = Q; }
	void SetScale3D(const FVector& V) { Scale3D = V; }

	bool Equals(const FTransform& Other, double Tolerance = 1.e-4) const
	{
		return Rotation.Equals(Other.Rotation, Tolerance) && Translation.Equals(Other.Translation, Tolerance) && Scale3D.Equals(Other.Scale3D, Tolerance);
	}

private:
	FQuat Rotation{ 0, 0, 0, 1 };
	FVector Translation{ 0, 0, 0 };
	FVector Scale3D{ 1, 1, 1 };
};

inline const FTransform FTransform::Identity{};
