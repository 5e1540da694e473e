// A tiny ZIP writer for tests: well-formed archives and every hostile shape the reader must
// survive (wrong sizes and offsets, shared data, missing end record, long comments, ...).
#pragma once

#include "CoreMinimal.h"

#include <cstring>

THIRD_PARTY_INCLUDES_START
#include "zlib.h"
THIRD_PARTY_INCLUDES_END

namespace MOLDARIZipTest
{
	inline TArray<uint8> Bytes(const char* Text, int32 Length = -1)
	{
		TArray<uint8> Out;
		Out.Append(reinterpret_cast<const uint8*>(Text), Length >= 0 ? Length : static_cast<int32>(strlen(Text)));
		return Out;
	}

	inline TArray<uint8> Repeated(uint8 Value, int32 Count)
	{
		TArray<uint8> Out;
		Out.SetNumUninitialized(Count);
		if (Count > 0)
		{
			memset(Out.GetData(), Value, Count);
		}
		return Out;
	}

	inline uint32 Crc32(const TArray<uint8>& Data)
	{
		return static_cast<uint32>(crc32(0L, Data.GetData(), static_cast<uInt>(Data.Num())));
	}

	// Raw deflate (no zlib wrapper), as ZIP method 8 stores it. Z_SYNC_FLUSH instead of Z_FINISH
	// leaves the stream without its final block: every byte is there, the end is not.
	inline TArray<uint8> RawDeflate(const TArray<uint8>& Plain, int Level = Z_DEFAULT_COMPRESSION, int Flush = Z_FINISH)
	{
		z_stream Stream;
		memset(&Stream, 0, sizeof(Stream));
		deflateInit2(&Stream, Level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
		TArray<uint8> Out;
		Out.SetNumUninitialized(static_cast<int32>(deflateBound(&Stream, Plain.Num())));
		Stream.next_in = const_cast<Bytef*>(Plain.GetData());
		Stream.avail_in = static_cast<uInt>(Plain.Num());
		Stream.next_out = Out.GetData();
		Stream.avail_out = static_cast<uInt>(Out.Num());
		deflate(&Stream, Flush);
		Out.SetNum(static_cast<int32>(Stream.total_out));
		deflateEnd(&Stream);
		return Out;
	}

	struct FZipTestEntry
	{
		TArray<uint8> Name;               // raw bytes, in both headers
		TArray<uint8> Payload;            // bytes that follow the local header
		uint16 Method = 0;
		uint16 Flags = 0;
		uint32 Crc = 0;                   // central directory values (the ones the reader trusts)
		uint32 CompressedSize = 0;
		uint32 UncompressedSize = 0;
		int32 CentralNameLength = -1;     // >= 0: lie about the name length in the directory
		uint16 CentralExtraLength = 0;    // extra field length claimed in the directory (no bytes)
		uint16 CentralCommentLength = 0;
		uint16 LocalExtraLength = 0;      // zero bytes of local extra field, as some writers add
		bool bDataDescriptorStyle = false;// local header holds zero CRC and sizes
		int32 LocalOf = INDEX_NONE;       // directory record only, sharing that entry's local header
		int64 LocalHeaderOffset = -1;     // >= 0: directory points here instead
	};

	class FZipTestWriter
	{
	public:
		TArray<uint8> Prefix;             // bytes before the first local header, counted in offsets
		TArray<uint8> Comment;            // archive comment after the end record
		TArray<uint8> Trailing;           // bytes after the comment
		int32 AnnouncedEntries = -1;      // entry count in the end record; -1: the real count
		int64 DirectoryOffset = -1;       // >= 0: directory offset in the end record
		bool bWriteEndRecord = true;

		int32 AddStored(const TArray<uint8>& Name, const TArray<uint8>& Content)
		{
			FZipTestEntry Entry;
			Entry.Name = Name;
			Entry.Payload = Content;
			Entry.Method = 0;
			Entry.Crc = Crc32(Content);
			Entry.CompressedSize = Content.Num();
			Entry.UncompressedSize = Content.Num();
			return Entries.Add(Entry);
		}
		int32 AddStored(const char* Name, const TArray<uint8>& Content) { return AddStored(Bytes(Name), Content); }

		int32 AddDeflated(const TArray<uint8>& Name, const TArray<uint8>& Content)
		{
			FZipTestEntry Entry;
			Entry.Name = Name;
			Entry.Payload = RawDeflate(Content);
			Entry.Method = 8;
			Entry.Crc = Crc32(Content);
			Entry.CompressedSize = Entry.Payload.Num();
			Entry.UncompressedSize = Content.Num();
			return Entries.Add(Entry);
		}
		int32 AddDeflated(const char* Name, const TArray<uint8>& Content) { return AddDeflated(Bytes(Name), Content); }

		// An entry with whatever method, payload and declared values the test needs.
		int32 AddRaw(const char* Name, uint16 Method, const TArray<uint8>& Payload, uint32 Crc, uint32 UncompressedSize)
		{
			FZipTestEntry Entry;
			Entry.Name = Bytes(Name);
			Entry.Payload = Payload;
			Entry.Method = Method;
			Entry.Crc = Crc;
			Entry.CompressedSize = Payload.Num();
			Entry.UncompressedSize = UncompressedSize;
			return Entries.Add(Entry);
		}

		// A directory record that points at the local header and data of entry OfEntry.
		int32 AddAlias(const char* Name, int32 OfEntry)
		{
			FZipTestEntry Entry = Entries[OfEntry];
			Entry.Name = Bytes(Name);
			Entry.Payload.Empty();
			Entry.LocalOf = OfEntry;
			return Entries.Add(Entry);
		}

		FZipTestEntry& Entry(int32 Index) { return Entries[Index]; }

		// Where entry Index's data begins in the built archive.
		int64 DataOffsetOf(int32 Index) const
		{
			int64 Offset = Prefix.Num();
			for (int32 Each = 0; Each < Entries.Num(); ++Each)
			{
				const FZipTestEntry& E = Entries[Each];
				if (E.LocalOf != INDEX_NONE)
				{
					continue;
				}
				const int64 Data = Offset + 30 + E.Name.Num() + E.LocalExtraLength;
				if (Each == Index)
				{
					return Data;
				}
				Offset = Data + E.Payload.Num();
			}
			return -1;
		}

		TArray<uint8> Build() const
		{
			TArray<uint8> Out = Prefix;
			TArray<int64> LocalOffsets;
			for (const FZipTestEntry& E : Entries)
			{
				if (E.LocalOf != INDEX_NONE)
				{
					LocalOffsets.Add(LocalOffsets[E.LocalOf]);
					continue;
				}
				LocalOffsets.Add(Out.Num());
				PutU32(Out, 0x04034b50);
				PutU16(Out, 20);
				PutU16(Out, E.Flags);
				PutU16(Out, E.Method);
				PutU16(Out, 0);
				PutU16(Out, 0x21);
				PutU32(Out, E.bDataDescriptorStyle ? 0 : E.Crc);
				PutU32(Out, E.bDataDescriptorStyle ? 0 : E.CompressedSize);
				PutU32(Out, E.bDataDescriptorStyle ? 0 : E.UncompressedSize);
				PutU16(Out, static_cast<uint16>(E.Name.Num()));
				PutU16(Out, E.LocalExtraLength);
				Out.Append(E.Name);
				Out.Append(Repeated(0, E.LocalExtraLength));
				Out.Append(E.Payload);
			}

			const int64 DirectoryStart = Out.Num();
			for (int32 Index = 0; Index < Entries.Num(); ++Index)
			{
				const FZipTestEntry& E = Entries[Index];
				PutU32(Out, 0x02014b50);
				PutU16(Out, 20);
				PutU16(Out, 20);
				PutU16(Out, E.Flags);
				PutU16(Out, E.Method);
				PutU16(Out, 0);
				PutU16(Out, 0x21);
				PutU32(Out, E.Crc);
				PutU32(Out, E.CompressedSize);
				PutU32(Out, E.UncompressedSize);
				PutU16(Out, static_cast<uint16>(E.CentralNameLength >= 0 ? E.CentralNameLength : E.Name.Num()));
				PutU16(Out, E.CentralExtraLength);
				PutU16(Out, E.CentralCommentLength);
				PutU16(Out, 0);
				PutU16(Out, 0);
				PutU32(Out, 0);
				PutU32(Out, static_cast<uint32>(E.LocalHeaderOffset >= 0 ? E.LocalHeaderOffset : LocalOffsets[Index]));
				Out.Append(E.Name);
			}
			const int64 DirectorySize = Out.Num() - DirectoryStart;

			if (bWriteEndRecord)
			{
				const uint16 Count = static_cast<uint16>(AnnouncedEntries >= 0 ? AnnouncedEntries : Entries.Num());
				PutU32(Out, 0x06054b50);
				PutU16(Out, 0);
				PutU16(Out, 0);
				PutU16(Out, Count);
				PutU16(Out, Count);
				PutU32(Out, static_cast<uint32>(DirectorySize));
				PutU32(Out, static_cast<uint32>(DirectoryOffset >= 0 ? DirectoryOffset : DirectoryStart));
				PutU16(Out, static_cast<uint16>(Comment.Num()));
				Out.Append(Comment);
			}
			Out.Append(Trailing);
			return Out;
		}

		static void PutU16(TArray<uint8>& Out, uint32 Value)
		{
			Out.Add(static_cast<uint8>(Value & 0xff));
			Out.Add(static_cast<uint8>((Value >> 8) & 0xff));
		}
		static void PutU32(TArray<uint8>& Out, uint32 Value)
		{
			PutU16(Out, Value & 0xffff);
			PutU16(Out, Value >> 16);
		}

	private:
		TArray<FZipTestEntry> Entries;
	};
}
