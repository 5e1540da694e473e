#include "Internationalization/Text.h"

FText FText::AsLocalizable_Advanced(const FTextKey& Namespace, const FTextKey& Key, const TCHAR* String)
{
	return AsLocalizable_Advanced(Namespace, Key, FString(String));
}

FText FText::AsLocalizable_Advanced(const FTextKey& Namespace, const FTextKey& Key, FStringView String)
{
	return AsLocalizable_Advanced(Namespace, Key, FString(String));
}

FText FText::AsLocalizable_Advanced(const FTextKey& Namespace, const FTextKey& Key, FString&& String)
{
	FText Result;
	auto Data = std::make_shared<FData>();
	Data->Source = std::move(String);
	Data->Namespace = Namespace.ToString();
	Data->Key = Key.ToString();
	Data->bLocalizable = true;
	Result.Data = std::move(Data);
	return Result;
}

FText FText::FromString(const FString& String) { return FromString(FString(String)); }

FText FText::FromString(FString&& String)
{
	FText Result;
	auto Data = std::make_shared<FData>();
	Data->Source = std::move(String);
	Result.Data = std::move(Data);
	return Result;
}

const FText& FText::GetEmpty()
{
	static const FText Empty;
	return Empty;
}

const FString& FText::ToString() const
{
	static const FString EmptyString;
	return Data ? Data->Source : EmptyString;
}

TOptional<FString> FTextInspector::GetNamespace(const FText& Text)
{
	if (Text.Data && Text.Data->bLocalizable) { return Text.Data->Namespace; }
	return TOptional<FString>();
}

TOptional<FString> FTextInspector::GetKey(const FText& Text)
{
	if (Text.Data && Text.Data->bLocalizable) { return Text.Data->Key; }
	return TOptional<FString>();
}

const FString* FTextInspector::GetSourceString(const FText& Text) { return &Text.ToString(); }
