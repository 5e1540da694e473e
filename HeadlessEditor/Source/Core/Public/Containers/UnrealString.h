// FString: the engine's string of TCHAR (16-bit code units on Linux, as in the engine's Linux
// build). Case rules follow the engine: ==, Find, Contains, StartsWith, EndsWith and Replace
// ignore case by default; Equals does not.
#pragma once

#include <string>
#include <type_traits>

#include "HAL/Platform.h"
#include "Containers/Array.h"
#include "Misc/CString.h"

namespace ESearchCase { enum Type { CaseSensitive, IgnoreCase }; }
namespace ESearchDir { enum Type { FromStart, FromEnd }; }

class FString;
class FStringView;

namespace UE::HeadlessEditor
{
	// One formatted argument of Printf. Only trivially copyable values are accepted, as in the
	// engine: an FString must be passed as *Str.
	struct FFormatArg
	{
		enum class EKind : uint8 { Signed, Unsigned, Double, String, AnsiString, Pointer };
		EKind Kind;
		union { int64 I; uint64 U; double D; const TCHAR* S; const ANSICHAR* A; const void* P; };

		FFormatArg(bool V) : Kind(EKind::Signed), I(V) {}
		FFormatArg(char V) : Kind(EKind::Signed), I(V) {}
		FFormatArg(signed char V) : Kind(EKind::Signed), I(V) {}
		FFormatArg(unsigned char V) : Kind(EKind::Unsigned), U(V) {}
		FFormatArg(short V) : Kind(EKind::Signed), I(V) {}
		FFormatArg(unsigned short V) : Kind(EKind::Unsigned), U(V) {}
		FFormatArg(char16_t V) : Kind(EKind::Unsigned), U(V) {}
		FFormatArg(char32_t V) : Kind(EKind::Unsigned), U(V) {}
		FFormatArg(wchar_t V) : Kind(EKind::Unsigned), U(static_cast<uint64>(V)) {}
		FFormatArg(int V) : Kind(EKind::Signed), I(V) {}
		FFormatArg(unsigned V) : Kind(EKind::Unsigned), U(V) {}
		FFormatArg(long V) : Kind(EKind::Signed), I(V) {}
		FFormatArg(unsigned long V) : Kind(EKind::Unsigned), U(V) {}
		FFormatArg(long long V) : Kind(EKind::Signed), I(V) {}
		FFormatArg(unsigned long long V) : Kind(EKind::Unsigned), U(V) {}
		FFormatArg(float V) : Kind(EKind::Double), D(V) {}
		FFormatArg(double V) : Kind(EKind::Double), D(V) {}
		FFormatArg(const TCHAR* V) : Kind(EKind::String), S(V) {}
		FFormatArg(TCHAR* V) : Kind(EKind::String), S(V) {}
		FFormatArg(const ANSICHAR* V) : Kind(EKind::AnsiString), A(V) {}
		template <typename T, typename = std::enable_if_t<std::is_enum_v<T>>>
		FFormatArg(T V) : Kind(EKind::Signed), I(static_cast<int64>(V)) {}
		FFormatArg(const void* V) : Kind(EKind::Pointer), P(V) {}
		FFormatArg(const FString&) = delete; // pass *Str for %s
	};

	CORE_API FString FormatString(const TCHAR* Format, const FFormatArg* Args, int32 NumArgs);

	template <typename T>
	inline constexpr bool IsValidFormatArg = std::is_trivially_copyable_v<std::decay_t<T>> && !std::is_same_v<std::decay_t<T>, FString>;
}

class CORE_API FString
{
public:
	using ElementType = TCHAR;

	FString() = default;
	FString(const FString&) = default;
	FString(FString&&) noexcept = default;
	FString& operator=(const FString&) = default;
	FString& operator=(FString&&) noexcept = default;

	FString(const TCHAR* Str) { if (Str) { Data = Str; } }
	FString(const ANSICHAR* Str);
	FString(const UTF8CHAR* Str);
	FString(int32 InCount, const TCHAR* InSrc) { if (InSrc && InCount > 0) { Data.assign(InSrc, static_cast<size_t>(InCount)); } }
	FString(int32 InCount, const ANSICHAR* InSrc);
	// The first Size characters at Str (the engine's preferred spelling of the two constructors above).
	static FString ConstructFromPtrSize(const TCHAR* Str, int32 Size) { return FString(Size, Str); }
	static FString ConstructFromPtrSize(const ANSICHAR* Str, int32 Size) { return FString(Size, Str); }
	explicit FString(const FStringView& View);
	FString& operator=(const TCHAR* Str) { Data = Str ? Str : u""; return *this; }

