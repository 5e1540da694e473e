#include "Containers/StringConv.h"

namespace UE::HeadlessEditor
{
	std::u16string Utf8ToUtf16(const char* Bytes, size_t Count)
	{
		std::u16string Out;
		Out.reserve(Count);
		const unsigned char* S = reinterpret_cast<const unsigned char*>(Bytes);
		size_t I = 0;
		while (I < Count)
		{
			const unsigned char C = S[I];
			uint32 CodePoint;
			size_t Extra;
			if (C < 0x80) { Out.push_back(C); ++I; continue; }
			else if (C >= 0xC2 && C <= 0xDF) { CodePoint = C & 0x1F; Extra = 1; }
			else if (C >= 0xE0 && C <= 0xEF) { CodePoint = C & 0x0F; Extra = 2; }
			else if (C >= 0xF0 && C <= 0xF4) { CodePoint = C & 0x07; Extra = 3; }
			else { Out.push_back(u'?'); ++I; continue; }

			bool bValid = I + Extra < Count;
			for (size_t K = 1; bValid && K <= Extra; ++K)
			{
				if ((S[I + K] & 0xC0) != 0x80) { bValid = false; break; }
				CodePoint = (CodePoint << 6) | (S[I + K] & 0x3F);
			}
			// Overlong forms, surrogates and values past U+10FFFF are invalid.
			if (bValid && ((Extra == 2 && CodePoint < 0x800) || (Extra == 3 && CodePoint < 0x10000) ||
				(CodePoint >= 0xD800 && CodePoint <= 0xDFFF) || CodePoint > 0x10FFFF))
			{
				bValid = false;
			}
			if (!bValid) { Out.push_back(u'?'); ++I; continue; }
			if (CodePoint >= 0x10000)
			{
				CodePoint -= 0x10000;
				Out.push_back(static_cast<char16_t>(0xD800 + (CodePoint >> 10)));
				Out.push_back(static_cast<char16_t>(0xDC00 + (CodePoint & 0x3FF)));
			}
			else
			{
				Out.push_back(static_cast<char16_t>(CodePoint));
			}
			I += Extra + 1;
		}
		return Out;
	}

	std::string Utf16ToUtf8(const char16_t* Units, size_t Count)
	{
		std::string Out;
		Out.reserve(Count);
		for (size_t I = 0; I < Count; ++I)
		{
			uint32 CodePoint = Units[I];
			if (CodePoint >= 0xD800 && CodePoint <= 0xDBFF && I + 1 < Count && Units[I + 1] >= 0xDC00 && Units[I + 1] <= 0xDFFF)
			{
				CodePoint = 0x10000 + ((CodePoint - 0xD800) << 10) + (Units[I + 1] - 0xDC00);
				++I;
			}
			else if (CodePoint >= 0xD800 && CodePoint <= 0xDFFF)
			{
				Out.push_back('?');
				continue;
			}
			if (CodePoint < 0x80) { Out.push_back(static_cast<char>(CodePoint)); }
			else if (CodePoint < 0x800) { Out.push_back(static_cast<char>(0xC0 | (CodePoint >> 6))); Out.push_back(static_cast<char>(0x80 | (CodePoint & 0x3F))); }
			else if (CodePoint < 0x10000)
			{
				Out.push_back(static_cast<char>(0xE0 | (CodePoint >> 12)));
				Out.push_back(static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F)));
				Out.push_back(static_cast<char>(0x80 | (CodePoint & 0x3F)));
			}
			else
			{
				Out.push_back(static_cast<char>(0xF0 | (CodePoint >> 18)));
				Out.push_back(static_cast<char>(0x80 | ((CodePoint >> 12) & 0x3F)));
				Out.push_back(static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F)));
				Out.push_back(static_cast<char>(0x80 | (CodePoint & 0x3F)));
			}
		}
		return Out;
	}
}
