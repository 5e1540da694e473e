// The package file: summary (readable alone), tables, properties, bulk data, end check.
// See PackageFormat.md beside this file.
#include "PackageFile.h"

#include "UObject/Class.h"
#include "UObject/PropertyArchive.h"
#include "UObject/UObjectGlobals.h"
#include "Misc/FileHelper.h"
#include "Misc/PackageName.h"
#include "Misc/Paths.h"
#include "HAL/FileManager.h"

#include "ObjectTable.h"
#include "UObjectHost.h"
#include "HeadlessString.h"

#include <cstring>
#include <fstream>
#include <set>
#include <unordered_map>
#include <zlib.h>

DEFINE_LOG_CATEGORY(LogLinker);

using namespace UE::CoreUObject::Private;

namespace
{
	// Property value types in the file.
	enum class EPropType : uint8
	{
		Bool = 1, Byte = 2, Int32 = 3, UInt32 = 4, Int64 = 5, Float = 6, Double = 7, String = 8, Name = 9, Object = 10,
		ByteArray = 11, Int32Array = 12, UInt32Array = 13, FloatArray = 14, StringArray = 15, NameArray = 16, ObjectArray = 17,
	};

	// Limits that keep a damaged file from asking for absurd amounts of memory.
	constexpr uint32 MaxStringBytes = 1u << 20;
	constexpr uint32 MaxCount = 1u << 24;

	// --- Writing ------------------------------------------------------------------------------------

	class FByteWriter
	{
	public:
		TArray<uint8> Bytes;

		void Raw(const void* Data, size_t Size)
		{
			if (Size == 0) { return; }
			const uint8* P = static_cast<const uint8*>(Data);
			Bytes.Append(P, static_cast<int32>(Size));
		}
		void U8(uint8 V) { Raw(&V, 1); }
		void U32(uint32 V) { uint8 B[4] = { uint8(V), uint8(V >> 8), uint8(V >> 16), uint8(V >> 24) }; Raw(B, 4); }
		void I32(int32 V) { U32(static_cast<uint32>(V)); }
		void U64(uint64 V) { U32(static_cast<uint32>(V)); U32(static_cast<uint32>(V >> 32)); }
		void F32(float V) { uint32 U; std::memcpy(&U, &V, 4); U32(U); }
		void F64(double V) { uint64 U; std::memcpy(&U, &V, 8); U64(U); }
		void Str(const FString& S) { const std::string Utf8 = UE::HeadlessEditor::ToUtf8(S); U32(static_cast<uint32>(Utf8.size())); Raw(Utf8.data(), Utf8.size()); }
		void PatchU32(int32 At, uint32 V) { for (int I = 0; I < 4; ++I) { Bytes[At + I] = uint8(V >> (8 * I)); } }
		void PatchU64(int32 At, uint64 V) { for (int I = 0; I < 8; ++I) { Bytes[At + I] = uint8(V >> (8 * I)); } }
	};

	struct FImportEntry
	{
		FString PackageName;
		FString ObjectPath;   // inside the package: "Asset" or "Asset:Sub"
		FString ClassPath;
	};

	class FPropertyWriter final : public FPropertyArchive
	{
	public:
		FPropertyWriter(const std::unordered_map<const UObject*, int32>& InExports, TArray<FImportEntry>& InImports, TArray<TArray<uint8>>& InBulk, const UPackage* InPackage)
			: FPropertyArchive(false), Exports(InExports), Imports(InImports), Bulk(InBulk), Package(InPackage) {}

		FByteWriter Out;
		uint32 Count = 0;
		std::set<std::u16string> Seen;

