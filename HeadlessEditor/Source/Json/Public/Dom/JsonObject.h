// FJsonObject: the fields of a JSON object, in the order they were added. Field names match
// regardless of letter case, as FString keys of a TMap do.
#pragma once

#include "CoreMinimal.h"
#include "Dom/JsonValue.h"
#include "Serialization/JsonTypes.h"

class JSON_API FJsonObject
{
public:
	TMap<FString, TSharedPtr<FJsonValue>> Values;

	// The field if it exists and has the given type (EJson::None: any type); otherwise a
	// Warning on LogJson and a null value.
	template <EJson JsonType>
	TSharedPtr<FJsonValue> GetField(FStringView FieldName) const { return GetFieldOfType(FieldName, JsonType); }

	// The field, or an invalid pointer when there is none. Logs nothing.
	TSharedPtr<FJsonValue> TryGetField(FStringView FieldName) const;
	bool HasField(FStringView FieldName) const;
	template <EJson JsonType>
	bool HasTypedField(FStringView FieldName) const { return HasFieldOfType(FieldName, JsonType); }

	// Adding a field that exists (in any letter case) replaces its value in place.
	void SetField(FString&& FieldName, const TSharedPtr<FJsonValue>& Value);
	void SetField(const FString& FieldName, const TSharedPtr<FJsonValue>& Value);
	void RemoveField(FStringView FieldName);

	double GetNumberField(FStringView FieldName) const;
	int32 GetIntegerField(FStringView FieldName) const;
	bool TryGetNumberField(FStringView FieldName, double& OutNumber) const;
	bool TryGetNumberField(FStringView FieldName, float& OutNumber) const;
	bool TryGetNumberField(FStringView FieldName, int32& OutNumber) const;
	bool TryGetNumberField(FStringView FieldName, uint32& OutNumber) const;
	bool TryGetNumberField(FStringView FieldName, int64& OutNumber) const;
	bool TryGetNumberField(FStringView FieldName, uint64& OutNumber) const;
	void SetNumberField(FString&& FieldName, double Number);
	void SetNumberField(const FString& FieldName, double Number);

	// TryGetStringField also accepts numbers and booleans and gives them as text; it fails for
	// a missing field, null, an array or an object, and leaves OutString as it was.
	FString GetStringField(FStringView FieldName) const;
	bool TryGetStringField(FStringView FieldName, FString& OutString) const;
	bool TryGetStringArrayField(FStringView FieldName, TArray<FString>& OutArray) const;
	void SetStringField(FString&& FieldName, const FString& StringValue);
	void SetStringField(const FString& FieldName, const FString& StringValue);

	bool GetBoolField(FStringView FieldName) const;
	bool TryGetBoolField(FStringView FieldName, bool& OutBool) const;
	void SetBoolField(FString&& FieldName, bool InValue);
	void SetBoolField(const FString& FieldName, bool InValue);

	const TArray<TSharedPtr<FJsonValue>>& GetArrayField(FStringView FieldName) const;
	bool TryGetArrayField(FStringView FieldName, const TArray<TSharedPtr<FJsonValue>>*& OutArray) const;
	void SetArrayField(FString&& FieldName, const TArray<TSharedPtr<FJsonValue>>& Array);
	void SetArrayField(const FString& FieldName, const TArray<TSharedPtr<FJsonValue>>& Array);

	const TSharedPtr<FJsonObject>& GetObjectField(FStringView FieldName) const;
	bool TryGetObjectField(FStringView FieldName, const TSharedPtr<FJsonObject>*& OutObject) const;
	void SetObjectField(FString&& FieldName, const TSharedPtr<FJsonObject>& JsonObject);
	void SetObjectField(const FString& FieldName, const TSharedPtr<FJsonObject>& JsonObject);

private:
	TSharedPtr<FJsonValue> GetFieldOfType(FStringView FieldName, EJson JsonType) const;
	bool HasFieldOfType(FStringView FieldName, EJson JsonType) const;
};
