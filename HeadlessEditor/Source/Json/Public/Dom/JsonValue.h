// FJsonValue: one node of a JSON tree, and its six concrete kinds.
#pragma once

#include "CoreMinimal.h"
#include "Serialization/JsonTypes.h"

class FJsonObject;

class JSON_API FJsonValue
{
public:
	virtual ~FJsonValue() = default;

	// Each As* gives the value converted as TryGet* does, or a default (0, "", false, an empty
	// array, a shared empty object) after logging on LogJson that the value was misused.
	virtual double AsNumber() const;
	virtual FString AsString() const;
	virtual bool AsBool() const;
	virtual const TArray<TSharedPtr<FJsonValue>>& AsArray() const;
	virtual const TSharedPtr<FJsonObject>& AsObject() const;

	virtual bool TryGetNumber(double& OutNumber) const { return false; }
	virtual bool TryGetNumber(float& OutNumber) const;
	// Integer forms round half away from zero and fail when the result does not fit.
	virtual bool TryGetNumber(int32& OutNumber) const;
	virtual bool TryGetNumber(uint32& OutNumber) const;
	virtual bool TryGetNumber(int64& OutNumber) const;
	virtual bool TryGetNumber(uint64& OutNumber) const;
	virtual bool TryGetString(FString& OutString) const { return false; }
	virtual bool TryGetBool(bool& OutBool) const { return false; }
	virtual bool TryGetArray(const TArray<TSharedPtr<FJsonValue>>*& OutArray) const { return false; }
	virtual bool TryGetArray(TArray<TSharedPtr<FJsonValue>>*& OutArray) { return false; }
	virtual bool TryGetObject(const TSharedPtr<FJsonObject>*& Object) const { return false; }
	virtual bool TryGetObject(TSharedPtr<FJsonObject>*& Object) { return false; }

	bool IsNull() const { return Type == EJson::Null || Type == EJson::None; }

	EJson Type;

protected:
	FJsonValue() : Type(EJson::None) {}

	// The kind's name in log lines: "String", "Number", "Boolean", "Array", "Object", "Null".
	virtual FString GetType() const = 0;
	// Logs "Json Value of type '<kind>' used as a '<InType>'.": a Warning for null, else an Error.
	void ErrorMessage(const FString& InType) const;
};

class JSON_API FJsonValueString : public FJsonValue
{
public:
	FJsonValueString(const FString& InString) : Value(InString) { Type = EJson::String; }
	FJsonValueString(FString&& InString) : Value(std::move(InString)) { Type = EJson::String; }

	using FJsonValue::TryGetNumber;
	virtual bool TryGetString(FString& OutString) const override { OutString = Value; return true; }
	// A numeric text ("12", "-1.5") reads as a number; "true"/"false" in any case as a boolean.
	virtual bool TryGetNumber(double& OutNumber) const override;
	virtual bool TryGetBool(bool& OutBool) const override;

	bool IsEmpty() const { return Value.IsEmpty(); }

protected:
	virtual FString GetType() const override { return TEXT("String"); }
	FString Value;
};

class JSON_API FJsonValueNumber : public FJsonValue
{
public:
	FJsonValueNumber(double InNumber) : Value(InNumber) { Type = EJson::Number; }

	using FJsonValue::TryGetNumber;
	virtual bool TryGetNumber(double& OutNumber) const override { OutNumber = Value; return true; }
	// The number as FString::SanitizeFloat(Value, 0) writes it: 5 gives "5", 1.5 gives "1.5".
	virtual bool TryGetString(FString& OutString) const override;
	virtual bool TryGetBool(bool& OutBool) const override { OutBool = Value != 0.0; return true; }

protected:
	virtual FString GetType() const override { return TEXT("Number"); }
	double Value;
};

// A number kept as the text it was read from (FJsonSerializer::EFlags::StoreNumbersAsStrings),
// so integers past 2^53 survive a read and write unchanged.
class JSON_API FJsonValueNumberString : public FJsonValue
{
public:
	FJsonValueNumberString(const FString& InString) : Value(InString) { Type = EJson::Number; }

	using FJsonValue::TryGetNumber;
	virtual bool TryGetString(FString& OutString) const override { OutString = Value; return true; }
	virtual bool TryGetNumber(double& OutNumber) const override;
	virtual bool TryGetNumber(int64& OutNumber) const override;
	virtual bool TryGetNumber(uint64& OutNumber) const override;
	virtual bool TryGetBool(bool& OutBool) const override;

protected:
	virtual FString GetType() const override { return TEXT("NumberString"); }
	FString Value;
};

class JSON_API FJsonValueBoolean : public FJsonValue
{
public:
	FJsonValueBoolean(bool InBool) : Value(InBool) { Type = EJson::Boolean; }

	using FJsonValue::TryGetNumber;
	virtual bool TryGetNumber(double& OutNumber) const override { OutNumber = Value ? 1.0 : 0.0; return true; }
	virtual bool TryGetString(FString& OutString) const override { OutString = Value ? TEXT("true") : TEXT("false"); return true; }
	virtual bool TryGetBool(bool& OutBool) const override { OutBool = Value; return true; }

protected:
	virtual FString GetType() const override { return TEXT("Boolean"); }
	bool Value;
};

class JSON_API FJsonValueArray : public FJsonValue
{
public:
	FJsonValueArray(const TArray<TSharedPtr<FJsonValue>>& InArray) : Value(InArray) { Type = EJson::Array; }
	FJsonValueArray(TArray<TSharedPtr<FJsonValue>>&& InArray) : Value(std::move(InArray)) { Type = EJson::Array; }

	virtual bool TryGetArray(const TArray<TSharedPtr<FJsonValue>>*& OutArray) const override { OutArray = &Value; return true; }
	virtual bool TryGetArray(TArray<TSharedPtr<FJsonValue>>*& OutArray) override { OutArray = &Value; return true; }

protected:
	virtual FString GetType() const override { return TEXT("Array"); }
	TArray<TSharedPtr<FJsonValue>> Value;
};

class JSON_API FJsonValueObject : public FJsonValue
{
public:
	FJsonValueObject(TSharedPtr<FJsonObject> InObject) : Value(std::move(InObject)) { Type = EJson::Object; }

	virtual bool TryGetObject(const TSharedPtr<FJsonObject>*& OutObject) const override { OutObject = &Value; return true; }
	virtual bool TryGetObject(TSharedPtr<FJsonObject>*& OutObject) override { OutObject = &Value; return true; }

protected:
	virtual FString GetType() const override { return TEXT("Object"); }
	TSharedPtr<FJsonObject> Value;
};

class JSON_API FJsonValueNull : public FJsonValue
{
public:
	FJsonValueNull() { Type = EJson::Null; }

protected:
	virtual FString GetType() const override { return TEXT("Null"); }
};
