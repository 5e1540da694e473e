// libFuzzer harness over the ZIP reader: the whole walk runs on the input as an archive held in
// memory; every piece handed to the sink is read back by instrumented code, so a range handed out
// past the input shows up under AddressSanitizer, and the sink checks the order of its calls.
#include "MOLDARIZipReader.h"

#include "HeadlessEditorHost.h"

#include <cstddef>
#include <cstdint>

namespace
{
	void Expect(bool bHolds)
	{
		if (!bHolds)
		{
			__builtin_trap();   // the reader broke the sink's order of calls
		}
	}

	// Reads every byte, so a range past the input shows up under AddressSanitizer.
	uint32 Sum(const uint8* Data, int64 Num)
	{
		uint32 Total = 0;
		for (int64 Index = 0; Index < Num; ++Index)
		{
			Total += Data[Index];
		}
		return Total;
	}

	class FReadBackSink : public MOLDARIZip::IEntrySink
	{
	public:
		virtual bool WriteEntry(const FString& TargetPath, const uint8* Data, int64 Num) override
		{
			Expect(!bOpen && Num >= 0 && Num <= FMath::Max(MOLDARIZip::InputPieceBytes, MOLDARIZip::OutputPieceBytes));
			Checksum ^= Sum(Data, Num) + static_cast<uint32>(TargetPath.Len());
			return (Num & 0xff) != 0x5a;   // now and then a write "fails", as a full disk would
		}
		virtual bool BeginEntry(const FString& TargetPath) override
		{
			Expect(!bOpen);   // one entry at a time
			Checksum ^= static_cast<uint32>(TargetPath.Len());
			Written = 0;
			bOpen = (TargetPath.Len() & 0x1f) != 0x11;   // now and then a file cannot be made
			return bOpen;
		}
		virtual bool WritePiece(const uint8* Data, int64 Num) override
		{
			Expect(bOpen && Num > 0 && Num <= FMath::Max(MOLDARIZip::InputPieceBytes, MOLDARIZip::OutputPieceBytes));
			Checksum ^= Sum(Data, Num);
			Written += Num;
			return (Written & 0xff) != 0x5a;   // now and then a write "fails", as a full disk would
		}
		virtual bool FinishEntry() override
		{
			Expect(bOpen);
			bOpen = false;
			return true;
		}
		virtual void AbandonEntry() override
		{
			Expect(bOpen);
			bOpen = false;
		}
		uint32 Checksum = 0;
		int64 Written = 0;
		bool bOpen = false;
	};
}

extern "C" int LLVMFuzzerInitialize(int* Argc, char*** Argv)
{
	UE::HeadlessEditor::SetLogToStdout(false);
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
	MOLDARIZip::FExtractLimits Limits;
	Limits.MaxEntryBytes = 16 << 20;   // keeps one run's memory small; the caps are tested apart
	Limits.MaxTotalBytes = 64 << 20;

	FReadBackSink Sink;
	MOLDARIZip::FExtractReport Report;
	MOLDARIZip::ExtractFromMemory(Data, static_cast<int64>(Size), TEXT("/fuzz/Saved/Temp/MOLDARI/Extract_-17"), Sink, Report, Limits);

	for (const MOLDARIZip::FEntryReport& Entry : Report.Entries)
	{
		if (Entry.Outcome == MOLDARIZip::EEntryOutcome::Written && !Entry.TargetPath.StartsWith(TEXT("/fuzz/Saved/Temp/MOLDARI/Extract_-17/")))
		{
			__builtin_trap();   // a written entry outside the extraction folder
		}
	}
	return 0;
}