	const TCHAR* operator*() const { return Data.c_str(); }
	int32 Len() const { return static_cast<int32>(Data.size()); }
	bool IsEmpty() const { return Data.empty(); }
	bool IsValidIndex(int32 Index) const { return Index >= 0 && Index < Len(); }
	TCHAR& operator[](int32 Index) { check(Index >= 0 && Index < Len()); return Data[static_cast<size_t>(Index)]; }
	const TCHAR& operator[](int32 Index) const { check(Index >= 0 && Index < Len()); return Data[static_cast<size_t>(Index)]; }
	TArray<TCHAR> GetCharArray() const;

	template <typename FmtType, typename... Types>
	static FString Printf(const FmtType& Fmt, Types... Args)
	{
		static_assert(std::is_array_v<FmtType> && std::is_same_v<std::remove_cv_t<std::remove_extent_t<FmtType>>, TCHAR>,
			"Printf's format must be a TEXT() literal");
		static_assert((UE::HeadlessEditor::IsValidFormatArg<Types> && ...), "Printf arguments must be trivially copyable: pass *Str for an FString");
		if constexpr (sizeof...(Args) == 0)
		{
			return UE::HeadlessEditor::FormatString(Fmt, nullptr, 0);
		}
		else
		{
			const UE::HeadlessEditor::FFormatArg Packed[] = { UE::HeadlessEditor::FFormatArg(Args)... };
			return UE::HeadlessEditor::FormatString(Fmt, Packed, static_cast<int32>(sizeof...(Args)));
		}
	}

	FString& Append(const TCHAR* Str, int32 Count) { if (Str && Count > 0) { Data.append(Str, static_cast<size_t>(Count)); } return *this; }
	FString& Append(const TCHAR* Str) { if (Str) { Data.append(Str); } return *this; }
	FString& Append(const FString& Str) { Data.append(Str.Data); return *this; }
	FString& AppendChar(TCHAR InChar) { Data.push_back(InChar); return *this; }
	FString& AppendChars(const TCHAR* Str, int32 Count) { return Append(Str, Count); }
	void AppendInt(int32 InNum);
	static FString FromInt(int32 Num);
	static FString SanitizeFloat(double InFloat, int32 InMinFractionalDigits = 1);
	static FString Chr(TCHAR Ch) { FString S; S.AppendChar(Ch); return S; }

	FString& operator+=(const FString& Str) { return Append(Str); }
	FString& operator+=(const TCHAR* Str) { return Append(Str); }
	FString& operator+=(TCHAR Ch) { return AppendChar(Ch); }

	void PathAppend(const TCHAR* Str, int32 StrLength);
	FString& operator/=(const TCHAR* Str);
	FString& operator/=(const FString& Str);

	bool StartsWith(const TCHAR* InPrefix, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase) const;
	bool StartsWith(const FString& InPrefix, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase) const { return StartsWith(*InPrefix, SearchCase); }
	bool EndsWith(const TCHAR* InSuffix, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase) const;
	bool EndsWith(const FString& InSuffix, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase) const { return EndsWith(*InSuffix, SearchCase); }
	bool Equals(const FString& Other, ESearchCase::Type SearchCase = ESearchCase::CaseSensitive) const;
	int32 Compare(const FString& Other, ESearchCase::Type SearchCase = ESearchCase::CaseSensitive) const;

	int32 Find(const TCHAR* SubStr, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase,
		ESearchDir::Type SearchDir = ESearchDir::FromStart, int32 StartPosition = INDEX_NONE) const;
	int32 Find(const FString& SubStr, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase,
		ESearchDir::Type SearchDir = ESearchDir::FromStart, int32 StartPosition = INDEX_NONE) const
	{
		return Find(*SubStr, SearchCase, SearchDir, StartPosition);
	}
	bool Contains(const TCHAR* SubStr, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase,
		ESearchDir::Type SearchDir = ESearchDir::FromStart) const { return Find(SubStr, SearchCase, SearchDir) != INDEX_NONE; }
	bool Contains(const FString& SubStr, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase,
		ESearchDir::Type SearchDir = ESearchDir::FromStart) const { return Find(*SubStr, SearchCase, SearchDir) != INDEX_NONE; }
	bool FindChar(TCHAR InChar, int32& Index) const;
	bool FindLastChar(TCHAR InChar, int32& Index) const;
	bool Split(const FString& InS, FString* LeftS, FString* RightS, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase,
		ESearchDir::Type SearchDir = ESearchDir::FromStart) const;

