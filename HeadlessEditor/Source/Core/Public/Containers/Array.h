// TArray: the engine's dynamic array. Backed by std::vector; the size type is int32 (int64 for
// TArray64), and growing past it is an assertion, as in the engine.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <limits>
#include <type_traits>
#include <utility>
#include <cstring>
#include <vector>

#include "HAL/Platform.h"
#include "Misc/AssertionMacros.h"
#include "Containers/ContainerAllocationPolicies.h"

enum class EAllowShrinking : uint8 { No, Yes };

namespace UE::HeadlessEditor
{
	// Constructs elements without arguments by default-initialisation, so that growing an array
	// of plain bytes leaves them uninitialised, as the engine's AddUninitialized does.
	template <typename T>
	struct TDefaultInitAllocator : std::allocator<T>
	{
		template <typename U> struct rebind { using other = TDefaultInitAllocator<U>; };
		TDefaultInitAllocator() = default;
		template <typename U> TDefaultInitAllocator(const TDefaultInitAllocator<U>&) noexcept {}
		template <typename U> void construct(U* Ptr) noexcept(std::is_nothrow_default_constructible_v<U>) { ::new (static_cast<void*>(Ptr)) U; }
		template <typename U, typename... Args> void construct(U* Ptr, Args&&... A) { ::new (static_cast<void*>(Ptr)) U(std::forward<Args>(A)...); }
	};
}

template <typename InElementType, typename InAllocatorType = FDefaultAllocator>
class TArray
{
	// std::vector<bool> is not a container of bools; store bytes instead.
	using StorageType = std::conditional_t<std::is_same_v<InElementType, bool>, uint8, InElementType>;

public:
	using ElementType = InElementType;
	using SizeType = typename InAllocatorType::SizeType;

	TArray() = default;
	TArray(std::initializer_list<ElementType> Init) : Data(Init.begin(), Init.end()) {}
	TArray(const ElementType* Ptr, SizeType Count) : Data(Ptr, Ptr + Count) {}
	template <typename OtherAllocator>
	explicit TArray(const TArray<ElementType, OtherAllocator>& Other) : Data(Other.begin(), Other.end()) {}

	SizeType Num() const { return static_cast<SizeType>(Data.size()); }
	bool IsEmpty() const { return Data.empty(); }
	bool IsValidIndex(SizeType Index) const { return Index >= 0 && Index < Num(); }
	SIZE_T GetAllocatedSize() const { return Data.capacity() * sizeof(StorageType); }
	SizeType Max() const { return static_cast<SizeType>(Data.capacity()); }

	ElementType* GetData() { return reinterpret_cast<ElementType*>(Data.data()); }
	const ElementType* GetData() const { return reinterpret_cast<const ElementType*>(Data.data()); }
	static constexpr uint32 GetTypeSize() { return sizeof(ElementType); }

	ElementType& operator[](SizeType Index) { check(IsValidIndex(Index)); return GetData()[Index]; }
	const ElementType& operator[](SizeType Index) const { check(IsValidIndex(Index)); return GetData()[Index]; }
	ElementType& Last(SizeType IndexFromEnd = 0) { return (*this)[Num() - IndexFromEnd - 1]; }
	const ElementType& Last(SizeType IndexFromEnd = 0) const { return (*this)[Num() - IndexFromEnd - 1]; }
	ElementType& Top() { return Last(); }

	void Reserve(SizeType Number) { if (Number > 0) { Data.reserve(static_cast<size_t>(Number)); } }
	// New elements of plain types are zeroed, others default-constructed, as in the engine.
	void SetNum(SizeType NewNum, EAllowShrinking = EAllowShrinking::Yes) { check(NewNum >= 0); Data.resize(static_cast<size_t>(NewNum), StorageType()); }
	void SetNumZeroed(SizeType NewNum, EAllowShrinking Shrink = EAllowShrinking::Yes) { SetNum(NewNum, Shrink); }
	// New elements of plain types are left uninitialised: the caller writes them.
	void SetNumUninitialized(SizeType NewNum, EAllowShrinking = EAllowShrinking::Yes) { check(NewNum >= 0); Data.resize(static_cast<size_t>(NewNum)); }
	SizeType AddUninitialized(SizeType Count = 1) { const SizeType Old = Num(); GrowBy(Count); return Old; }
	SizeType AddZeroed(SizeType Count = 1) { const SizeType Old = Num(); check(Count >= 0); Data.resize(Data.size() + static_cast<size_t>(Count), StorageType()); return Old; }
	SizeType AddDefaulted(SizeType Count = 1) { return AddZeroed(Count); }

