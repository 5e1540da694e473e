// Non-owning views over contiguous elements (TArrayView, TArrayView64).
#pragma once

#include "HAL/Platform.h"
#include "Containers/Array.h"

template <typename InElementType, typename InSizeType = int32>
class TArrayView
{
public:
	using ElementType = InElementType;
	using SizeType = InSizeType;

	TArrayView() = default;
	TArrayView(ElementType* InData, SizeType InNum) : DataPtr(InData), ArrayNum(InNum) {}
	template <typename OtherElementType, typename Allocator>
	TArrayView(TArray<OtherElementType, Allocator>& Other) : DataPtr(Other.GetData()), ArrayNum(Other.Num()) {}
	template <typename OtherElementType, typename Allocator>
	TArrayView(const TArray<OtherElementType, Allocator>& Other) : DataPtr(Other.GetData()), ArrayNum(Other.Num()) {}

	ElementType* GetData() const { return DataPtr; }
	SizeType Num() const { return ArrayNum; }
	bool IsEmpty() const { return ArrayNum == 0; }
	ElementType& operator[](SizeType Index) const { check(Index >= 0 && Index < ArrayNum); return DataPtr[Index]; }
	ElementType* begin() const { return DataPtr; }
	ElementType* end() const { return DataPtr + ArrayNum; }

private:
	ElementType* DataPtr = nullptr;
	SizeType ArrayNum = 0;
};

template <typename T> using TArrayView64 = TArrayView<T, int64>;
template <typename T> using TConstArrayView = TArrayView<const T>;
