// Writes the fuzzer's seed archives with the project's own test writer: plain archives and one
// of each hostile shape the reader refuses.
#include "MOLDARIZipTestWriter.h"

#include <cstdio>
#include <string>

using namespace MOLDARIZipTest;

namespace
{
	void Save(const std::string& Dir, const char* Name, const TArray<uint8>& Archive)
	{
		const std::string Path = Dir + "/seed-" + Name + ".zip";
		FILE* File = std::fopen(Path.c_str(), "wb");
		if (File)
		{
			std::fwrite(Archive.GetData(), 1, Archive.Num(), File);
			std::fclose(File);
		}
	}

	FZipTestWriter Basic()
	{
		FZipTestWriter Writer;
		Writer.AddStored("metadata.json", Bytes("{\"materials\":[{\"baseColor\":\"Textures/base.png\"}]}"));
		Writer.AddDeflated("model.fbx", Bytes("Kaydara FBX Binary  mesh mesh mesh mesh mesh mesh mesh"));
		Writer.AddStored("Textures/", TArray<uint8>());
		Writer.AddDeflated("Textures\\base.png", Bytes("\x89PNG\r\n\x1a\n........IHDR", 20));
		return Writer;
	}
}

int main(int Argc, char** Argv)
{
	if (Argc < 2)
	{
		std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", Argv[0]);
		return 2;
	}
	const std::string Dir = Argv[1];

	Save(Dir, "basic", Basic().Build());
	Save(Dir, "empty", FZipTestWriter().Build());
	{
		FZipTestWriter W = Basic();
		W.Comment = Bytes("archive comment");
		W.Trailing = Bytes("junk after the end record");
		Save(Dir, "comment-trailing", W.Build());
	}
	{
		FZipTestWriter W = Basic();
		W.Prefix = Repeated('S', 64);   // self-extractor stub, offsets include it
		Save(Dir, "prefix", W.Build());
	}
	{
		FZipTestWriter W = Basic();
		W.AnnouncedEntries = 9;
		Save(Dir, "announced-too-many", W.Build());
	}
	{
		FZipTestWriter W = Basic();
		W.DirectoryOffset = 0xFFFFFFFF;
		Save(Dir, "directory-offset-ffffffff", W.Build());
	}
	{
		FZipTestWriter W = Basic();
		W.Entry(1).CentralNameLength = 0xFFFF;
		Save(Dir, "name-past-end", W.Build());
	}
	{
		FZipTestWriter W = Basic();
		W.Entry(0).CompressedSize = 0xFFFFFFFF;
		W.Entry(0).UncompressedSize = 0xFFFFFFFF;
		W.Entry(1).LocalHeaderOffset = 0x7FFFFFF0;
		Save(Dir, "sizes-offsets-out-of-bounds", W.Build());
	}
	{
		FZipTestWriter W;
		W.AddStored("../evil.txt", Bytes("x"));
		W.AddStored("/abs.txt", Bytes("x"));
		W.AddStored("C:\\drive.txt", Bytes("x"));
		W.AddStored("dir/CON.txt", Bytes("x"));
		W.AddStored("trailing./x", Bytes("x"));
		W.AddStored(Bytes("bad\xFF\xFEname"), Bytes("x"));
		W.AddStored(Bytes("\0zero", 5), Bytes("x"));
		Save(Dir, "unsafe-names", W.Build());
	}
	{
		FZipTestWriter W;
		W.AddRaw("bzip2.bin", 12, Bytes("BZh91AY&SY"), 0, 100);
		W.Entry(W.AddStored("encrypted.txt", Bytes("secret"))).Flags = 1;
		W.Entry(W.AddDeflated("short.bin", Bytes("short stream short stream"))).UncompressedSize = 4000;
		W.Entry(W.AddStored("badcrc.txt", Bytes("crc"))).Crc ^= 1;
		W.AddRaw("garbage.bin", 8, Repeated(0xFF, 32), 0, 64);
		Save(Dir, "damaged-and-unsupported", W.Build());
	}
	{
		FZipTestWriter W;
		const int32 Shared = W.AddDeflated("shared.bin", Repeated(0, 4096));
		for (int32 Index = 0; Index < 8; ++Index)
		{
			W.AddAlias("copy.bin", Shared);
		}
		const int32 Outer = W.AddStored("outer.bin", Repeated(0, 100));
		const int32 Inner = W.AddStored("inner.bin", Repeated(0, 10));
		W.Entry(Inner).LocalHeaderOffset = W.DataOffsetOf(Outer) + 8;
		Save(Dir, "overlapping", W.Build());
	}
	{
		FZipTestWriter W;
		W.Entry(W.AddDeflated("descriptor.txt", Bytes("data descriptor style entry"))).bDataDescriptorStyle = true;
		W.Entry(W.AddDeflated("extra.txt", Bytes("local extra field"))).LocalExtraLength = 17;
		W.AddStored("dup.txt", Bytes("first"));
		W.AddStored("dup.txt", Bytes("second"));
		W.AddStored("a/b", Bytes("file"));
		W.AddStored("a/b/c", Bytes("under a file"));
		Save(Dir, "descriptors-duplicates", W.Build());
	}
	{
		FZipTestWriter W;
		W.AddDeflated("ratio.bin", Repeated('z', 200000));
		Save(Dir, "high-ratio", W.Build());
	}
	{
		FZipTestWriter W = Basic();
		W.Comment = FZipTestWriter().Build();   // a second end record inside the comment
		Save(Dir, "two-end-records", W.Build());
	}
	return 0;
}