		void Property(const TCHAR* Name, bool& V) override { if (Head(Name, EPropType::Bool)) { Out.U8(V ? 1 : 0); } }
		void Property(const TCHAR* Name, uint8& V) override { if (Head(Name, EPropType::Byte)) { Out.U8(V); } }
		void Property(const TCHAR* Name, int32& V) override { if (Head(Name, EPropType::Int32)) { Out.I32(V); } }
		void Property(const TCHAR* Name, uint32& V) override { if (Head(Name, EPropType::UInt32)) { Out.U32(V); } }
		void Property(const TCHAR* Name, int64& V) override { if (Head(Name, EPropType::Int64)) { Out.U64(static_cast<uint64>(V)); } }
		void Property(const TCHAR* Name, float& V) override { if (Head(Name, EPropType::Float)) { Out.F32(V); } }
		void Property(const TCHAR* Name, double& V) override { if (Head(Name, EPropType::Double)) { Out.F64(V); } }
		void Property(const TCHAR* Name, FString& V) override { if (Head(Name, EPropType::String)) { Out.Str(V); } }
		void Property(const TCHAR* Name, FName& V) override { if (Head(Name, EPropType::Name)) { Out.Str(V.IsNone() ? FString() : V.ToString()); } }
		void Property(const TCHAR* Name, UObject*& V) override { if (Head(Name, EPropType::Object)) { Out.I32(Ref(V, Name)); } }
		void Property(const TCHAR* Name, TArray<uint8>& V) override { BulkArray(Name, EPropType::ByteArray, V.GetData(), V.Num(), 1); }
		void Property(const TCHAR* Name, TArray<int32>& V) override { BulkArray(Name, EPropType::Int32Array, V.GetData(), V.Num(), 4); }
		void Property(const TCHAR* Name, TArray<uint32>& V) override { BulkArray(Name, EPropType::UInt32Array, V.GetData(), V.Num(), 4); }
		void Property(const TCHAR* Name, TArray<float>& V) override { BulkArray(Name, EPropType::FloatArray, V.GetData(), V.Num(), 4); }
		void Property(const TCHAR* Name, TArray<FString>& V) override
		{
			if (!Head(Name, EPropType::StringArray)) { return; }
			Out.U32(static_cast<uint32>(V.Num()));
			for (const FString& S : V) { Out.Str(S); }
		}
		void Property(const TCHAR* Name, TArray<FName>& V) override
		{
			if (!Head(Name, EPropType::NameArray)) { return; }
			Out.U32(static_cast<uint32>(V.Num()));
			for (const FName& N : V) { Out.Str(N.IsNone() ? FString() : N.ToString()); }
		}
		void Property(const TCHAR* Name, TArray<UObject*>& V) override
		{
			if (!Head(Name, EPropType::ObjectArray)) { return; }
			Out.U32(static_cast<uint32>(V.Num()));
			for (UObject* O : V) { Out.I32(Ref(O, Name)); }
		}

	private:
		bool Head(const TCHAR* Name, EPropType Type)
		{
			if (!Seen.insert(UE::HeadlessEditor::GetStdString(FString(Name).ToLower())).second)
			{
				UE_LOG(LogSavePackage, Warning, TEXT("Property '%s' is written twice by one object in %s; the second is left out"), Name, *Package->GetName());
				return false;
			}
			++Count;
			Out.Str(FString(Name));
			Out.U8(static_cast<uint8>(Type));
			return true;
		}
		void BulkArray(const TCHAR* Name, EPropType Type, const void* Data, int32 Num, int32 ElementSize)
		{
			if (!Head(Name, Type)) { return; }
			TArray<uint8> Block;
			Block.SetNumUninitialized(Num * ElementSize);
			// Little-endian on disk, as the hosts this runs on are.
			if (Num > 0) { std::memcpy(Block.GetData(), Data, static_cast<size_t>(Num) * static_cast<size_t>(ElementSize)); }
			Out.U32(static_cast<uint32>(Bulk.Num()));
			Bulk.Add(std::move(Block));
		}
		// 0 null, n > 0 export n - 1, n < 0 import -n - 1.
		int32 Ref(UObject* Object, const TCHAR* Name)
		{
			if (!Object || !IsValid(Object)) { return 0; }
			auto Found = Exports.find(Object);
			if (Found != Exports.end()) { return Found->second + 1; }
			UPackage* Other = Object->GetOutermost();
			if (!Other || Other == GetTransientPackage() || Object->HasAnyFlags(RF_Transient) || Other == Package)
			{
				UE_LOG(LogSavePackage, Warning, TEXT("%s: property '%s' refers to %s, which is not saved; it is saved as null"),
					*Package->GetName(), Name, *Object->GetPathName());
				return 0;
			}
			FImportEntry Entry{ Other->GetName(), Object->GetPathName(Other), Object->GetClass()->GetClassPathName().ToString() };
			for (int32 I = 0; I < Imports.Num(); ++I)
			{
				if (Imports[I].PackageName == Entry.PackageName && Imports[I].ObjectPath == Entry.ObjectPath) { return -(I + 1); }
			}
			Imports.Add(Entry);
			return -Imports.Num();
		}

