// USDZ packages through libzip, and the binary layer's header.
#include "UsdSceneReader.h"

#include <zip.h>

#include <algorithm>
#include <cstring>

namespace UE::HeadlessEditor::Usd
{
	namespace
	{
		std::string LowerExtension(const std::string& Name)
		{
			const size_t Dot = Name.find_last_of('.');
			const size_t Slash = Name.find_last_of('/');
			if (Dot == std::string::npos || (Slash != std::string::npos && Dot < Slash))
			{
				return {};
			}
			std::string Ext = Name.substr(Dot + 1);
			std::transform(Ext.begin(), Ext.end(), Ext.begin(), [](unsigned char C) { return char(std::tolower(C)); });
			return Ext;
		}

		uint64_t ReadU64(const uint8_t* P)
		{
			uint64_t V = 0;
			for (int I = 7; I >= 0; --I) { V = (V << 8) | P[I]; }
			return V;
		}
	}

	bool IsImageFile(const std::string& Name)
	{
		const std::string Ext = LowerExtension(Name);
		return Ext == "png" || Ext == "jpg" || Ext == "jpeg" || Ext == "tga" || Ext == "bmp";
	}

	bool IsLayerFile(const std::string& Name)
	{
		const std::string Ext = LowerExtension(Name);
		return Ext == "usd" || Ext == "usda" || Ext == "usdc";
	}

	bool IsSafeRelativePath(const std::string& Name)
	{
		if (Name.empty() || Name.front() == '/' || Name.find('\\') != std::string::npos || Name.find('\0') != std::string::npos ||
			(Name.size() > 1 && Name[1] == ':'))
		{
			return false;
		}
		size_t Start = 0;
		while (Start <= Name.size())
		{
			const size_t End = std::min(Name.find('/', Start), Name.size());
			const std::string Part = Name.substr(Start, End - Start);
			if (Part.empty() || Part == "." || Part == "..")
			{
				return false;
			}
			Start = End + 1;
		}
		return true;
	}

	ELayerFormat DetectLayerFormat(const uint8_t* Bytes, size_t Size)
	{
		if (Size >= 8 && std::memcmp(Bytes, "PXR-USDC", 8) == 0)
		{
			return ELayerFormat::Binary;
		}
		if (Size >= 5 && std::memcmp(Bytes, "#usda", 5) == 0)
		{
			return ELayerFormat::Text;
		}
		return ELayerFormat::Unknown;
	}

	bool ReadBinaryLayerHeader(const std::vector<uint8_t>& Bytes, FBinaryLayerInfo& Out, std::string& OutError)
	{
		// 8-byte magic, 8 version bytes (major, minor, patch), then the table of contents' offset:
		// a count followed by 32-byte records (16-byte name, start, size).
		if (Bytes.size() < 24 || DetectLayerFormat(Bytes.data(), Bytes.size()) != ELayerFormat::Binary)
		{
			OutError = "not a binary USD layer";
			return false;
		}
		Out.Major = Bytes[8];
		Out.Minor = Bytes[9];
		Out.Patch = Bytes[10];
		const uint64_t Toc = ReadU64(&Bytes[16]);
		if (Toc > Bytes.size() || Bytes.size() - Toc < 8)
		{
			OutError = "table of contents out of range";
			return false;
		}
		const uint64_t Count = ReadU64(&Bytes[Toc]);
		if (Count > (Bytes.size() - Toc - 8) / 32)
		{
			OutError = "table of contents out of range";
			return false;
		}
		for (uint64_t I = 0; I < Count; ++I)
		{
			const uint8_t* Record = &Bytes[Toc + 8 + I * 32];
			const uint64_t Start = ReadU64(Record + 16);
			const uint64_t Size = ReadU64(Record + 24);
			if (Start > Bytes.size() || Size > Bytes.size() - Start)
			{
				OutError = "section out of range";
				return false;
			}
			Out.Sections.emplace_back(reinterpret_cast<const char*>(Record), strnlen(reinterpret_cast<const char*>(Record), 16));
		}
		return true;
	}

	FUsdzPackage::~FUsdzPackage()
	{
		if (Archive)
		{
			zip_discard(Archive);
		}
	}

	bool FUsdzPackage::Open(const std::string& File, std::string& OutError)
	{
		int Error = 0;
		Archive = zip_open(File.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &Error);
		if (!Archive)
		{
			zip_error_t ZipError;
			zip_error_init_with_code(&ZipError, Error);
			OutError = zip_error_strerror(&ZipError);
			zip_error_fini(&ZipError);
			return false;
		}
		const zip_int64_t Count = zip_get_num_entries(Archive, 0);
		for (zip_int64_t I = 0; I < Count; ++I)
		{
			zip_stat_t Stat;
			zip_stat_init(&Stat);
			if (zip_stat_index(Archive, zip_uint64_t(I), 0, &Stat) != 0 || !(Stat.valid & ZIP_STAT_NAME))
			{
				continue;
			}
			std::string Name = Stat.name;
			if (!Name.empty() && Name.back() == '/')
			{
				continue; // folder entry
			}
			if (!IsSafeRelativePath(Name))
			{
				Refused.push_back(Name);
				continue;
			}
			Entries.push_back({ Name, (Stat.valid & ZIP_STAT_SIZE) ? uint64_t(Stat.size) : 0, I });
		}
		return true;
	}

	bool FUsdzPackage::ReadEntry(const FPackageEntry& Entry, std::vector<uint8_t>& OutBytes, std::string& OutError) const
	{
		OutBytes.clear();
		if (!Archive)
		{
			OutError = "package not open";
			return false;
		}
		if (Entry.Size > MaxEntrySize)
		{
			OutError = "entry larger than " + std::to_string(MaxEntrySize) + " bytes";
			return false;
		}
		zip_file_t* File = zip_fopen_index(Archive, zip_uint64_t(Entry.Index), 0);
		if (!File)
		{
			OutError = zip_strerror(Archive);
			return false;
		}
		// Read as the data comes rather than trusting the recorded size for one allocation: a damaged
		// header cannot make us reserve memory the entry does not fill.
		constexpr size_t Chunk = 1 << 20;
		OutBytes.reserve(size_t(std::min<uint64_t>(Entry.Size, 16 * Chunk)));
		bool bOk = true;
		for (;;)
		{
			const size_t Have = OutBytes.size();
			OutBytes.resize(Have + Chunk);
			const zip_int64_t Read = zip_fread(File, OutBytes.data() + Have, Chunk);
			if (Read < 0)
			{
				const zip_error_t* Error = zip_file_get_error(File);
				OutError = zip_error_strerror(const_cast<zip_error_t*>(Error));
				bOk = false;
				break;
			}
			OutBytes.resize(Have + size_t(Read));
			if (OutBytes.size() > Entry.Size)
			{
				OutError = "entry longer than its header says";
				bOk = false;
				break;
			}
			if (Read == 0)
			{
				break;
			}
		}
		if (bOk && OutBytes.size() != Entry.Size)
		{
			OutError = "entry shorter than its header says";
			bOk = false;
		}
		if (!bOk)
		{
			OutBytes.clear();
		}
		zip_fclose(File);
		return bOk;
	}
}
