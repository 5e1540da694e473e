// Base print policy of the JSON writer: how characters, text and numbers reach the output.
// The writer's output here is an FString (the engine writes to an FArchive).
#pragma once

#include "CoreMinimal.h"

namespace UE::HeadlessEditor::Json
{
	// "%.17g": 17 significant digits, enough for any double to read back unchanged (5 gives
	// "5", 0.1 gives "0.10000000000000001"). A value that is not finite is written as null.
	JSON_API void AppendDouble(FString& Out, double Value);
	// "%g", six significant digits, as the engine writes floats; not finite: null.
	JSON_API void AppendFloat(FString& Out, float Value);
	JSON_API void AppendInteger(FString& Out, int64 Value);
	JSON_API void AppendUnsigned(FString& Out, uint64 Value);
	// The text between the quotes of a JSON string: \\ \" \n \r \t \b \f get their short escape,
	// other characters below U+0020 become \u00xx (lower-case hex), everything else is copied.
	JSON_API void AppendEscaped(FString& Out, FStringView Text);
}

template <class CharType>
struct TJsonPrintPolicy
{
	static_assert(std::is_same_v<CharType, TCHAR>, "the JSON writer writes TCHAR text");

	static void WriteChar(FString* Stream, CharType Char) { Stream->AppendChar(Char); }
	static void WriteString(FString* Stream, FStringView String) { Stream->Append(String.GetData(), String.Len()); }
	static void WriteFloat(FString* Stream, float Value) { UE::HeadlessEditor::Json::AppendFloat(*Stream, Value); }
	static void WriteDouble(FString* Stream, double Value) { UE::HeadlessEditor::Json::AppendDouble(*Stream, Value); }
};