		const std::unordered_map<const UObject*, int32>& Exports;
		TArray<FImportEntry>& Imports;
		TArray<TArray<uint8>>& Bulk;
		const UPackage* Package;
	};

	// --- Reading ------------------------------------------------------------------------------------

	class FByteReader
	{
	public:
		FByteReader(const uint8* InData, uint64 InSize) : Data(InData), Size(InSize) {}

		bool bError = false;
		uint64 Pos = 0;

		bool Raw(void* Out, uint64 Count)
		{
			if (bError || Count > Size - Pos) { bError = true; return false; }
			if (Count > 0) { std::memcpy(Out, Data + Pos, static_cast<size_t>(Count)); }
			Pos += Count;
			return true;
		}
		uint8 U8() { uint8 V = 0; Raw(&V, 1); return V; }
		uint32 U32() { uint8 B[4] = {}; Raw(B, 4); return uint32(B[0]) | (uint32(B[1]) << 8) | (uint32(B[2]) << 16) | (uint32(B[3]) << 24); }
		int32 I32() { return static_cast<int32>(U32()); }
		uint64 U64() { const uint64 Lo = U32(); const uint64 Hi = U32(); return Lo | (Hi << 32); }
		float F32() { const uint32 U = U32(); float V; std::memcpy(&V, &U, 4); return V; }
		double F64() { const uint64 U = U64(); double V; std::memcpy(&V, &U, 8); return V; }
		FString Str()
		{
			const uint32 Len = U32();
			if (bError || Len > MaxStringBytes || Len > Size - Pos) { bError = true; return FString(); }
			FString S = UE::HeadlessEditor::FromUtf8(reinterpret_cast<const char*>(Data + Pos), Len);
			Pos += Len;
			return S;
		}
		// A count of items of at least MinItemBytes each that can still fit in the data.
		uint32 Count(uint32 MinItemBytes)
		{
			const uint32 N = U32();
			if (bError || N > MaxCount || static_cast<uint64>(N) * MinItemBytes > Size - Pos) { bError = true; return 0; }
			return N;
		}
		uint64 Remaining() const { return Size - Pos; }

	private:
		const uint8* Data;
		uint64 Size;
	};

	struct FParsedValue
	{
		EPropType Type = EPropType::Bool;
		uint64 Scalar = 0;             // bool, byte, ints, float/double bits, bulk index, object ref
		FString Text;                  // string, name
		TArray<FString> Texts;         // string/name arrays
		TArray<int32> Refs;            // object arrays
	};

	struct FParsedExport
	{
		FString Name;
		FString ClassPath;
		int32 OuterIndex = -1;         // -1: the package
		uint32 Flags = 0;
		std::unordered_map<std::u16string, FParsedValue> Properties;   // lower-cased name
	};

	struct FParsedPackage
	{
		FString PackageName;
		TArray<FImportEntry> Imports;
		TArray<FParsedExport> Exports;
		TArray<uint64> BulkOffsets;    // absolute in the file
		TArray<uint64> BulkSizes;
	};

	bool ReadSummary(FByteReader& R, UE::HeadlessEditor::FPackageFileSummary& Out, uint32& OutHeaderSize, FString& OutError)
	{
		uint8 Magic[8] = {};
		if (!R.Raw(Magic, 8) || std::memcmp(Magic, PackageFileMagic, 8) != 0)
		{
			OutError = TEXT("not a package file of this editor (unknown signature)");
			return false;
		}
		Out.FormatVersion = R.U32();
		if (R.bError) { OutError = TEXT("the file is truncated"); return false; }
		if (Out.FormatVersion == 0 || Out.FormatVersion > PackageFileVersion)
		{
			OutError = FString::Printf(TEXT("package format version %u is not supported (this editor reads up to %u)"), Out.FormatVersion, PackageFileVersion);
			return false;
		}
		OutHeaderSize = R.U32();
		Out.PackageName = R.Str();
		const uint32 NumAssets = R.Count(8);
		for (uint32 I = 0; I < NumAssets && !R.bError; ++I)
		{
			UE::HeadlessEditor::FPackageFileAsset Asset;
			Asset.AssetName = FName(R.Str());
			Asset.ClassPath = FTopLevelAssetPath(R.Str());
			Out.Assets.Add(Asset);
		}
		if (R.bError) { OutError = TEXT("the file is truncated or its summary is damaged"); return false; }
		if (R.Pos != OutHeaderSize) { OutError = TEXT("the summary's size does not match its contents"); return false; }
		return true;
	}

