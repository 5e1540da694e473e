#include "MOLDARIHttpRequest.h"

#include <limits>

namespace MOLDARIHttp
{
	int32 FindHeaderEnd(const uint8* Buffer, int32 Num, int32 SearchFrom)
	{
		for (int32 Index = SearchFrom < 0 ? 0 : SearchFrom; Index + 3 < Num; ++Index)
		{
			if (Buffer[Index] == '\r' && Buffer[Index + 1] == '\n' && Buffer[Index + 2] == '\r' && Buffer[Index + 3] == '\n')
			{
				return Index + 4;
			}
		}
		return INDEX_NONE;
	}

	int64 ParseContentLength(const FString& Value)
	{
		const FString Text = Value.TrimStartAndEnd();
		int32 Index = 0;
		bool bNegative = false;
		if (Index < Text.Len() && (Text[Index] == '+' || Text[Index] == '-'))
		{
			bNegative = Text[Index] == '-';
			++Index;
		}
		int64 Result = 0;
		for (; Index < Text.Len() && Text[Index] >= '0' && Text[Index] <= '9'; ++Index)
		{
			if (Result > (std::numeric_limits<int64>::max() - 9) / 10)
			{
				Result = std::numeric_limits<int64>::max();
				continue;
			}
			Result = Result * 10 + (Text[Index] - '0');
		}
		return bNegative ? -Result : Result;
	}

	bool ParseRequestHead(const FString& HeaderText, FRequestHead& Out)
	{
		TArray<FString> Lines;
		HeaderText.ParseIntoArrayLines(Lines, true);
		if (Lines.Num() == 0)
		{
			return false;
		}
		TArray<FString> Words;
		Lines[0].ParseIntoArray(Words, TEXT(" "), true);
		if (Words.Num() < 2)
		{
			return false;
		}
		Out.Method = Words[0];
		Out.Path = Words[1];

		static const FString OriginPrefix(TEXT("Origin:"));
		static const FString ContentLengthPrefix(TEXT("Content-Length:"));
		for (int32 Index = 1; Index < Lines.Num(); ++Index)
		{
			const FString& Line = Lines[Index];
			if (Line.StartsWith(OriginPrefix, ESearchCase::IgnoreCase))
			{
				Out.Origin = Line.RightChop(OriginPrefix.Len()).TrimStartAndEnd();
			}
			else if (Line.StartsWith(ContentLengthPrefix, ESearchCase::IgnoreCase))
			{
				Out.ContentLength = ParseContentLength(Line.RightChop(ContentLengthPrefix.Len()));
			}
		}
		return true;
	}

	ERoute RouteRequest(const FString& Method, const FString& Path)
	{
		if (Method.Equals(TEXT("OPTIONS"), ESearchCase::IgnoreCase))
		{
			return ERoute::Preflight;
		}
		if (Method.Equals(TEXT("GET"), ESearchCase::IgnoreCase) && Path.Equals(TEXT("/status"), ESearchCase::IgnoreCase))
		{
			return ERoute::Status;
		}
		if (Method.Equals(TEXT("POST"), ESearchCase::IgnoreCase) && Path.Equals(TEXT("/import"), ESearchCase::IgnoreCase))
		{
			return ERoute::Import;
		}
		return ERoute::NotFound;
	}
}
