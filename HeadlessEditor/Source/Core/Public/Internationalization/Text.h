// FText: display text with an optional localisation identity (namespace and key).
#pragma once

#include <memory>

#include "HAL/Platform.h"
#include "Containers/UnrealString.h"
#include "Containers/StringView.h"
#include "Misc/Optional.h"

class FTextKey
{
public:
	FTextKey() = default;
	FTextKey(const TCHAR* In) : Value(In) {}
	FTextKey(const FString& In) : Value(In) {}
	const TCHAR* GetChars() const { return *Value; }
	const FString& ToString() const { return Value; }
	bool IsEmpty() const { return Value.IsEmpty(); }

private:
	FString Value;
};

class CORE_API FText
{
public:
	FText() = default;

	static FText AsLocalizable_Advanced(const FTextKey& Namespace, const FTextKey& Key, const TCHAR* String);
	static FText AsLocalizable_Advanced(const FTextKey& Namespace, const FTextKey& Key, FStringView String);
	static FText AsLocalizable_Advanced(const FTextKey& Namespace, const FTextKey& Key, FString&& String);
	static FText FromString(const FString& String);
	static FText FromString(FString&& String);
	static FText AsCultureInvariant(const FString& String) { return FromString(String); }
	static const FText& GetEmpty();

	const FString& ToString() const;
	bool IsEmpty() const { return ToString().IsEmpty(); }
	bool EqualTo(const FText& Other) const { return ToString().Equals(Other.ToString()); }

private:
	friend class FTextInspector;
	struct FData { FString Source; FString Namespace; FString Key; bool bLocalizable = false; };
	std::shared_ptr<const FData> Data;
};

// Reads a text's localisation identity, as the engine's inspector does.
class CORE_API FTextInspector
{
public:
	static TOptional<FString> GetNamespace(const FText& Text);
	static TOptional<FString> GetKey(const FText& Text);
	static const FString* GetSourceString(const FText& Text);
};

#define NSLOCTEXT(InNamespace, InKey, InTextLiteral) FText::AsLocalizable_Advanced(TEXT(InNamespace), TEXT(InKey), TEXT(InTextLiteral))
#define INVTEXT(InTextLiteral) FText::AsCultureInvariant(TEXT(InTextLiteral))
