#include "MOLDARIJsonDepth.h"

bool MOLDARIJson::IsWithinDepth(const FString& Text, int32 MaxNesting)
{
	int32 Depth = 0;
	bool bInString = false;
	bool bEscaped = false;
	for (const TCHAR Char : Text)
	{
		if (bInString)
		{
			if (bEscaped) { bEscaped = false; }
			else if (Char == TEXT('\\')) { bEscaped = true; }
			else if (Char == TEXT('"')) { bInString = false; }
			continue;
		}
		if (Char == TEXT('"'))
		{
			bInString = true;
		}
		else if (Char == TEXT('{') || Char == TEXT('['))
		{
			if (++Depth > MaxNesting)
			{
				return false;
			}
		}
		else if ((Char == TEXT('}') || Char == TEXT(']')) && Depth > 0)
		{
			--Depth;
		}
	}
	return true;
}
