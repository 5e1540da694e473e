// FString, FCString and the Printf formatter.
#include "Containers/UnrealString.h"
#include "Containers/StringConv.h"
#include "Containers/StringView.h"
#include "HeadlessString.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace
{
	inline TCHAR FoldCase(TCHAR C) { return FChar::ToLower(C); }

	bool EqualRange(const TCHAR* A, const TCHAR* B, size_t Count, ESearchCase::Type SearchCase)
	{
		if (SearchCase == ESearchCase::CaseSensitive)
		{
			return std::memcmp(A, B, Count * sizeof(TCHAR)) == 0;
		}
		for (size_t Index = 0; Index < Count; ++Index)
		{
			if (FoldCase(A[Index]) != FoldCase(B[Index])) { return false; }
		}
		return true;
	}

	size_t TLen(const TCHAR* S) { size_t N = 0; if (S) { while (S[N]) { ++N; } } return N; }
}

FString::FString(const ANSICHAR* Str)
{
	if (Str)
	{
		*this = UE::HeadlessEditor::FromUtf8(Str, std::strlen(Str));
	}
}

FString::FString(const UTF8CHAR* Str)
{
	if (Str)
	{
		const char* Bytes = reinterpret_cast<const char*>(Str);
		*this = UE::HeadlessEditor::FromUtf8(Bytes, std::strlen(Bytes));
	}
}

FString::FString(int32 InCount, const ANSICHAR* InSrc)
{
	if (InSrc && InCount > 0)
	{
		*this = UE::HeadlessEditor::FromUtf8(InSrc, static_cast<size_t>(InCount));
	}
}

FString::FString(const FStringView& View)
{
	if (View.Len() > 0) { Data.assign(View.GetData(), static_cast<size_t>(View.Len())); }
}

TArray<TCHAR> FString::GetCharArray() const
{
	TArray<TCHAR> Result(Data.c_str(), Len() + 1);
	return Result;
}

FString UE::HeadlessEditor::FromUtf8(const char* Bytes, size_t Count)
{
	FString Result;
	FHeadlessStringAccess::Units(Result) = Utf8ToUtf16(Bytes, Count);
	return Result;
}

std::string UE::HeadlessEditor::ToUtf8(const FString& Str)
{
	const std::u16string& Units = FHeadlessStringAccess::Units(Str);
	return Utf16ToUtf8(Units.data(), Units.size());
}

void FString::AppendInt(int32 InNum)
{
	char Buffer[16];
	const int Count = std::snprintf(Buffer, sizeof(Buffer), "%d", InNum);
	for (int Index = 0; Index < Count; ++Index) { Data.push_back(static_cast<TCHAR>(Buffer[Index])); }
}

FString FString::FromInt(int32 Num)
{
	FString Result;
	Result.AppendInt(Num);
	return Result;
}

FString FString::SanitizeFloat(double InFloat, int32 InMinFractionalDigits)
{
	if (std::isnan(InFloat)) { return FString(TEXT("nan")); }
	if (std::isinf(InFloat)) { return FString(InFloat > 0 ? TEXT("inf") : TEXT("-inf")); }
	char Buffer[64];
	std::snprintf(Buffer, sizeof(Buffer), "%.17g", InFloat);
	// Shortest text that reads back the same value.
	for (int Precision = 1; Precision <= 17; ++Precision)
	{
		std::snprintf(Buffer, sizeof(Buffer), "%.*g", Precision, InFloat);
		if (std::strtod(Buffer, nullptr) == InFloat) { break; }
	}
	std::string Text = Buffer;
	if (Text.find_first_of("eE") == std::string::npos)
	{
		size_t Dot = Text.find('.');
		int32 Fraction = Dot == std::string::npos ? 0 : static_cast<int32>(Text.size() - Dot - 1);
		if (Fraction < InMinFractionalDigits)
		{
			if (Dot == std::string::npos) { Text += '.'; }
			Text.append(static_cast<size_t>(InMinFractionalDigits - Fraction), '0');
		}
	}
	return FString(Text.c_str());
}

void FString::PathAppend(const TCHAR* Str, int32 StrLength)
{
	if (StrLength == 0)
	{
		if (!Data.empty() && Data.back() != '/' && Data.back() != '\\') { Data.push_back('/'); }
		return;
	}
	if (!Data.empty() && Data.back() != '/' && Data.back() != '\\' && Str[0] != '/')
	{
		Data.push_back('/');
	}
	Data.append(Str, static_cast<size_t>(StrLength));
}

FString& FString::operator/=(const TCHAR* Str)
{
	PathAppend(Str, static_cast<int32>(TLen(Str)));
	return *this;
}

