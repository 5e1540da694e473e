// USelection: a set of selected objects (the editor keeps one for actors).
#pragma once

#include "UObject/Object.h"
#include "Templates/Casts.h"

class UNREALED_API USelection : public UObject
{
	DECLARE_CLASS(USelection, UObject, CLASS_Transient, CASTCLASS_None, TEXT("/Script/UnrealEd"), UNREALED_API)

	void Select(UObject* InObject);
	void Deselect(UObject* InObject);
	void DeselectAll(UClass* InClass = nullptr);
	bool IsSelected(const UObject* InObject) const;
	// Live selected objects, in the order they were selected.
	int32 Num() const;
	UObject* GetSelectedObject(int32 InIndex) const;
	template <class T>
	int32 GetSelectedObjects(TArray<T*>& OutSelectedObjects) const
	{
		OutSelectedObjects.Reset();
		for (UObject* Object : GetLive()) { if (T* Typed = Cast<T>(Object)) { OutSelectedObjects.Add(Typed); } }
		return OutSelectedObjects.Num();
	}

protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	TArray<UObject*> GetLive() const;
	// A deleted object leaves a null entry here (reference clearing), which GetLive skips.
	TArray<TObjectPtr<UObject>> SelectedObjects;
};
