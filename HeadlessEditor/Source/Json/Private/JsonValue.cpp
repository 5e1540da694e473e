// FJsonValue conversions and the log lines of a misused value.
#include "Dom/JsonValue.h"
#include "Dom/JsonObject.h"
#include "HeadlessString.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace
{
	// What the As* accessors return for a value of the wrong kind. Shared and never null, so a
	// caller that skips the type check reads an empty object instead of crashing.
	const TSharedPtr<FJsonObject>& EmptyObject()
	{
		static const TSharedPtr<FJsonObject> Empty(new FJsonObject());
		return Empty;
	}

	const TArray<TSharedPtr<FJsonValue>>& EmptyArray()
	{
		static const TArray<TSharedPtr<FJsonValue>> Empty;
		return Empty;
	}

	// Rounds half away from zero and fails outside the range of T (and for NaN).
	template <typename T>
	bool ConvertNumber(double Number, T& OutNumber)
	{
		const double Rounded = std::round(Number);
		// (double)max + 1 is exactly 2^bits for every integer type here, so "<" is the exact bound.
		if (!(Rounded >= static_cast<double>(std::numeric_limits<T>::min()) &&
				Rounded < static_cast<double>(std::numeric_limits<T>::max()) + 1.0))
		{
			return false;
		}
		OutNumber = static_cast<T>(Rounded);
		return true;
	}

	template <typename T>
	bool ConvertValue(const FJsonValue& Value, T& OutNumber)
	{
		double Number = 0.0;
		return Value.TryGetNumber(Number) && ConvertNumber(Number, OutNumber);
	}

	// The whole text as one number of JSON syntax as strtod reads it; leading or trailing text fails.
	bool ParseDouble(const FString& Text, double& OutNumber)
	{
		const std::string Utf8 = UE::HeadlessEditor::ToUtf8(Text);
		if (Utf8.empty() || std::isspace(static_cast<unsigned char>(Utf8[0])))
		{
			return false;
		}
		char* End = nullptr;
		const double Number = std::strtod(Utf8.c_str(), &End);
		if (End != Utf8.c_str() + Utf8.size())
		{
			return false;
		}
		OutNumber = Number;
		return true;
	}

	// Whole-text integer parse, exact over the full 64-bit range; falls back to the rounded
	// double for text with a fraction or exponent.
	template <typename T>
	bool ParseInteger(const FString& Text, T& OutNumber)
	{
		const std::string Utf8 = UE::HeadlessEditor::ToUtf8(Text);
		if (!Utf8.empty() && Utf8.find_first_of(".eE") == std::string::npos && !std::isspace(static_cast<unsigned char>(Utf8[0])))
		{
			char* End = nullptr;
			errno = 0;
			if constexpr (std::is_signed_v<T>)
			{
				const long long Parsed = std::strtoll(Utf8.c_str(), &End, 10);
				if (errno == 0 && End == Utf8.c_str() + Utf8.size())
				{
					OutNumber = static_cast<T>(Parsed);
					return true;
				}
			}
			else if (Utf8[0] != '-')
			{
				const unsigned long long Parsed = std::strtoull(Utf8.c_str(), &End, 10);
				if (errno == 0 && End == Utf8.c_str() + Utf8.size())
				{
					OutNumber = static_cast<T>(Parsed);
					return true;
				}
			}
			return false;
		}
		double Number = 0.0;
		return ParseDouble(Text, Number) && ConvertNumber(Number, OutNumber);
	}
}

double FJsonValue::AsNumber() const
{
	double Number = 0.0;
	if (!TryGetNumber(Number))
	{
		ErrorMessage(TEXT("Number"));
	}
	return Number;
}

FString FJsonValue::AsString() const
{
	FString String;
	if (!TryGetString(String))
	{
		ErrorMessage(TEXT("String"));
	}
	return String;
}

bool FJsonValue::AsBool() const
{
	bool bValue = false;
	if (!TryGetBool(bValue))
	{
		ErrorMessage(TEXT("Boolean"));
	}
	return bValue;
}

const TArray<TSharedPtr<FJsonValue>>& FJsonValue::AsArray() const
{
	const TArray<TSharedPtr<FJsonValue>>* Array = &EmptyArray();
	if (!TryGetArray(Array))
	{
		ErrorMessage(TEXT("Array"));
		return EmptyArray();
	}
	return *Array;
}

const TSharedPtr<FJsonObject>& FJsonValue::AsObject() const
{
	const TSharedPtr<FJsonObject>* Object = &EmptyObject();
	if (!TryGetObject(Object))
	{
		ErrorMessage(TEXT("Object"));
		return EmptyObject();
	}
	return *Object;
}

bool FJsonValue::TryGetNumber(float& OutNumber) const
{
	double Number = 0.0;
	if (!TryGetNumber(Number))
	{
		return false;
	}
	OutNumber = static_cast<float>(Number);
	return true;
}

bool FJsonValue::TryGetNumber(int32& OutNumber) const { return ConvertValue(*this, OutNumber); }
bool FJsonValue::TryGetNumber(uint32& OutNumber) const { return ConvertValue(*this, OutNumber); }
bool FJsonValue::TryGetNumber(int64& OutNumber) const { return ConvertValue(*this, OutNumber); }
bool FJsonValue::TryGetNumber(uint64& OutNumber) const { return ConvertValue(*this, OutNumber); }

void FJsonValue::ErrorMessage(const FString& InType) const
{
	const FString Kind = GetType();
	if (Type == EJson::Null)
	{
		UE_LOG(LogJson, Warning, TEXT("Json Value of type '%s' used as a '%s'."), *Kind, *InType);
	}
	else
	{
		UE_LOG(LogJson, Error, TEXT("Json Value of type '%s' used as a '%s'."), *Kind, *InType);
	}
}

bool FJsonValueString::TryGetNumber(double& OutNumber) const
{
	if (!Value.IsNumeric())
	{
		return false;
	}
	return ParseDouble(Value, OutNumber);
}

bool FJsonValueString::TryGetBool(bool& OutBool) const
{
	if (Value.Equals(TEXT("true"), ESearchCase::IgnoreCase))
	{
		OutBool = true;
		return true;
	}
	if (Value.Equals(TEXT("false"), ESearchCase::IgnoreCase))
	{
		OutBool = false;
		return true;
	}
	return false;
}

bool FJsonValueNumber::TryGetString(FString& OutString) const
{
	OutString = FString::SanitizeFloat(Value, 0);
	return true;
}

bool FJsonValueNumberString::TryGetNumber(double& OutNumber) const { return ParseDouble(Value, OutNumber); }
bool FJsonValueNumberString::TryGetNumber(int64& OutNumber) const { return ParseInteger(Value, OutNumber); }
bool FJsonValueNumberString::TryGetNumber(uint64& OutNumber) const { return ParseInteger(Value, OutNumber); }

bool FJsonValueNumberString::TryGetBool(bool& OutBool) const
{
	double Number = 0.0;
	if (!ParseDouble(Value, Number))
	{
		return false;
	}
	OutBool = Number != 0.0;
	return true;
}
