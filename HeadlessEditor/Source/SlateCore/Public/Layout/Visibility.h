// EVisibility: whether a widget is drawn, takes room and takes the cursor.
#pragma once

#include "CoreMinimal.h"

struct EVisibility
{
	// Drawn and hit-testable (the default).
	static SLATECORE_API const EVisibility Visible;
	// Not drawn, takes no room.
	static SLATECORE_API const EVisibility Collapsed;
	// Not drawn, keeps its room.
	static SLATECORE_API const EVisibility Hidden;
	// Drawn; neither it nor its children take the cursor.
	static SLATECORE_API const EVisibility HitTestInvisible;
	// Drawn; it does not take the cursor, its children may.
	static SLATECORE_API const EVisibility SelfHitTestInvisible;
	// Matches every visibility (a filter).
	static SLATECORE_API const EVisibility All;

	EVisibility() : Value(VisibleBits) {}

	bool operator==(const EVisibility& Other) const { return Value == Other.Value; }
	bool operator!=(const EVisibility& Other) const { return Value != Other.Value; }

	bool AreChildrenHitTestVisible() const { return (Value & ChildrenHitBit) != 0; }
	bool IsHitTestVisible() const { return (Value & SelfHitBit) != 0; }
	bool IsVisible() const { return (Value & DrawnBit) != 0; }

	static FORCEINLINE bool DoesVisibilityPassFilter(const EVisibility InVisibility, const EVisibility InVisibilityFilter)
	{
		return (InVisibility.Value & InVisibilityFilter.Value) != 0;
	}

	SLATECORE_API FString ToString() const;

private:
	enum : uint8
	{
		DrawnBit = 1 << 0,
		CollapsedBit = 1 << 1,
		HiddenBit = 1 << 2,
		SelfHitBit = 1 << 3,
		ChildrenHitBit = 1 << 4,
		VisibleBits = DrawnBit | SelfHitBit | ChildrenHitBit,
	};

	explicit EVisibility(uint8 InValue) : Value(InValue) {}

	uint8 Value;
};
