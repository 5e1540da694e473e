// Pretty printing: one field per line, a tab per level, CR LF line ends on every host (the
// engine's Windows layout, so both hosts send the same bytes).
#pragma once

#include "Policies/JsonPrintPolicy.h"

template <class CharType>
struct TPrettyJsonPrintPolicy : public TJsonPrintPolicy<CharType>
{
	static void WriteLineTerminator(FString* Stream) { Stream->Append(TEXT("\r\n"), 2); }
	static void WriteTabs(FString* Stream, int32 Count)
	{
		for (int32 Index = 0; Index < Count; ++Index)
		{
			Stream->AppendChar(TEXT('\t'));
		}
	}
	static void WriteSpace(FString* Stream) { Stream->AppendChar(TEXT(' ')); }
};
