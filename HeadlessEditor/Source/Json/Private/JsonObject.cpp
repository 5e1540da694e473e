// FJsonObject field access. Lookups go through the TMap, whose FString keys ignore case.
#include "Dom/JsonObject.h"

namespace
{
	template <typename T>
	bool TryGetNumberOf(const FJsonObject& Object, FStringView FieldName, T& OutNumber)
	{
		const TSharedPtr<FJsonValue> Field = Object.TryGetField(FieldName);
		return Field.IsValid() && Field->TryGetNumber(OutNumber);
	}
}

TSharedPtr<FJsonValue> FJsonObject::TryGetField(FStringView FieldName) const
{
	const TSharedPtr<FJsonValue>* Field = Values.Find(FString(FieldName));
	return Field != nullptr ? *Field : TSharedPtr<FJsonValue>();
}

bool FJsonObject::HasField(FStringView FieldName) const
{
	return TryGetField(FieldName).IsValid();
}

bool FJsonObject::HasFieldOfType(FStringView FieldName, EJson JsonType) const
{
	const TSharedPtr<FJsonValue> Field = TryGetField(FieldName);
	return Field.IsValid() && Field->Type == JsonType;
}

TSharedPtr<FJsonValue> FJsonObject::GetFieldOfType(FStringView FieldName, EJson JsonType) const
{
	const TSharedPtr<FJsonValue> Field = TryGetField(FieldName);
	const FString Name(FieldName);
	if (!Field.IsValid())
	{
		UE_LOG(LogJson, Warning, TEXT("Field %s was not found."), *Name);
	}
	else if (JsonType != EJson::None && Field->Type != JsonType)
	{
		UE_LOG(LogJson, Warning, TEXT("Field %s is of the wrong type."), *Name);
	}
	else
	{
		return Field;
	}
	return MakeShared<FJsonValueNull>();
}

void FJsonObject::SetField(FString&& FieldName, const TSharedPtr<FJsonValue>& Value)
{
	Values.Emplace(std::move(FieldName), Value);
}

void FJsonObject::SetField(const FString& FieldName, const TSharedPtr<FJsonValue>& Value)
{
	Values.Add(FieldName, Value);
}

void FJsonObject::RemoveField(FStringView FieldName)
{
	Values.Remove(FString(FieldName));
}

double FJsonObject::GetNumberField(FStringView FieldName) const
{
	return GetFieldOfType(FieldName, EJson::None)->AsNumber();
}

int32 FJsonObject::GetIntegerField(FStringView FieldName) const
{
	int32 Number = 0;
	if (!TryGetNumberField(FieldName, Number))
	{
		// Logs why: missing, or a kind that has no number.
		GetNumberField(FieldName);
	}
	return Number;
}

bool FJsonObject::TryGetNumberField(FStringView FieldName, double& OutNumber) const { return TryGetNumberOf(*this, FieldName, OutNumber); }
bool FJsonObject::TryGetNumberField(FStringView FieldName, float& OutNumber) const { return TryGetNumberOf(*this, FieldName, OutNumber); }
bool FJsonObject::TryGetNumberField(FStringView FieldName, int32& OutNumber) const { return TryGetNumberOf(*this, FieldName, OutNumber); }
bool FJsonObject::TryGetNumberField(FStringView FieldName, uint32& OutNumber) const { return TryGetNumberOf(*this, FieldName, OutNumber); }
bool FJsonObject::TryGetNumberField(FStringView FieldName, int64& OutNumber) const { return TryGetNumberOf(*this, FieldName, OutNumber); }
bool FJsonObject::TryGetNumberField(FStringView FieldName, uint64& OutNumber) const { return TryGetNumberOf(*this, FieldName, OutNumber); }

void FJsonObject::SetNumberField(FString&& FieldName, double Number) { SetField(std::move(FieldName), MakeShared<FJsonValueNumber>(Number)); }
void FJsonObject::SetNumberField(const FString& FieldName, double Number) { SetField(FieldName, MakeShared<FJsonValueNumber>(Number)); }

FString FJsonObject::GetStringField(FStringView FieldName) const
{
	return GetFieldOfType(FieldName, EJson::None)->AsString();
}

bool FJsonObject::TryGetStringField(FStringView FieldName, FString& OutString) const
{
	const TSharedPtr<FJsonValue> Field = TryGetField(FieldName);
	return Field.IsValid() && Field->TryGetString(OutString);
}