	SizeType Add(const ElementType& Item) { Data.push_back(Item); return Num() - 1; }
	SizeType Add(ElementType&& Item) { Data.push_back(std::move(Item)); return Num() - 1; }
	template <typename... ArgsType>
	SizeType Emplace(ArgsType&&... Args) { Data.emplace_back(std::forward<ArgsType>(Args)...); return Num() - 1; }
	template <typename... ArgsType>
	ElementType& Emplace_GetRef(ArgsType&&... Args) { Data.emplace_back(std::forward<ArgsType>(Args)...); return Last(); }
	ElementType& Add_GetRef(const ElementType& Item) { Data.push_back(Item); return Last(); }
	SizeType AddUnique(const ElementType& Item) { const SizeType Index = Find(Item); return Index != INDEX_NONE ? Index : Add(Item); }

	template <typename OtherElementType, typename OtherAllocator>
	void Append(const TArray<OtherElementType, OtherAllocator>& Source) { Data.insert(Data.end(), Source.begin(), Source.end()); }
	void Append(TArray&& Source) { Data.insert(Data.end(), std::make_move_iterator(Source.Data.begin()), std::make_move_iterator(Source.Data.end())); Source.Data.clear(); }
	void Append(const ElementType* Ptr, SizeType Count)
	{
		check(Count >= 0);
		if (Count <= 0) { return; }
		// The default-init allocator makes std::vector copy element by element; plain bytes go in
		// with one memcpy (unless they come from this array, which may move while it grows).
		const bool bFromSelf = !Data.empty() && Ptr >= GetData() && Ptr < GetData() + Data.size();
		if constexpr (std::is_trivially_copyable_v<ElementType>)
		{
			if (!bFromSelf)
			{
				const size_t OldSize = Data.size();
				Data.resize(OldSize + size_t(Count));
				std::memcpy(static_cast<void*>(GetData() + OldSize), Ptr, size_t(Count) * sizeof(ElementType));
				return;
			}
		}
		if (bFromSelf)
		{
			// std::vector moves its elements before it copies the inserted range out of them.
			Append(TArray(Ptr, Count));
			return;
		}
		Data.insert(Data.end(), Ptr, Ptr + Count);
	}
	void Append(std::initializer_list<ElementType> Init) { Data.insert(Data.end(), Init.begin(), Init.end()); }
	TArray& operator+=(const TArray& Other) { Append(Other); return *this; }

	SizeType Insert(const ElementType& Item, SizeType Index) { check(Index >= 0 && Index <= Num()); Data.insert(Data.begin() + Index, Item); return Index; }
	void RemoveAt(SizeType Index, SizeType Count = 1, EAllowShrinking = EAllowShrinking::Yes)
	{
		check(Index >= 0 && Count >= 0 && Index + Count <= Num());
		Data.erase(Data.begin() + Index, Data.begin() + Index + Count);
	}
	void RemoveAtSwap(SizeType Index, SizeType Count = 1, EAllowShrinking Shrink = EAllowShrinking::Yes) { RemoveAt(Index, Count, Shrink); }
	SizeType Remove(const ElementType& Item) { return RemoveAll([&Item](const ElementType& E) { return E == Item; }); }
	SizeType RemoveSingle(const ElementType& Item) { const SizeType Index = Find(Item); if (Index == INDEX_NONE) { return 0; } RemoveAt(Index); return 1; }
	template <typename Predicate>
	SizeType RemoveAll(const Predicate& Pred)
	{
		const SizeType Old = Num();
		Data.erase(std::remove_if(Data.begin(), Data.end(), [&Pred](const StorageType& E) { return Pred(reinterpret_cast<const ElementType&>(E)); }), Data.end());
		return Old - Num();
	}
	ElementType Pop(EAllowShrinking = EAllowShrinking::Yes) { check(Num() > 0); ElementType Result = std::move(Last()); Data.pop_back(); return Result; }
	void Push(const ElementType& Item) { Add(Item); }

