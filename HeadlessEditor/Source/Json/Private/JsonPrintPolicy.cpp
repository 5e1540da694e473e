// Number text and string escaping for the JSON writer.
#include "Policies/JsonPrintPolicy.h"

#include <cmath>
#include <cstdio>

namespace
{
	void AppendAscii(FString& Out, const char* Text, int Count)
	{
		for (int Index = 0; Index < Count; ++Index)
		{
			Out.AppendChar(static_cast<TCHAR>(Text[Index]));
		}
	}
}

namespace UE::HeadlessEditor::Json
{
	void AppendDouble(FString& Out, double Value)
	{
		if (!std::isfinite(Value))
		{
			Out.Append(TEXT("null"));
			return;
		}
		char Buffer[32];
		AppendAscii(Out, Buffer, std::snprintf(Buffer, sizeof(Buffer), "%.17g", Value));
	}

	void AppendFloat(FString& Out, float Value)
	{
		if (!std::isfinite(Value))
		{
			Out.Append(TEXT("null"));
			return;
		}
		char Buffer[32];
		AppendAscii(Out, Buffer, std::snprintf(Buffer, sizeof(Buffer), "%g", static_cast<double>(Value)));
	}

	void AppendInteger(FString& Out, int64 Value)
	{
		char Buffer[32];
		AppendAscii(Out, Buffer, std::snprintf(Buffer, sizeof(Buffer), "%lld", static_cast<long long>(Value)));
	}

	void AppendUnsigned(FString& Out, uint64 Value)
	{
		char Buffer[32];
		AppendAscii(Out, Buffer, std::snprintf(Buffer, sizeof(Buffer), "%llu", static_cast<unsigned long long>(Value)));
	}

	void AppendEscaped(FString& Out, FStringView Text)
	{
		static const char HexDigits[] = "0123456789abcdef";
		const TCHAR* Chars = Text.GetData();
		for (int32 Index = 0; Index < Text.Len(); ++Index)
		{
			const TCHAR Char = Chars[Index];
			switch (Char)
			{
			case TEXT('\\'): Out.Append(TEXT("\\\\"), 2); break;
			case TEXT('"'): Out.Append(TEXT("\\\""), 2); break;
			case TEXT('\n'): Out.Append(TEXT("\\n"), 2); break;
			case TEXT('\r'): Out.Append(TEXT("\\r"), 2); break;
			case TEXT('\t'): Out.Append(TEXT("\\t"), 2); break;
			case TEXT('\b'): Out.Append(TEXT("\\b"), 2); break;
			case TEXT('\f'): Out.Append(TEXT("\\f"), 2); break;
			default:
				if (Char < 0x20)
				{
					const TCHAR Escape[] = { TEXT('\\'), TEXT('u'), TEXT('0'), TEXT('0'),
						static_cast<TCHAR>(HexDigits[Char >> 4]), static_cast<TCHAR>(HexDigits[Char & 0xF]) };
					Out.Append(Escape, 6);
				}
				else
				{
					Out.AppendChar(Char);
				}
				break;
			}
		}
	}
}
