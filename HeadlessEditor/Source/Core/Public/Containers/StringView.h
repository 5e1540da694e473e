// FStringView: a non-owning view of TCHAR text.
#pragma once

#include "HAL/Platform.h"
#include "Containers/UnrealString.h"

class FStringView
{
public:
	FStringView() = default;
	FStringView(const TCHAR* Str) : DataPtr(Str), Size(FCString::Strlen(Str)) {}
	FStringView(const TCHAR* Str, int32 InLen) : DataPtr(Str), Size(InLen) {}
	FStringView(const FString& Str) : DataPtr(*Str), Size(Str.Len()) {}

	const TCHAR* GetData() const { return DataPtr; }
	int32 Len() const { return Size; }
	bool IsEmpty() const { return Size == 0; }
	bool Equals(FStringView Other, ESearchCase::Type SearchCase = ESearchCase::CaseSensitive) const
	{
		return Size == Other.Size && FString(*this).Equals(FString(Other), SearchCase);
	}

private:
	const TCHAR* DataPtr = TEXT("");
	int32 Size = 0;
};