	void Empty(SizeType Slack = 0) { Data.clear(); if (Slack == 0) { Data.shrink_to_fit(); } else { Data.reserve(static_cast<size_t>(Slack)); } }
	void Reset(SizeType NewSize = 0) { Data.clear(); Reserve(NewSize); }
	void Shrink() { Data.shrink_to_fit(); }

	SizeType Find(const ElementType& Item) const
	{
		for (SizeType Index = 0; Index < Num(); ++Index) { if (GetData()[Index] == Item) { return Index; } }
		return INDEX_NONE;
	}
	bool Find(const ElementType& Item, SizeType& OutIndex) const { OutIndex = Find(Item); return OutIndex != INDEX_NONE; }
	SizeType FindLast(const ElementType& Item) const
	{
		for (SizeType Index = Num() - 1; Index >= 0; --Index) { if (GetData()[Index] == Item) { return Index; } }
		return INDEX_NONE;
	}
	template <typename KeyType>
	SizeType IndexOfByKey(const KeyType& Key) const
	{
		for (SizeType Index = 0; Index < Num(); ++Index) { if (GetData()[Index] == Key) { return Index; } }
		return INDEX_NONE;
	}
	template <typename Predicate>
	SizeType IndexOfByPredicate(const Predicate& Pred) const
	{
		for (SizeType Index = 0; Index < Num(); ++Index) { if (Pred(GetData()[Index])) { return Index; } }
		return INDEX_NONE;
	}
	template <typename Predicate>
	ElementType* FindByPredicate(const Predicate& Pred) { const SizeType I = IndexOfByPredicate(Pred); return I == INDEX_NONE ? nullptr : GetData() + I; }
	template <typename Predicate>
	const ElementType* FindByPredicate(const Predicate& Pred) const { const SizeType I = IndexOfByPredicate(Pred); return I == INDEX_NONE ? nullptr : GetData() + I; }
	template <typename KeyType>
	bool Contains(const KeyType& Key) const { return IndexOfByKey(Key) != INDEX_NONE; }
	template <typename Predicate>
	bool ContainsByPredicate(const Predicate& Pred) const { return IndexOfByPredicate(Pred) != INDEX_NONE; }
	template <typename Predicate>
	TArray FilterByPredicate(const Predicate& Pred) const { TArray Result; for (const ElementType& E : *this) { if (Pred(E)) { Result.Add(E); } } return Result; }

	void Sort() { std::sort(begin(), end()); }
	template <typename Predicate> void Sort(const Predicate& Pred) { std::sort(begin(), end(), Pred); }
	void StableSort() { std::stable_sort(begin(), end()); }
	template <typename Predicate> void StableSort(const Predicate& Pred) { std::stable_sort(begin(), end(), Pred); }
	void Swap(SizeType A, SizeType B) { std::swap((*this)[A], (*this)[B]); }

	bool operator==(const TArray& Other) const { return Data == Other.Data; }
	bool operator!=(const TArray& Other) const { return !(*this == Other); }

	ElementType* begin() { return GetData(); }
	ElementType* end() { return GetData() + Data.size(); }
	const ElementType* begin() const { return GetData(); }
	const ElementType* end() const { return GetData() + Data.size(); }

private:
	void GrowBy(SizeType Count)
	{
		check(Count >= 0);
		check(static_cast<int64>(Num()) + Count <= static_cast<int64>(std::numeric_limits<SizeType>::max()));
		Data.resize(Data.size() + static_cast<size_t>(Count));
	}

	std::vector<StorageType, UE::HeadlessEditor::TDefaultInitAllocator<StorageType>> Data;
};

template <typename T> using TArray64 = TArray<T, FDefaultAllocator64>;