	bool ParseValue(FByteReader& R, EPropType Type, FParsedValue& V, uint32 NumBulk)
	{
		V.Type = Type;
		switch (Type)
		{
		case EPropType::Bool: case EPropType::Byte: V.Scalar = R.U8(); break;
		case EPropType::Int32: case EPropType::UInt32: case EPropType::Float: case EPropType::Object: V.Scalar = R.U32(); break;
		case EPropType::Int64: case EPropType::Double: V.Scalar = R.U64(); break;
		case EPropType::String: case EPropType::Name: V.Text = R.Str(); break;
		case EPropType::ByteArray: case EPropType::Int32Array: case EPropType::UInt32Array: case EPropType::FloatArray:
			V.Scalar = R.U32();
			if (V.Scalar >= NumBulk) { return false; }
			break;
		case EPropType::StringArray: case EPropType::NameArray:
		{
			const uint32 N = R.Count(4);
			for (uint32 I = 0; I < N && !R.bError; ++I) { V.Texts.Add(R.Str()); }
			break;
		}
		case EPropType::ObjectArray:
		{
			const uint32 N = R.Count(4);
			for (uint32 I = 0; I < N && !R.bError; ++I) { V.Refs.Add(R.I32()); }
			break;
		}
		default: return false;
		}
		return !R.bError;
	}

	bool ParsePackage(const TArray<uint8>& File, FParsedPackage& Out, FString& OutError)
	{
		const uint64 Size = static_cast<uint64>(File.Num());
		FByteReader R(File.GetData(), Size);
		UE::HeadlessEditor::FPackageFileSummary Summary;
		uint32 HeaderSize = 0;
		if (!ReadSummary(R, Summary, HeaderSize, OutError)) { return false; }
		Out.PackageName = Summary.PackageName;

		// The end record: magic and the file's CRC-32 of everything before it. A truncated or
		// altered file fails here before anything else is believed.
		if (Size < HeaderSize + 8) { OutError = TEXT("the file is truncated"); return false; }
		const uint8* End = File.GetData() + Size - 8;
		if (std::memcmp(End, PackageFileEndMagic, 4) != 0) { OutError = TEXT("the file is truncated (no end record)"); return false; }
		const uint32 StoredCrc = uint32(End[4]) | (uint32(End[5]) << 8) | (uint32(End[6]) << 16) | (uint32(End[7]) << 24);
		const uint32 Crc = static_cast<uint32>(crc32(0L, File.GetData(), static_cast<uInt>(Size - 8)));
		if (Crc != StoredCrc) { OutError = TEXT("the file is damaged (checksum mismatch)"); return false; }
		FByteReader Body(File.GetData(), Size - 8);
		Body.Pos = HeaderSize;

		const uint32 NumImports = Body.Count(12);
		for (uint32 I = 0; I < NumImports && !Body.bError; ++I)
		{
			FImportEntry Entry;
			Entry.PackageName = Body.Str();
			Entry.ObjectPath = Body.Str();
			Entry.ClassPath = Body.Str();
			Out.Imports.Add(Entry);
		}
		const uint64 BulkStart = Body.U64();
		const uint32 NumBulk = Body.Count(16);
		for (uint32 I = 0; I < NumBulk && !Body.bError; ++I)
		{
			const uint64 Offset = Body.U64();
			const uint64 BlockSize = Body.U64();
			if (BulkStart > Size - 8 || Offset > Size - 8 - BulkStart || BlockSize > Size - 8 - BulkStart - Offset) { OutError = TEXT("a bulk data block lies outside the file"); return false; }
			Out.BulkOffsets.Add(BulkStart + Offset);
			Out.BulkSizes.Add(BlockSize);
		}
		const uint32 NumExports = Body.Count(16);
		for (uint32 I = 0; I < NumExports && !Body.bError; ++I)
		{
			FParsedExport Export;
			Export.Name = Body.Str();
			Export.ClassPath = Body.Str();
			Export.OuterIndex = Body.I32();
			Export.Flags = Body.U32();
			if (Body.bError) { break; }
			if (Export.Name.IsEmpty() || Export.OuterIndex < -1 || Export.OuterIndex >= static_cast<int32>(I))
			{
				OutError = FString::Printf(TEXT("object %u has an invalid name or outer"), I);
				return false;
			}
			const uint32 NumProps = Body.Count(6);
			for (uint32 P = 0; P < NumProps && !Body.bError; ++P)
			{
				const FString PropName = Body.Str();
				const EPropType Type = static_cast<EPropType>(Body.U8());
				FParsedValue Value;
				if (Body.bError || !ParseValue(Body, Type, Value, NumBulk))
				{
					OutError = FString::Printf(TEXT("property '%s' of object %s is damaged"), *PropName, *Export.Name);
					return false;
				}
				Export.Properties[UE::HeadlessEditor::GetStdString(PropName.ToLower())] = std::move(Value);
			}
			Out.Exports.Add(std::move(Export));
		}
		if (Body.bError) { OutError = TEXT("the file is truncated or its tables are damaged"); return false; }
		// Every object reference must name an entry that exists.
		const int32 NumEx = Out.Exports.Num();
		const int32 NumIm = Out.Imports.Num();
		auto RefOk = [NumEx, NumIm](int32 Ref) { return Ref == 0 || (Ref > 0 && Ref <= NumEx) || (Ref < 0 && Ref >= -NumIm); };
		for (const FParsedExport& Export : Out.Exports)
		{
			for (const auto& Pair : Export.Properties)
			{
				const FParsedValue& V = Pair.second;
				if (V.Type == EPropType::Object && !RefOk(static_cast<int32>(static_cast<uint32>(V.Scalar)))) { OutError = TEXT("an object reference is out of range"); return false; }
				for (int32 Ref : V.Refs) { if (!RefOk(Ref)) { OutError = TEXT("an object reference is out of range"); return false; } }
			}
		}
		return true;
	}