FString& FString::operator/=(const FString& Str)
{
	PathAppend(*Str, Str.Len());
	return *this;
}

bool FString::StartsWith(const TCHAR* InPrefix, ESearchCase::Type SearchCase) const
{
	const size_t Count = TLen(InPrefix);
	return Count > 0 && Count <= Data.size() && EqualRange(Data.data(), InPrefix, Count, SearchCase);
}

bool FString::EndsWith(const TCHAR* InSuffix, ESearchCase::Type SearchCase) const
{
	const size_t Count = TLen(InSuffix);
	return Count > 0 && Count <= Data.size() && EqualRange(Data.data() + Data.size() - Count, InSuffix, Count, SearchCase);
}

bool FString::Equals(const FString& Other, ESearchCase::Type SearchCase) const
{
	return Data.size() == Other.Data.size() && EqualRange(Data.data(), Other.Data.data(), Data.size(), SearchCase);
}

int32 FString::Compare(const FString& Other, ESearchCase::Type SearchCase) const
{
	return SearchCase == ESearchCase::CaseSensitive ? FCString::Strcmp(**this, *Other) : FCString::Stricmp(**this, *Other);
}

int32 FString::Find(const TCHAR* SubStr, ESearchCase::Type SearchCase, ESearchDir::Type SearchDir, int32 StartPosition) const
{
	const int32 SubLen = static_cast<int32>(TLen(SubStr));
	if (SubLen == 0 || SubLen > Len())
	{
		return INDEX_NONE;
	}
	if (SearchDir == ESearchDir::FromStart)
	{
		int32 Start = StartPosition == INDEX_NONE ? 0 : std::max(0, std::min(StartPosition, Len()));
		for (int32 Index = Start; Index + SubLen <= Len(); ++Index)
		{
			if (EqualRange(Data.data() + Index, SubStr, static_cast<size_t>(SubLen), SearchCase)) { return Index; }
		}
	}
	else
	{
		int32 Start = StartPosition == INDEX_NONE ? Len() : std::max(0, std::min(StartPosition, Len()));
		for (int32 Index = std::min(Start, Len()) - SubLen; Index >= 0; --Index)
		{
			if (EqualRange(Data.data() + Index, SubStr, static_cast<size_t>(SubLen), SearchCase)) { return Index; }
		}
	}
	return INDEX_NONE;
}

bool FString::FindChar(TCHAR InChar, int32& Index) const
{
	const size_t Pos = Data.find(InChar);
	Index = Pos == std::u16string::npos ? INDEX_NONE : static_cast<int32>(Pos);
	return Index != INDEX_NONE;
}

bool FString::FindLastChar(TCHAR InChar, int32& Index) const
{
	const size_t Pos = Data.rfind(InChar);
	Index = Pos == std::u16string::npos ? INDEX_NONE : static_cast<int32>(Pos);
	return Index != INDEX_NONE;
}

bool FString::Split(const FString& InS, FString* LeftS, FString* RightS, ESearchCase::Type SearchCase, ESearchDir::Type SearchDir) const
{
	const int32 Pos = Find(InS, SearchCase, SearchDir);
	if (Pos == INDEX_NONE) { return false; }
	if (LeftS) { *LeftS = Left(Pos); }
	if (RightS) { *RightS = Mid(Pos + InS.Len()); }
	return true;
}

int32 FString::ReplaceInline(const TCHAR* SearchText, const TCHAR* ReplacementText, ESearchCase::Type SearchCase)
{
	const int32 SearchLen = static_cast<int32>(TLen(SearchText));
	if (SearchLen == 0 || IsEmpty()) { return 0; }
	std::u16string Result;
	int32 Count = 0;
	int32 Index = 0;
	while (Index < Len())
	{
		if (Index + SearchLen <= Len() && EqualRange(Data.data() + Index, SearchText, static_cast<size_t>(SearchLen), SearchCase))
		{
			Result.append(ReplacementText ? ReplacementText : u"");
			Index += SearchLen;
			++Count;
		}
		else
		{
			Result.push_back(Data[static_cast<size_t>(Index)]);
			++Index;
		}
	}
	Data.swap(Result);
	return Count;
}

FString FString::Replace(const TCHAR* From, const TCHAR* To, ESearchCase::Type SearchCase) const
{
	FString Result(*this);
	Result.ReplaceInline(From, To, SearchCase);
	return Result;
}

