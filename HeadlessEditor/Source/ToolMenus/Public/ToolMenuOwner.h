#pragma once
#include "CoreMinimal.h"

struct TOOLMENUS_API FToolMenuOwner
{
	FToolMenuOwner() = default;
	FToolMenuOwner(void* InPointer) : Pointer(InPointer) {}
	FToolMenuOwner(const WIDECHAR* InValue);
	FToolMenuOwner(const ANSICHAR* InValue) : Name(InValue) {}
	FToolMenuOwner(const FName InValue) : Name(InValue) {}
	bool operator==(const FToolMenuOwner& Other) const { return Pointer == Other.Pointer && Name == Other.Name; }
	bool operator!=(const FToolMenuOwner& Other) const { return !(*this == Other); }
	bool IsSet() const { return Pointer != nullptr || !Name.IsNone(); }
	// The owner's name; NAME_None for an owner given by pointer.
	FName TryGetName() const { return Pointer ? NAME_None : Name; }

private:
	void* Pointer = nullptr;
	FName Name;
};