	class FPropertyReader final : public FPropertyArchive
	{
	public:
		FPropertyReader(const FParsedExport& InExport, const TArray<UObject*>& InObjects, const TArray<UObject*>& InImports, const FParsedPackage& InParsed, const TArray<uint8>& InFile)
			: FPropertyArchive(true), Export(InExport), Objects(InObjects), Imports(InImports), Parsed(InParsed), File(InFile) {}

		void Property(const TCHAR* Name, bool& V) override { if (const FParsedValue* P = Find(Name, EPropType::Bool)) { V = P->Scalar != 0; } }
		void Property(const TCHAR* Name, uint8& V) override { if (const FParsedValue* P = Find(Name, EPropType::Byte)) { V = static_cast<uint8>(P->Scalar); } }
		void Property(const TCHAR* Name, int32& V) override { if (const FParsedValue* P = Find(Name, EPropType::Int32)) { V = static_cast<int32>(static_cast<uint32>(P->Scalar)); } }
		void Property(const TCHAR* Name, uint32& V) override { if (const FParsedValue* P = Find(Name, EPropType::UInt32)) { V = static_cast<uint32>(P->Scalar); } }
		void Property(const TCHAR* Name, int64& V) override { if (const FParsedValue* P = Find(Name, EPropType::Int64)) { V = static_cast<int64>(P->Scalar); } }
		void Property(const TCHAR* Name, float& V) override { if (const FParsedValue* P = Find(Name, EPropType::Float)) { const uint32 U = static_cast<uint32>(P->Scalar); std::memcpy(&V, &U, 4); } }
		void Property(const TCHAR* Name, double& V) override { if (const FParsedValue* P = Find(Name, EPropType::Double)) { std::memcpy(&V, &P->Scalar, 8); } }
		void Property(const TCHAR* Name, FString& V) override { if (const FParsedValue* P = Find(Name, EPropType::String)) { V = P->Text; } }
		void Property(const TCHAR* Name, FName& V) override { if (const FParsedValue* P = Find(Name, EPropType::Name)) { V = P->Text.IsEmpty() ? FName() : FName(P->Text); } }
		void Property(const TCHAR* Name, UObject*& V) override { if (const FParsedValue* P = Find(Name, EPropType::Object)) { V = Resolve(static_cast<int32>(static_cast<uint32>(P->Scalar))); } }
		void Property(const TCHAR* Name, TArray<uint8>& V) override { ReadBulk(Name, EPropType::ByteArray, V); }
		void Property(const TCHAR* Name, TArray<int32>& V) override { ReadBulk(Name, EPropType::Int32Array, V); }
		void Property(const TCHAR* Name, TArray<uint32>& V) override { ReadBulk(Name, EPropType::UInt32Array, V); }
		void Property(const TCHAR* Name, TArray<float>& V) override { ReadBulk(Name, EPropType::FloatArray, V); }
		void Property(const TCHAR* Name, TArray<FString>& V) override { if (const FParsedValue* P = Find(Name, EPropType::StringArray)) { V = P->Texts; } }
		void Property(const TCHAR* Name, TArray<FName>& V) override
		{
			if (const FParsedValue* P = Find(Name, EPropType::NameArray))
			{
				V.Reset();
				for (const FString& S : P->Texts) { V.Add(S.IsEmpty() ? FName() : FName(S)); }
			}
		}
		void Property(const TCHAR* Name, TArray<UObject*>& V) override
		{
			if (const FParsedValue* P = Find(Name, EPropType::ObjectArray))
			{
				V.Reset();
				for (int32 Ref : P->Refs) { V.Add(Resolve(Ref)); }
			}
		}