void FString::ReplaceCharInline(TCHAR SearchChar, TCHAR ReplacementChar, ESearchCase::Type SearchCase)
{
	for (TCHAR& C : Data)
	{
		if (C == SearchChar || (SearchCase == ESearchCase::IgnoreCase && FoldCase(C) == FoldCase(SearchChar))) { C = ReplacementChar; }
	}
}

FString FString::ToLower() const { FString R(*this); R.ToLowerInline(); return R; }
FString FString::ToUpper() const { FString R(*this); R.ToUpperInline(); return R; }
void FString::ToLowerInline() { for (TCHAR& C : Data) { C = FChar::ToLower(C); } }
void FString::ToUpperInline() { for (TCHAR& C : Data) { C = FChar::ToUpper(C); } }

FString FString::TrimStart() const
{
	size_t Pos = 0;
	while (Pos < Data.size() && FChar::IsWhitespace(Data[Pos])) { ++Pos; }
	return FString(static_cast<int32>(Data.size() - Pos), Data.data() + Pos);
}

FString FString::TrimEnd() const
{
	size_t End = Data.size();
	while (End > 0 && FChar::IsWhitespace(Data[End - 1])) { --End; }
	return FString(static_cast<int32>(End), Data.data());
}

FString FString::TrimStartAndEnd() const { return TrimStart().TrimEnd(); }
void FString::TrimStartAndEndInline() { *this = TrimStartAndEnd(); }
void FString::TrimStartInline() { *this = TrimStart(); }
void FString::TrimEndInline() { *this = TrimEnd(); }

FString FString::Left(int32 Count) const { return FString(std::max(0, std::min(Count, Len())), Data.data()); }
FString FString::LeftChop(int32 Count) const { return Left(Len() - std::max(0, Count)); }
FString FString::Right(int32 Count) const
{
	const int32 N = std::max(0, std::min(Count, Len()));
	return FString(N, Data.data() + (Len() - N));
}
FString FString::RightChop(int32 Count) const
{
	const int32 Start = std::max(0, std::min(Count, Len()));
	return FString(Len() - Start, Data.data() + Start);
}
FString FString::Mid(int32 Start, int32 Count) const
{
	if (Count <= 0) { return FString(); }
	int64 First = std::max(0, Start);
	int64 End = std::min<int64>(static_cast<int64>(Start) + Count, Len());
	if (First >= End) { return FString(); }
	return FString(static_cast<int32>(End - First), Data.data() + First);
}

int32 FString::ParseIntoArray(TArray<FString>& OutArray, const TCHAR* pchDelim, bool InCullEmpty) const
{
	check(pchDelim);
	OutArray.Reset();
	const int32 DelimLen = static_cast<int32>(TLen(pchDelim));
	if (DelimLen == 0) { return 0; }
	int32 Start = 0;
	while (true)
	{
		const int32 Pos = Find(pchDelim, ESearchCase::IgnoreCase, ESearchDir::FromStart, Start);
		const int32 End = Pos == INDEX_NONE ? Len() : Pos;
		if (!InCullEmpty || End > Start) { OutArray.Add(Mid(Start, End - Start)); }
		if (Pos == INDEX_NONE) { break; }
		Start = Pos + DelimLen;
	}
	return OutArray.Num();
}

int32 FString::ParseIntoArrayLines(TArray<FString>& OutArray, bool InCullEmpty) const
{
	OutArray.Reset();
	size_t Start = 0;
	size_t Index = 0;
	while (Index <= Data.size())
	{
		if (Index == Data.size() || Data[Index] == '\r' || Data[Index] == '\n')
		{
			if (!InCullEmpty || Index > Start) { OutArray.Add(FString(static_cast<int32>(Index - Start), Data.data() + Start)); }
			if (Index < Data.size() && Data[Index] == '\r' && Index + 1 < Data.size() && Data[Index + 1] == '\n') { ++Index; }
			Start = Index + 1;
		}
		++Index;
	}
	return OutArray.Num();
}

FString FString::Join(const TArray<FString>& Items, const TCHAR* Separator)
{
	FString Result;
	for (int32 Index = 0; Index < Items.Num(); ++Index)
	{
		if (Index > 0) { Result += Separator; }
		Result += Items[Index];
	}
	return Result;
}

bool FString::IsNumeric() const { return !IsEmpty() && FCString::IsNumeric(**this); }

bool operator==(const FString& A, const FString& B) { return A.Equals(B, ESearchCase::IgnoreCase); }
bool operator==(const FString& A, const TCHAR* B)
{
	const size_t Count = TLen(B);
	return A.Data.size() == Count && EqualRange(A.Data.data(), B ? B : u"", Count, ESearchCase::IgnoreCase);
}
bool operator<(const FString& A, const FString& B) { return FCString::Stricmp(*A, *B) < 0; }

