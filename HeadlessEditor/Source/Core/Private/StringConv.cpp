#include "Containers/StringConv.h"

namespace UE::HeadlessEditor
{
	// UTF-8 to UTF-16 as the engine decodes it: a bad sequence becomes one '?', and the bytes it
	// read on the way are gone with it. A lead byte takes the next byte even when that byte is
	// no continuation (so "\xFFname" gives "?ame"); 5- and 6-byte forms are read whole and
	// dropped; overlong forms, surrogates, U+FFFE, U+FFFF and values past U+10FFFF are bad.
	std::u16string Utf8ToUtf16(const char* Bytes, size_t Count)
	{
		std::u16string Out;
		Out.reserve(Count);
		const unsigned char* S = reinterpret_cast<const unsigned char*>(Bytes);
		const unsigned char* End = S + Count;
		constexpr uint32 Bogus = u'?';
		// Takes the next byte whatever it is; true when it was a continuation byte.
		auto Trailing = [&S, End](uint32& Out) {
			if (S >= End) { return false; }
			const uint32 Octet = *S++;
			Out = Octet;
			return (Octet & 0xC0) == 0x80;
		};
		auto Decode = [&]() -> uint32 {
			const uint32 Octet = *S++;
			if (Octet < 0x80) { return Octet; }
			if (Octet < 0xC0) { return Bogus; }
			uint32 O2, O3, O4, Ignored;
			if (!Trailing(O2)) { return Bogus; }
			if (Octet < 0xE0)
			{
				const uint32 CodePoint = ((Octet - 0xC0) << 6) | (O2 - 0x80);
				return CodePoint < 0x80 || CodePoint > 0x7FF ? Bogus : CodePoint;
			}
			if (!Trailing(O3)) { return Bogus; }
			if (Octet < 0xF0)
			{
				const uint32 CodePoint = ((Octet - 0xE0) << 12) | ((O2 - 0x80) << 6) | (O3 - 0x80);
				return CodePoint < 0x800 || CodePoint > 0xFFFD || (CodePoint >= 0xD800 && CodePoint <= 0xDFFF) ? Bogus : CodePoint;
			}
			if (!Trailing(O4)) { return Bogus; }
			if (Octet < 0xF8)
			{
				const uint32 CodePoint = ((Octet - 0xF0) << 18) | ((O2 - 0x80) << 12) | ((O3 - 0x80) << 6) | (O4 - 0x80);
				return CodePoint < 0x10000 || CodePoint > 0x10FFFF ? Bogus : CodePoint;
			}
			if (!Trailing(Ignored) || Octet < 0xFC) { return Bogus; }
			Trailing(Ignored);
			return Bogus;
		};
		while (S < End)
		{
			uint32 CodePoint = Decode();
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
		}
		return Out;
	}

	std::string Utf16ToUtf8(const char16_t* Units, size_t Count)
	{
		// At most three bytes per unit (a surrogate pair, two units, makes four): written in place,
		// then cut to what was used.
		std::string Out(Count * 3, '\0');
		char* Write = Out.data();
		for (size_t I = 0; I < Count; ++I)
		{
			uint32 CodePoint = Units[I];
			if (CodePoint < 0x80)
			{
				*Write++ = static_cast<char>(CodePoint);
				continue;
			}
			if (CodePoint >= 0xD800 && CodePoint <= 0xDBFF && I + 1 < Count && Units[I + 1] >= 0xDC00 && Units[I + 1] <= 0xDFFF)
			{
				CodePoint = 0x10000 + ((CodePoint - 0xD800) << 10) + (Units[I + 1] - 0xDC00);
				++I;
			}
			else if (CodePoint >= 0xD800 && CodePoint <= 0xDFFF)
			{
				*Write++ = '?';
				continue;
			}
			if (CodePoint < 0x800)
			{
				*Write++ = static_cast<char>(0xC0 | (CodePoint >> 6));
				*Write++ = static_cast<char>(0x80 | (CodePoint & 0x3F));
			}
			else if (CodePoint < 0x10000)
			{
				*Write++ = static_cast<char>(0xE0 | (CodePoint >> 12));
				*Write++ = static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F));
				*Write++ = static_cast<char>(0x80 | (CodePoint & 0x3F));
			}
			else
			{
				*Write++ = static_cast<char>(0xF0 | (CodePoint >> 18));
				*Write++ = static_cast<char>(0x80 | ((CodePoint >> 12) & 0x3F));
				*Write++ = static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F));
				*Write++ = static_cast<char>(0x80 | (CodePoint & 0x3F));
			}
		}
		Out.resize(static_cast<size_t>(Write - Out.data()));
		return Out;
	}
}
