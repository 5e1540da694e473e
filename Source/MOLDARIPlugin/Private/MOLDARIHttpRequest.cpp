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
		static const FString HostPrefix(TEXT("Host:"));
		static const FString ContentLengthPrefix(TEXT("Content-Length:"));
		for (int32 Index = 1; Index < Lines.Num(); ++Index)
		{
			const FString& Line = Lines[Index];
			if (Line.StartsWith(OriginPrefix, ESearchCase::IgnoreCase))
			{
				Out.Origin = Line.RightChop(OriginPrefix.Len()).TrimStartAndEnd();
			}
			else if (Line.StartsWith(HostPrefix, ESearchCase::IgnoreCase))
			{
				Out.Host = Line.RightChop(HostPrefix.Len()).TrimStartAndEnd();
			}
			else if (Line.StartsWith(ContentLengthPrefix, ESearchCase::IgnoreCase))
			{
				Out.ContentLength = ParseContentLength(Line.RightChop(ContentLengthPrefix.Len()));
			}
		}
		return true;
	}

	ERoute RouteRequest(const FString& Method, const FString& Path, int64* OutJobId)
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
		if (Method.Equals(TEXT("GET"), ESearchCase::IgnoreCase))
		{
			static const FString JobPrefix(TEXT("/imports/"));
			if (Path.Equals(TEXT("/imports"), ESearchCase::IgnoreCase))
			{
				return ERoute::Imports;
			}
			// An id of 1 to 18 digits (no sign, nothing after them).
			if (Path.StartsWith(JobPrefix, ESearchCase::IgnoreCase) && Path.Len() > JobPrefix.Len() && Path.Len() <= JobPrefix.Len() + 18)
			{
				int64 Id = 0;
				for (int32 Index = JobPrefix.Len(); Index < Path.Len(); ++Index)
				{
					if (Path[Index] < TEXT('0') || Path[Index] > TEXT('9'))
					{
						return ERoute::NotFound;
					}
					Id = Id * 10 + (Path[Index] - TEXT('0'));
				}
				if (OutJobId)
				{
					*OutJobId = Id;
				}
				return ERoute::ImportJob;
			}
		}
		return ERoute::NotFound;
	}

	bool IsLoopbackHost(const TOptional<FString>& Host)
	{
		if (!Host.IsSet())
		{
			return true;
		}
		for (const TCHAR* Name : { TEXT("localhost"), TEXT("127.0.0.1"), TEXT("[::1]") })
		{
			if (Host->Equals(Name, ESearchCase::IgnoreCase) || Host->Equals(FString(Name) + TEXT(":5325"), ESearchCase::IgnoreCase))
			{
				return true;
			}
		}
		return false;
	}
}
