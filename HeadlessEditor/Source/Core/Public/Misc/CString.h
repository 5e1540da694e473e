// C-string helpers over TCHAR (FCString) and char (FCStringAnsi), and FChar.
#pragma once

#include "HAL/Platform.h"

template <typename T>
struct TCString
{
	typedef T CharType;
	static CORE_API int32 Atoi(const CharType* String);
	static CORE_API int64 Atoi64(const CharType* String);
	static CORE_API double Atod(const CharType* String);
	static CORE_API int32 Stricmp(const CharType* String1, const CharType* String2);
	static CORE_API int32 Strnicmp(const CharType* String1, const CharType* String2, SIZE_T Count);
	static CORE_API int32 Strcmp(const CharType* String1, const CharType* String2);
	static CORE_API int32 Strlen(const CharType* String);
	static CORE_API bool IsNumeric(const CharType* Str);
};
typedef TCString<TCHAR> FCString;
typedef TCString<ANSICHAR> FCStringAnsi;

template <typename T>
struct TChar
{
	static constexpr T ToLower(T C) { return (C >= 'A' && C <= 'Z') ? static_cast<T>(C + ('a' - 'A')) : C; }
	static constexpr T ToUpper(T C) { return (C >= 'a' && C <= 'z') ? static_cast<T>(C - ('a' - 'A')) : C; }
	static constexpr bool IsWhitespace(T C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\v' || C == '\f'; }
	static constexpr bool IsDigit(T C) { return C >= '0' && C <= '9'; }
	static constexpr bool IsAlpha(T C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }
	static constexpr bool IsAlnum(T C) { return IsAlpha(C) || IsDigit(C); }
};
typedef TChar<TCHAR> FChar;
typedef TChar<ANSICHAR> FCharAnsi;