	private:
		const FParsedValue* Find(const TCHAR* Name, EPropType Type)
		{
			auto Found = Export.Properties.find(UE::HeadlessEditor::GetStdString(FString(Name).ToLower()));
			if (Found == Export.Properties.end()) { return nullptr; }
			if (Found->second.Type != Type)
			{
				UE_LOG(LogLinker, Warning, TEXT("%s: property '%s' of %s has another type in the file; the default is kept"), *Parsed.PackageName, Name, *Export.Name);
				return nullptr;
			}
			return &Found->second;
		}
		template <typename T>
		void ReadBulk(const TCHAR* Name, EPropType Type, TArray<T>& V)
		{
			const FParsedValue* P = Find(Name, Type);
			if (!P) { return; }
			const uint64 Offset = Parsed.BulkOffsets[static_cast<int32>(P->Scalar)];
			const uint64 Size = Parsed.BulkSizes[static_cast<int32>(P->Scalar)];
			V.SetNumUninitialized(static_cast<int32>(Size / sizeof(T)));
			if (V.Num() > 0) { std::memcpy(V.GetData(), File.GetData() + Offset, static_cast<size_t>(V.Num()) * sizeof(T)); }
		}
		UObject* Resolve(int32 Ref) const
		{
			if (Ref > 0) { return Objects[Ref - 1]; }
			if (Ref < 0) { return Imports[-Ref - 1]; }
			return nullptr;
		}

		const FParsedExport& Export;
		const TArray<UObject*>& Objects;
		const TArray<UObject*>& Imports;
		const FParsedPackage& Parsed;
		const TArray<uint8>& File;
	};

	// Packages being loaded now: an import cycle finds the objects already made instead of looping.
	std::set<std::u16string>& PackagesLoading()
	{
		static std::set<std::u16string> Set;
		return Set;
	}
}

