// Pretty printing: one field per line, a tab per level, lines ended by the platform's
// LINE_TERMINATOR (LF on Linux, CR LF on Windows), as the engine writes them.
#pragma once

#include "Policies/JsonPrintPolicy.h"

template <class CharType>
struct TPrettyJsonPrintPolicy : public TJsonPrintPolicy<CharType>
{
	static void WriteLineTerminator(FString* Stream) { Stream->Append(LINE_TERMINATOR); }
	static void WriteTabs(FString* Stream, int32 Count)
	{
		for (int32 Index = 0; Index < Count; ++Index)
		{
			Stream->AppendChar(TEXT('\t'));
		}
	}
	static void WriteSpace(FString* Stream) { Stream->AppendChar(TEXT(' ')); }
};