uint32 GetTypeHash(const FString& S)
{
	uint32 Hash = 2166136261u;
	for (TCHAR C : UE::HeadlessEditor::GetStdString(S)) { Hash = (Hash ^ static_cast<uint32>(FChar::ToLower(C))) * 16777619u; }
	return Hash;
}

// --- FCString ------------------------------------------------------------------------------

template <typename T>
static int64 ParseInteger(const T* S, int64 Min, int64 Max)
{
	if (!S) { return 0; }
	while (TChar<T>::IsWhitespace(*S)) { ++S; }
	bool bNegative = false;
	if (*S == '+' || *S == '-') { bNegative = *S == '-'; ++S; }
	// Saturate instead of overflowing: a long digit string never wraps into a small value.
	uint64 Value = 0;
	bool bOverflow = false;
	for (; *S >= '0' && *S <= '9'; ++S)
	{
		if (Value > (std::numeric_limits<uint64>::max() - 9) / 10) { bOverflow = true; continue; }
		Value = Value * 10 + static_cast<uint64>(*S - '0');
	}
	if (bNegative)
	{
		if (bOverflow || Value >= static_cast<uint64>(Max) + 1) { return Min; }
		return -static_cast<int64>(Value);
	}
	if (bOverflow || Value > static_cast<uint64>(Max)) { return Max; }
	return static_cast<int64>(Value);
}

template <typename T> int32 TCString<T>::Atoi(const T* String) { return static_cast<int32>(ParseInteger(String, MIN_int32, MAX_int32)); }
template <typename T> int64 TCString<T>::Atoi64(const T* String) { return ParseInteger(String, std::numeric_limits<int64>::min(), MAX_int64); }
template <typename T> double TCString<T>::Atod(const T* String)
{
	std::string Narrow;
	for (; String && *String && Narrow.size() < 512; ++String) { Narrow.push_back(*String < 128 ? static_cast<char>(*String) : '?'); }
	return std::strtod(Narrow.c_str(), nullptr);
}
template <typename T> int32 TCString<T>::Stricmp(const T* A, const T* B)
{
	for (;; ++A, ++B)
	{
		const int32 CA = TChar<T>::ToLower(*A), CB = TChar<T>::ToLower(*B);
		if (CA != CB || CA == 0) { return CA - CB; }
	}
}
template <typename T> int32 TCString<T>::Strnicmp(const T* A, const T* B, SIZE_T Count)
{
	for (; Count > 0; ++A, ++B, --Count)
	{
		const int32 CA = TChar<T>::ToLower(*A), CB = TChar<T>::ToLower(*B);
		if (CA != CB || CA == 0) { return CA - CB; }
	}
	return 0;
}
template <typename T> int32 TCString<T>::Strcmp(const T* A, const T* B)
{
	for (;; ++A, ++B)
	{
		if (*A != *B || *A == 0) { return static_cast<int32>(*A) - static_cast<int32>(*B); }
	}
}
template <typename T> int32 TCString<T>::Strlen(const T* String) { int32 N = 0; while (String && String[N]) { ++N; } return N; }
template <typename T> bool TCString<T>::IsNumeric(const T* Str)
{
	if (*Str == '-' || *Str == '+') { ++Str; }
	bool bDot = false, bDigit = false;
	for (; *Str; ++Str)
	{
		if (*Str == '.') { if (bDot) { return false; } bDot = true; }
		else if (TChar<T>::IsDigit(*Str)) { bDigit = true; }
		else { return false; }
	}
	return bDigit;
}

template struct TCString<TCHAR>;
template struct TCString<ANSICHAR>;

// --- Printf ----------------------------------------------------------------------------------