namespace UE::CoreUObject::Private
{
	bool WritePackageFile(UPackage* Package, const FString& Filename, FString& OutError, int64& OutFileSize)
	{
		// Outers come before their inner objects; transient objects (and what is in them) stay out.
		TArray<UObject*> Objects;
		for (UObject* Object : UE::HeadlessEditor::GetObjectsWithOuter(Package, true))
		{
			bool bTransient = false;
			for (const UObject* O = Object; O && O != Package; O = O->GetOuter()) { bTransient |= O->HasAnyFlags(RF_Transient); }
			if (!bTransient) { Objects.Add(Object); }
		}
		std::unordered_map<const UObject*, int32> ExportIndex;
		for (int32 I = 0; I < Objects.Num(); ++I) { ExportIndex[Objects[I]] = I; }

		TArray<FImportEntry> Imports;
		TArray<TArray<uint8>> Bulk;
		TArray<TArray<uint8>> PropertyBlocks;
		TArray<uint32> PropertyCounts;
		for (UObject* Object : Objects)
		{
			FPropertyWriter Writer(ExportIndex, Imports, Bulk, Package);
			FObjectTableAccess::SerializeProperties(Object, Writer);
			PropertyBlocks.Add(std::move(Writer.Out.Bytes));
			PropertyCounts.Add(Writer.Count);
		}

		FByteWriter W;
		W.Raw(PackageFileMagic, 8);
		W.U32(PackageFileVersion);
		const int32 HeaderSizeAt = W.Bytes.Num();
		W.U32(0);
		W.Str(Package->GetName());
		TArray<UObject*> TopLevel;
		for (UObject* Object : Objects) { if (Object->GetOuter() == Package) { TopLevel.Add(Object); } }
		W.U32(static_cast<uint32>(TopLevel.Num()));
		for (UObject* Object : TopLevel)
		{
			W.Str(Object->GetName());
			W.Str(Object->GetClass()->GetClassPathName().ToString());
		}
		W.PatchU32(HeaderSizeAt, static_cast<uint32>(W.Bytes.Num()));

		W.U32(static_cast<uint32>(Imports.Num()));
		for (const FImportEntry& Entry : Imports) { W.Str(Entry.PackageName); W.Str(Entry.ObjectPath); W.Str(Entry.ClassPath); }
		const int32 BulkStartAt = W.Bytes.Num();
		W.U64(0);
		W.U32(static_cast<uint32>(Bulk.Num()));
		uint64 BulkOffset = 0;
		for (const TArray<uint8>& Block : Bulk)
		{
			W.U64(BulkOffset);
			W.U64(static_cast<uint64>(Block.Num()));
			BulkOffset += static_cast<uint64>(Block.Num());
		}
		W.U32(static_cast<uint32>(Objects.Num()));
		for (int32 I = 0; I < Objects.Num(); ++I)
		{
			UObject* Object = Objects[I];
			W.Str(Object->GetName());
			W.Str(Object->GetClass()->GetClassPathName().ToString());
			W.I32(Object->GetOuter() == Package ? -1 : ExportIndex.at(Object->GetOuter()));
			W.U32(static_cast<uint32>(Object->GetFlags() & (RF_Public | RF_Standalone | RF_Transactional)));
			W.U32(PropertyCounts[I]);
			W.Raw(PropertyBlocks[I].GetData(), static_cast<size_t>(PropertyBlocks[I].Num()));
		}
		W.PatchU64(BulkStartAt, static_cast<uint64>(W.Bytes.Num()));
		for (const TArray<uint8>& Block : Bulk) { W.Raw(Block.GetData(), static_cast<size_t>(Block.Num())); }
		const uint32 Crc = static_cast<uint32>(crc32(0L, W.Bytes.GetData(), static_cast<uInt>(W.Bytes.Num())));
		W.Raw(PackageFileEndMagic, 4);
		W.U32(Crc);

		IFileManager::Get().MakeDirectory(*FPaths::GetPath(Filename), true);
		if (!FFileHelper::SaveArrayToFile(TArrayView64<const uint8>(W.Bytes.GetData(), W.Bytes.Num()), *Filename))
		{
			OutError = TEXT("the file could not be written");
			return false;
		}
		OutFileSize = W.Bytes.Num();
		return true;
	}

