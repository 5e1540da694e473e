// TMap: keys in insertion order (as the engine's map keeps them while nothing is removed),
// hashed with GetTypeHash and compared with ==, so FString keys ignore case as in the engine.
#pragma once

#include <unordered_map>
#include <utility>
#include <vector>

#include "HAL/Platform.h"
#include "Containers/Array.h"
#include "Templates/Tuple.h"

template <typename KeyType>
inline uint32 GetTypeHash(const KeyType* Ptr) { return static_cast<uint32>(reinterpret_cast<UPTRINT>(Ptr) >> 4); }
inline uint32 GetTypeHash(int32 V) { return static_cast<uint32>(V); }
inline uint32 GetTypeHash(uint32 V) { return V; }
inline uint32 GetTypeHash(int64 V) { return static_cast<uint32>(V ^ (V >> 32)); }
inline uint32 GetTypeHash(uint64 V) { return static_cast<uint32>(V ^ (V >> 32)); }

template <typename InKeyType, typename InValueType>
class TMap
{
	struct FHasher { size_t operator()(const InKeyType& Key) const { return GetTypeHash(Key); } };
	struct FEquals { bool operator()(const InKeyType& A, const InKeyType& B) const { return A == B; } };

public:
	using ElementType = TPair<InKeyType, InValueType>;

	int32 Num() const { return static_cast<int32>(Pairs.size()); }
	bool IsEmpty() const { return Pairs.empty(); }

	InValueType& Add(const InKeyType& Key, const InValueType& Value) { return Emplace(Key, Value); }
	InValueType& Add(const InKeyType& Key, InValueType&& Value) { return Emplace(Key, std::move(Value)); }
	InValueType& Add(const InKeyType& Key) { return Emplace(Key, InValueType()); }
	template <typename K, typename V>
	InValueType& Emplace(K&& Key, V&& Value)
	{
		auto Found = Index.find(Key);
		if (Found != Index.end())
		{
			// Replacing keeps the entry's place in the order.
			Pairs[Found->second].Value = std::forward<V>(Value);
			return Pairs[Found->second].Value;
		}
		Pairs.push_back(ElementType{ InKeyType(std::forward<K>(Key)), InValueType(std::forward<V>(Value)) });
		Index.emplace(Pairs.back().Key, Pairs.size() - 1);
		return Pairs.back().Value;
	}
	InValueType& FindOrAdd(const InKeyType& Key)
	{
		if (InValueType* Existing = Find(Key)) { return *Existing; }
		return Add(Key);
	}

	InValueType* Find(const InKeyType& Key)
	{
		auto Found = Index.find(Key);
		return Found == Index.end() ? nullptr : &Pairs[Found->second].Value;
	}
	const InValueType* Find(const InKeyType& Key) const
	{
		auto Found = Index.find(Key);
		return Found == Index.end() ? nullptr : &Pairs[Found->second].Value;
	}
	InValueType FindRef(const InKeyType& Key) const { const InValueType* V = Find(Key); return V ? *V : InValueType(); }
	InValueType& FindChecked(const InKeyType& Key) { InValueType* V = Find(Key); check(V); return *V; }
	const InValueType& FindChecked(const InKeyType& Key) const { const InValueType* V = Find(Key); check(V); return *V; }
	InValueType& operator[](const InKeyType& Key) { return FindChecked(Key); }
	const InValueType& operator[](const InKeyType& Key) const { return FindChecked(Key); }
	bool Contains(const InKeyType& Key) const { return Index.find(Key) != Index.end(); }

	int32 Remove(const InKeyType& Key)
	{
		auto Found = Index.find(Key);
		if (Found == Index.end()) { return 0; }
		Pairs.erase(Pairs.begin() + static_cast<std::ptrdiff_t>(Found->second));
		Reindex();
		return 1;
	}
	void Empty() { Pairs.clear(); Index.clear(); }
	void Reset() { Empty(); }

	void GetKeys(TArray<InKeyType>& OutKeys) const { OutKeys.Reset(); for (const ElementType& P : Pairs) { OutKeys.Add(P.Key); } }

	ElementType* begin() { return Pairs.data(); }
	ElementType* end() { return Pairs.data() + Pairs.size(); }
	const ElementType* begin() const { return Pairs.data(); }
	const ElementType* end() const { return Pairs.data() + Pairs.size(); }

private:
	void Reindex()
	{
		Index.clear();
		for (size_t I = 0; I < Pairs.size(); ++I) { Index.emplace(Pairs[I].Key, I); }
	}

	std::vector<ElementType> Pairs;
	std::unordered_map<InKeyType, size_t, FHasher, FEquals> Index;
};