namespace UE::HeadlessEditor
{
	FString FormatString(const TCHAR* Format, const FFormatArg* Args, int32 NumArgs)
	{
		std::u16string Out;
		int32 NextArg = 0;
		auto TakeArg = [&]() -> const FFormatArg* { return NextArg < NumArgs ? &Args[NextArg++] : nullptr; };
		auto AppendAscii = [&Out](const char* S, int Count) { for (int I = 0; I < Count; ++I) { Out.push_back(static_cast<unsigned char>(S[I])); } };

		for (const TCHAR* P = Format; *P; ++P)
		{
			if (*P != '%') { Out.push_back(*P); continue; }
			const TCHAR* Spec = P++;
			if (*P == '%') { Out.push_back('%'); continue; }

			std::string Flags;
			while (*P == '-' || *P == '+' || *P == ' ' || *P == '#' || *P == '0') { Flags.push_back(static_cast<char>(*P++)); }
			int Width = -1, Precision = -1;
			if (*P == '*') { const FFormatArg* A = TakeArg(); Width = A ? static_cast<int>(A->I) : 0; ++P; }
			else { while (*P >= '0' && *P <= '9') { Width = (Width < 0 ? 0 : Width) * 10 + (*P++ - '0'); if (Width > 4096) { Width = 4096; } } }
			if (*P == '.')
			{
				++P; Precision = 0;
				if (*P == '*') { const FFormatArg* A = TakeArg(); Precision = A ? static_cast<int>(A->I) : 0; ++P; }
				else { while (*P >= '0' && *P <= '9') { Precision = Precision * 10 + (*P++ - '0'); if (Precision > 4096) { Precision = 4096; } } }
			}
			while (*P == 'l' || *P == 'h' || *P == 'z' || *P == 'j' || *P == 't' || *P == 'L' || *P == 'I' || *P == '6' || *P == '4') { ++P; }
			const TCHAR Conv = *P;
			if (Conv == 0) { Out.append(Spec, static_cast<size_t>(P - Spec)); break; }

			std::string CFormat = "%" + Flags;
			if (Width >= 0) { CFormat += std::to_string(Width); }
			if (Precision >= 0) { CFormat += "." + std::to_string(Precision); }
			const FFormatArg* Arg = TakeArg();
			char Buffer[8192];
			int Count = 0;
			switch (Conv)
			{
			case 'd': case 'i':
				CFormat += "lld";
				Count = std::snprintf(Buffer, sizeof(Buffer), CFormat.c_str(), Arg ? static_cast<long long>(Arg->Kind == FFormatArg::EKind::Double ? static_cast<int64>(Arg->D) : Arg->I) : 0LL);
				break;
			case 'u': case 'x': case 'X': case 'o':
				CFormat += "ll"; CFormat.push_back(static_cast<char>(Conv));
				Count = std::snprintf(Buffer, sizeof(Buffer), CFormat.c_str(), Arg ? static_cast<unsigned long long>(Arg->U) : 0ULL);
				break;
			case 'f': case 'F': case 'e': case 'E': case 'g': case 'G':
				CFormat.push_back(static_cast<char>(Conv));
				Count = std::snprintf(Buffer, sizeof(Buffer), CFormat.c_str(), Arg ? (Arg->Kind == FFormatArg::EKind::Double ? Arg->D : static_cast<double>(Arg->I)) : 0.0);
				break;
			case 'p':
				Count = std::snprintf(Buffer, sizeof(Buffer), "%p", Arg ? Arg->P : nullptr);
				break;
			case 'c':
			{
				std::u16string Text(1, Arg ? static_cast<TCHAR>(Arg->U) : u'?');
				const int Pad = Width > 1 ? Width - 1 : 0;
				if (Flags.find('-') == std::string::npos) { Out.append(static_cast<size_t>(Pad), u' '); }
				Out += Text;
				if (Flags.find('-') != std::string::npos) { Out.append(static_cast<size_t>(Pad), u' '); }
				continue;
			}
			case 's': case 'S':
			{
				std::u16string Text;
				if (!Arg || (Arg->Kind == FFormatArg::EKind::String && !Arg->S) || (Arg->Kind == FFormatArg::EKind::AnsiString && !Arg->A)) { Text = u"(null)"; }
				else if (Arg->Kind == FFormatArg::EKind::String) { Text = Arg->S; }
				else if (Arg->Kind == FFormatArg::EKind::AnsiString) { Text = Utf8ToUtf16(Arg->A, std::strlen(Arg->A)); }
				else { Text = u"(bad argument)"; }
				if (Precision >= 0 && Text.size() > static_cast<size_t>(Precision)) { Text.resize(static_cast<size_t>(Precision)); }
				const int Pad = Width > static_cast<int>(Text.size()) ? Width - static_cast<int>(Text.size()) : 0;
				if (Flags.find('-') == std::string::npos) { Out.append(static_cast<size_t>(Pad), u' '); }
				Out += Text;
				if (Flags.find('-') != std::string::npos) { Out.append(static_cast<size_t>(Pad), u' '); }
				continue;
			}
			default:
				Out.append(Spec, static_cast<size_t>(P - Spec + 1));
				continue;
			}
			AppendAscii(Buffer, std::max(0, std::min(Count, static_cast<int>(sizeof(Buffer)) - 1)));
		}
		FString Result;
		Result.Append(Out.data(), static_cast<int32>(Out.size()));
		return Result;
	}
}
