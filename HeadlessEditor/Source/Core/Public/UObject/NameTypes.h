// FName: interned, case-insensitive names. The first spelling seen is the one ToString gives.
#pragma once

#include "HAL/Platform.h"
#include "Containers/UnrealString.h"
#include "UObject/UnrealNames.h"

enum EFindName { FNAME_Find, FNAME_Add };

class CORE_API FName
{
public:
	FName() = default;
	FName(EName Name) : Index(static_cast<int32>(Name)) {}
	FName(const TCHAR* Name, EFindName FindType = FNAME_Add);
	FName(const ANSICHAR* Name, EFindName FindType = FNAME_Add);
	explicit FName(const FString& Name, EFindName FindType = FNAME_Add) : FName(*Name, FindType) {}

	FString ToString() const;
	void ToString(FString& Out) const { Out = ToString(); }
	void AppendString(FString& Out) const { Out += ToString(); }
	bool IsNone() const { return Index == 0; }
	bool IsValid() const { return true; }
	int32 GetComparisonIndex() const { return Index; }

	bool operator==(const FName& Other) const { return Index == Other.Index; }
	bool operator!=(const FName& Other) const { return Index != Other.Index; }
	bool operator==(EName Other) const { return Index == static_cast<int32>(Other); }
	bool LexicalLess(const FName& Other) const { return ToString() < Other.ToString(); }
	bool FastLess(const FName& Other) const { return Index < Other.Index; }

private:
	int32 Index = 0;
};

inline uint32 GetTypeHash(const FName& Name) { return static_cast<uint32>(Name.GetComparisonIndex()); }
inline FString LexToString(const FName& Name) { return Name.ToString(); }

// Characters a name may not hold, by kind of name (as the engine defines them).
#define INVALID_NAME_CHARACTERS TEXT("\"' ,\n\r\t")
#define INVALID_OBJECTNAME_CHARACTERS TEXT("\"' ,/.:|&!~\n\r\t@#(){}[]=;^%$`")
#define INVALID_OBJECTPATH_CHARACTERS TEXT("\"' ,|&!~\n\r\t@#(){}[]=;^%$`")
#define INVALID_LONGPACKAGE_CHARACTERS TEXT("\\:*?\"<>|' ,.&!~\n\r\t@#")
