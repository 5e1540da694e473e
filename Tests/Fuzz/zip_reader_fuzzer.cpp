// libFuzzer harness over the ZIP reader: the whole walk runs on the input as an archive held in
// memory; entries that pass every check are read back in full by instrumented code, so a range
// handed out past the input shows up under AddressSanitizer.
#include "MOLDARIZipReader.h"

#include "HeadlessEditorHost.h"

#include <cstddef>
#include <cstdint>

namespace
{
	class FReadBackSink : public MOLDARIZip::IEntrySink
	{
	public:
		virtual bool WriteEntry(const FString& TargetPath, const uint8* Data, int64 Num) override
		{
			uint32 Sum = 0;
			for (int64 Index = 0; Index < Num; ++Index)
			{
				Sum += Data[Index];
			}
			Checksum ^= Sum + static_cast<uint32>(TargetPath.Len());
			return (Num & 0xff) != 0x5a;   // now and then a write "fails", as a full disk would
		}
		uint32 Checksum = 0;
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
