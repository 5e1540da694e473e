// The values of SlateCore's layout types.
#include "Layout/Visibility.h"
#include "Types/SlateStructs.h"

const EVisibility EVisibility::Visible(EVisibility::VisibleBits);
const EVisibility EVisibility::Collapsed(EVisibility::CollapsedBit);
const EVisibility EVisibility::Hidden(EVisibility::HiddenBit);
const EVisibility EVisibility::HitTestInvisible(EVisibility::DrawnBit);
const EVisibility EVisibility::SelfHitTestInvisible(EVisibility::DrawnBit | EVisibility::ChildrenHitBit);
const EVisibility EVisibility::All(EVisibility::DrawnBit | EVisibility::HiddenBit | EVisibility::CollapsedBit | EVisibility::SelfHitBit | EVisibility::ChildrenHitBit);

FString EVisibility::ToString() const
{
	if (*this == Visible) { return TEXT("Visible"); }
	if (*this == Collapsed) { return TEXT("Collapsed"); }
	if (*this == Hidden) { return TEXT("Hidden"); }
	if (*this == HitTestInvisible) { return TEXT("HitTestInvisible"); }
	if (*this == SelfHitTestInvisible) { return TEXT("SelfHitTestInvisible"); }
	if (*this == All) { return TEXT("All"); }
	return FString();
}

const float FOptionalSize::Unspecified = -1.0f;
