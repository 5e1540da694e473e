#pragma once
template <typename KeyType, typename ValueType>
struct TPair
{
	KeyType Key;
	ValueType Value;
	bool operator==(const TPair& Other) const { return Key == Other.Key && Value == Other.Value; }
};
template <typename KeyType, typename ValueType>
TPair<KeyType, ValueType> MakeTuple(const KeyType& Key, const ValueType& Value) { return TPair<KeyType, ValueType>{ Key, Value }; }