	UPackage* LoadPackageFile(UPackage* Package, const FString& LongPackageName, const FString& Filename, bool bQuiet)
	{
		const std::u16string Key = UE::HeadlessEditor::GetStdString(LongPackageName.ToLower());
		if (PackagesLoading().count(Key)) { return Package ? Package : UE::HeadlessEditor::FindPackage(LongPackageName); }

		TArray<uint8> File;
		if (!FFileHelper::LoadFileToArray(File, *Filename))
		{
			UE_CLOG(!bQuiet, LogLinker, Error, TEXT("Failed to load package %s: cannot read %s"), *LongPackageName, *Filename);
			return nullptr;
		}
		FParsedPackage Parsed;
		FString Error;
		if (!ParsePackage(File, Parsed, Error))
		{
			UE_CLOG(!bQuiet, LogLinker, Error, TEXT("Failed to load package %s from %s: %s"), *LongPackageName, *Filename, *Error);
			return nullptr;
		}
		if (!Parsed.PackageName.Equals(LongPackageName, ESearchCase::IgnoreCase))
		{
			UE_LOG(LogLinker, Warning, TEXT("%s holds package %s; it is loaded as %s"), *Filename, *Parsed.PackageName, *LongPackageName);
		}
		TArray<UClass*> ExportClasses;
		for (const FParsedExport& Export : Parsed.Exports)
		{
			UClass* Class = FindObject<UClass>(FTopLevelAssetPath(Export.ClassPath));
			if (!Class || Class->HasAnyClassFlags(CLASS_Abstract))
			{
				UE_CLOG(!bQuiet, LogLinker, Error, TEXT("Failed to load package %s from %s: object %s has unknown class %s"), *LongPackageName, *Filename, *Export.Name, *Export.ClassPath);
				return nullptr;
			}
			ExportClasses.Add(Class);
		}

		FScopedLoading Loading;
		PackagesLoading().insert(Key);
		if (!Package) { Package = CreatePackage(*LongPackageName); }
		if (!Package) { PackagesLoading().erase(Key); return nullptr; }
		TArray<UObject*> Objects;
		for (int32 I = 0; I < Parsed.Exports.Num(); ++I)
		{
			const FParsedExport& Export = Parsed.Exports[I];
			UObject* Outer = Export.OuterIndex < 0 ? static_cast<UObject*>(Package) : Objects[Export.OuterIndex];
			UObject* Object = Outer ? StaticNewObject(ExportClasses[I], Outer, FName(Export.Name), static_cast<EObjectFlags>(Export.Flags) | RF_WasLoaded) : nullptr;
			if (!Object) { UE_LOG(LogLinker, Error, TEXT("%s: object %s could not be made"), *LongPackageName, *Export.Name); }
			Objects.Add(Object);
		}
		TArray<UObject*> Imports;
		for (const FImportEntry& Entry : Parsed.Imports)
		{
			UClass* Class = FindObject<UClass>(FTopLevelAssetPath(Entry.ClassPath));
			UObject* Found = StaticLoadObject(Class ? Class : UObject::StaticClass(), nullptr, *(Entry.PackageName + TEXT(".") + Entry.ObjectPath));
			UE_CLOG(!Found, LogLinker, Warning, TEXT("%s: referenced object %s.%s could not be found; the reference is null"), *LongPackageName, *Entry.PackageName, *Entry.ObjectPath);
			Imports.Add(Found);
		}
		for (int32 I = 0; I < Objects.Num(); ++I)
		{
			if (!Objects[I]) { continue; }
			FPropertyReader Reader(Parsed.Exports[I], Objects, Imports, Parsed, File);
			FObjectTableAccess::SerializeProperties(Objects[I], Reader);
		}
		for (UObject* Object : Objects) { if (Object) { Object->PostLoad(); } }
		PackagesLoading().erase(Key);

		FObjectTableAccess::SetLoadedFilename(Package, Filename);
		Package->SetDirtyFlag(false);
		Package->MarkAsFullyLoaded();
		UE_LOG(LogLinker, Verbose, TEXT("Loaded package %s from %s"), *LongPackageName, *Filename);
		return Package;
	}
}

namespace UE::HeadlessEditor
{
	bool ReadPackageFileSummary(const FString& Filename, FPackageFileSummary& OutSummary, FString& OutError)
	{
		OutSummary = FPackageFileSummary();
		std::ifstream Stream(ToUtf8(Filename), std::ios::binary);
		if (!Stream)
		{
			OutError = TEXT("the file cannot be read");
			return false;
		}
		// The summary sits at the start and says its own size: read that much, not the whole file.
		uint8 Fixed[16] = {};
		Stream.read(reinterpret_cast<char*>(Fixed), sizeof(Fixed));
		const uint32 HeaderSizeField = uint32(Fixed[12]) | (uint32(Fixed[13]) << 8) | (uint32(Fixed[14]) << 16) | (uint32(Fixed[15]) << 24);
		const std::streamsize Got = Stream.gcount();
		TArray<uint8> Head(Fixed, static_cast<int32>(Got));
		if (Got == static_cast<std::streamsize>(sizeof(Fixed)) && HeaderSizeField > sizeof(Fixed) && HeaderSizeField <= MaxCount)
		{
			Head.SetNum(static_cast<int32>(HeaderSizeField));
			Stream.read(reinterpret_cast<char*>(Head.GetData() + sizeof(Fixed)), static_cast<std::streamsize>(HeaderSizeField - sizeof(Fixed)));
			Head.SetNum(static_cast<int32>(sizeof(Fixed) + Stream.gcount()));
		}
		FByteReader R(Head.GetData(), static_cast<uint64>(Head.Num()));
		uint32 HeaderSize = 0;
		return ReadSummary(R, OutSummary, HeaderSize, OutError);
	}
}
