// TJsonReader: JSON text waiting to be read by FJsonSerializer::Deserialize. The stand-in reads
// a whole document at once; it has no token-by-token interface.
#pragma once

#include <type_traits>

#include "CoreMinimal.h"
#include "Serialization/JsonTypes.h"

class FJsonValue;
class FJsonSerializer;

namespace UE::HeadlessEditor::Json
{
	// Parses a whole JSON text (any value at the root; only whitespace may follow it). Returns
	// the root, or an invalid pointer with OutError set. Text that is not strict JSON fails; any
	// nesting is read, as by the engine.
	JSON_API TSharedPtr<FJsonValue> ParseText(const FString& Text, bool bStoreNumbersAsStrings, FString& OutError);
}

template <class CharType = TCHAR>
class TJsonReader
{
	static_assert(std::is_same_v<CharType, TCHAR>, "the JSON reader reads TCHAR text");

public:
	virtual ~TJsonReader() = default;

	// Why the last Deserialize failed; empty after a success.
	const FString& GetErrorMessage() const { return ErrorMessage; }

protected:
	friend class FJsonSerializer;
	template <class> friend class TJsonReaderFactory;

	explicit TJsonReader(FString&& InText) : Text(std::move(InText)) {}

	FString Text;
	FString ErrorMessage;
};

template <class CharType = TCHAR>
class TJsonReaderFactory
{
public:
	static TSharedRef<TJsonReader<TCHAR>> Create(const FString& JsonString)
	{
		return MakeShareable(new TJsonReader<TCHAR>(FString(JsonString)));
	}
	static TSharedRef<TJsonReader<TCHAR>> Create(FString&& JsonString)
	{
		return MakeShareable(new TJsonReader<TCHAR>(std::move(JsonString)));
	}
};