bool FJsonObject::TryGetStringArrayField(FStringView FieldName, TArray<FString>& OutArray) const
{
	const TArray<TSharedPtr<FJsonValue>>* Array = nullptr;
	if (!TryGetArrayField(FieldName, Array))
	{
		return false;
	}
	TArray<FString> Strings;
	for (const TSharedPtr<FJsonValue>& Element : *Array)
	{
		FString Text;
		if (!Element.IsValid() || !Element->TryGetString(Text))
		{
			return false;
		}
		Strings.Add(std::move(Text));
	}
	OutArray = std::move(Strings);
	return true;
}

void FJsonObject::SetStringField(FString&& FieldName, const FString& StringValue) { SetField(std::move(FieldName), MakeShared<FJsonValueString>(StringValue)); }
void FJsonObject::SetStringField(const FString& FieldName, const FString& StringValue) { SetField(FieldName, MakeShared<FJsonValueString>(StringValue)); }

bool FJsonObject::GetBoolField(FStringView FieldName) const
{
	return GetFieldOfType(FieldName, EJson::None)->AsBool();
}

bool FJsonObject::TryGetBoolField(FStringView FieldName, bool& OutBool) const
{
	const TSharedPtr<FJsonValue> Field = TryGetField(FieldName);
	return Field.IsValid() && Field->TryGetBool(OutBool);
}

void FJsonObject::SetBoolField(FString&& FieldName, bool InValue) { SetField(std::move(FieldName), MakeShared<FJsonValueBoolean>(InValue)); }
void FJsonObject::SetBoolField(const FString& FieldName, bool InValue) { SetField(FieldName, MakeShared<FJsonValueBoolean>(InValue)); }

const TArray<TSharedPtr<FJsonValue>>& FJsonObject::GetArrayField(FStringView FieldName) const
{
	// A field that is an array stays alive in Values; anything else gives the shared empty array.
	const TSharedPtr<FJsonValue> Field = TryGetField(FieldName);
	const TArray<TSharedPtr<FJsonValue>>* Array = nullptr;
	if (Field.IsValid() && Field->TryGetArray(Array))
	{
		return *Array;
	}
	return GetFieldOfType(FieldName, EJson::Array)->AsArray();
}

bool FJsonObject::TryGetArrayField(FStringView FieldName, const TArray<TSharedPtr<FJsonValue>>*& OutArray) const
{
	const TSharedPtr<FJsonValue> Field = TryGetField(FieldName);
	return Field.IsValid() && Field->TryGetArray(OutArray);
}

void FJsonObject::SetArrayField(FString&& FieldName, const TArray<TSharedPtr<FJsonValue>>& Array) { SetField(std::move(FieldName), MakeShared<FJsonValueArray>(Array)); }
void FJsonObject::SetArrayField(const FString& FieldName, const TArray<TSharedPtr<FJsonValue>>& Array) { SetField(FieldName, MakeShared<FJsonValueArray>(Array)); }

const TSharedPtr<FJsonObject>& FJsonObject::GetObjectField(FStringView FieldName) const
{
	const TSharedPtr<FJsonValue> Field = TryGetField(FieldName);
	const TSharedPtr<FJsonObject>* Object = nullptr;
	if (Field.IsValid() && Field->TryGetObject(Object))
	{
		return *Object;
	}
	return GetFieldOfType(FieldName, EJson::Object)->AsObject();
}

bool FJsonObject::TryGetObjectField(FStringView FieldName, const TSharedPtr<FJsonObject>*& OutObject) const
{
	const TSharedPtr<FJsonValue> Field = TryGetField(FieldName);
	return Field.IsValid() && Field->TryGetObject(OutObject);
}

void FJsonObject::SetObjectField(FString&& FieldName, const TSharedPtr<FJsonObject>& JsonObject)
{
	if (JsonObject.IsValid())
	{
		SetField(std::move(FieldName), MakeShared<FJsonValueObject>(JsonObject));
	}
	else
	{
		SetField(std::move(FieldName), MakeShared<FJsonValueNull>());
	}
}

void FJsonObject::SetObjectField(const FString& FieldName, const TSharedPtr<FJsonObject>& JsonObject)
{
	SetObjectField(FString(FieldName), JsonObject);
}
