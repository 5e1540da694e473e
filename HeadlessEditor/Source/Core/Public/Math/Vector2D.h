#pragma once
struct FVector2D
{
	double X = 0, Y = 0;
	FVector2D() = default;
	FVector2D(double InX, double InY) : X(InX), Y(InY) {}
	explicit FVector2D(double V) : X(V), Y(V) {}
	bool operator==(const FVector2D& O) const { return X == O.X && Y == O.Y; }
};
using FVector2f = FVector2D;
