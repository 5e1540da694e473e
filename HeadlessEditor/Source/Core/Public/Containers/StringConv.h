// UTF-8 <-> TCHAR conversion. Invalid UTF-8 and lone surrogates become '?', as in the engine.
#pragma once

#include <string>

#include "HAL/Platform.h"

namespace UE::HeadlessEditor
{
	CORE_API std::u16string Utf8ToUtf16(const char* Bytes, size_t Count);
	CORE_API std::string Utf16ToUtf8(const char16_t* Units, size_t Count);
}

template <typename FromChar, typename ToChar>
class TStringConversionImpl
{
public:
	using FromType = FromChar;
	using ToType = ToChar;

	explicit TStringConversionImpl(const FromType* Source) : TStringConversionImpl(Source, Length(Source)) {}
	TStringConversionImpl(const FromType* Source, int32 SourceLen) { Convert(Source, SourceLen > 0 ? SourceLen : 0); }
	TStringConversionImpl(const TStringConversionImpl&) = delete;
	TStringConversionImpl& operator=(const TStringConversionImpl&) = delete;

	const ToType* Get() const { return Buffer.c_str(); }
	int32 Length() const { return static_cast<int32>(Buffer.size()); }

private:
	static int32 Length(const FromType* S) { int32 N = 0; while (S && S[N]) { ++N; } return N; }
	void Convert(const FromType* Source, int32 Count)
	{
		if (!Source) { return; }
		if constexpr (sizeof(FromType) == 1) { Buffer = UE::HeadlessEditor::Utf8ToUtf16(reinterpret_cast<const char*>(Source), static_cast<size_t>(Count)); }
		else { Buffer = UE::HeadlessEditor::Utf16ToUtf8(reinterpret_cast<const char16_t*>(Source), static_cast<size_t>(Count)); }
	}
	std::basic_string<ToType> Buffer;
};

using FTCHARToUTF8 = TStringConversionImpl<TCHAR, ANSICHAR>;
using FUTF8ToTCHAR = TStringConversionImpl<ANSICHAR, TCHAR>;
using FTCHARToANSI = FTCHARToUTF8;
using FANSIToTCHAR = FUTF8ToTCHAR;

#define TCHAR_TO_UTF8(str) (ANSICHAR*)FTCHARToUTF8((const TCHAR*)str).Get()
#define UTF8_TO_TCHAR(str) (TCHAR*)FUTF8ToTCHAR((const ANSICHAR*)str).Get()
#define TCHAR_TO_ANSI(str) TCHAR_TO_UTF8(str)
#define ANSI_TO_TCHAR(str) UTF8_TO_TCHAR(str)
