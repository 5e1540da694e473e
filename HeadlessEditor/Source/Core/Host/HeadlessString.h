// FString helpers that only the headless editor has: its code units as a std::u16string and the
// UTF-8 conversions the host uses at its edges (files, sockets, libraries with char APIs). The
// engine's FString has none of these; a plugin uses FTCHARToUTF8 / FUTF8ToTCHAR instead.
#pragma once

#include <string>

#include "Containers/UnrealString.h"

struct FHeadlessStringAccess
{
	static const std::u16string& Units(const FString& Str) { return Str.Data; }
	static std::u16string& Units(FString& Str) { return Str.Data; }
};

namespace UE::HeadlessEditor
{
	// The string's UTF-16 code units (no terminator), valid while Str lives and is unchanged.
	inline const std::u16string& GetStdString(const FString& Str) { return FHeadlessStringAccess::Units(Str); }
	// Decodes Count bytes of UTF-8 (invalid sequences become '?', as FUTF8ToTCHAR does).
	CORE_API FString FromUtf8(const char* Bytes, size_t Count);
	// Encodes the string as UTF-8 (lone surrogates become '?').
	CORE_API std::string ToUtf8(const FString& Str);
}