	int32 ReplaceInline(const TCHAR* SearchText, const TCHAR* ReplacementText, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase);
	FString Replace(const TCHAR* From, const TCHAR* To, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase) const;
	void ReplaceCharInline(TCHAR SearchChar, TCHAR ReplacementChar, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase);

	FString ToLower() const;
	FString ToUpper() const;
	void ToLowerInline();
	void ToUpperInline();
	FString TrimStartAndEnd() const;
	void TrimStartAndEndInline();
	FString TrimStart() const;
	FString TrimEnd() const;
	void TrimStartInline();
	void TrimEndInline();

	FString Left(int32 Count) const;
	FString LeftChop(int32 Count) const;
	FString Right(int32 Count) const;
	FString RightChop(int32 Count) const;
	FString Mid(int32 Start, int32 Count = MAX_int32) const;
	void LeftInline(int32 Count) { *this = Left(Count); }
	// Removes the first Count characters; unlike RightChop, Count must be within the string.
	void RightChopInline(int32 Count, EAllowShrinking AllowShrinking = EAllowShrinking::Yes)
	{
		check(Count >= 0 && Count <= Len());
		Data.erase(0, static_cast<size_t>(Count));
		if (AllowShrinking == EAllowShrinking::Yes) { Data.shrink_to_fit(); }
	}
	void LeftChopInline(int32 Count) { *this = LeftChop(Count); }
	void MidInline(int32 Start, int32 Count = MAX_int32) { *this = Mid(Start, Count); }

	// Splits at each occurrence of the delimiter, matched ignoring case, into OutArray (emptied
	// first). Empty pieces are kept unless InCullEmpty, so an empty string gives one empty piece;
	// an empty delimiter gives no pieces at all.
	int32 ParseIntoArray(TArray<FString>& OutArray, const TCHAR* pchDelim, bool InCullEmpty = true) const;
	int32 ParseIntoArrayLines(TArray<FString>& OutArray, bool InCullEmpty = true) const;
	static FString Join(const TArray<FString>& Items, const TCHAR* Separator);

	bool IsNumeric() const;
	void Empty(int32 Slack = 0) { Data.clear(); if (Slack > 0) { Data.reserve(static_cast<size_t>(Slack)); } else { Data.shrink_to_fit(); } }
	void Reset(int32 NewReservedSize = 0) { Data.clear(); if (NewReservedSize > 0) { Data.reserve(static_cast<size_t>(NewReservedSize)); } }
	void Reserve(int32 CharacterCount) { if (CharacterCount > 0) { Data.reserve(static_cast<size_t>(CharacterCount)); } }
	void Shrink() { Data.shrink_to_fit(); }

	friend CORE_API bool operator==(const FString& A, const FString& B);
	friend CORE_API bool operator==(const FString& A, const TCHAR* B);
	friend bool operator==(const TCHAR* A, const FString& B) { return B == A; }
	friend bool operator!=(const FString& A, const FString& B) { return !(A == B); }
	friend bool operator!=(const FString& A, const TCHAR* B) { return !(A == B); }
	friend bool operator!=(const TCHAR* A, const FString& B) { return !(B == A); }
	friend CORE_API bool operator<(const FString& A, const FString& B);

	friend FString operator+(const FString& A, const FString& B) { FString R(A); R.Append(B); return R; }
	friend FString operator+(const FString& A, const TCHAR* B) { FString R(A); R.Append(B); return R; }
	friend FString operator+(const TCHAR* A, const FString& B) { FString R(A); R.Append(B); return R; }
	friend FString operator+(FString&& A, const FString& B) { A.Append(B); return std::move(A); }
	friend FString operator+(FString&& A, const TCHAR* B) { A.Append(B); return std::move(A); }
	friend FString operator/(const FString& Lhs, const TCHAR* Rhs) { FString R(Lhs); R /= Rhs; return R; }
	friend FString operator/(const FString& Lhs, const FString& Rhs) { FString R(Lhs); R /= Rhs; return R; }

	const TCHAR* begin() const { return Data.data(); }
	const TCHAR* end() const { return Data.data() + Data.size(); }
	TCHAR* begin() { return Data.data(); }
	TCHAR* end() { return Data.data() + Data.size(); }

private:
	// The host's string helpers (Core/Host/HeadlessString.h) reach the code units directly.
	friend struct FHeadlessStringAccess;

	std::u16string Data;
};

// Case-insensitive, like the engine's hash of FString (so TMap<FString> keys ignore case).
CORE_API uint32 GetTypeHash(const FString& S);

inline FString LexToString(const FString& S) { return S; }
inline FString LexToString(int32 V) { return FString::FromInt(V); }
