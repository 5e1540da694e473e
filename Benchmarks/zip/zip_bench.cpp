// Extracts one archive into a folder with the plugin's ZIP reader, as the import does, so the
// benchmark can time it against other extractors as a process of its own.
//
//   moldari-zip-bench ARCHIVE OUTPUT_DIR
#include "MOLDARIZipReader.h"

#include "HAL/FileManager.h"
#include "HeadlessEditorHost.h"

#include <cstdio>

int main(int Argc, char** Argv)
{
	if (Argc != 3)
	{
		std::fprintf(stderr, "usage: %s ARCHIVE OUTPUT_DIR\n", Argv[0]);
		return 2;
	}
	UE::HeadlessEditor::SetLogToStdout(false);
	const FUTF8ToTCHAR Archive(Argv[1]);
	const FUTF8ToTCHAR Output(Argv[2]);
	const FString ExtractDir(Output.Length(), Output.Get());
	IFileManager::Get().MakeDirectory(*ExtractDir, true);

	MOLDARIZip::FExtractReport Report;
	const EZipExtractResult Result = MOLDARIZip::ExtractZipArchiveInto(FString(Archive.Length(), Archive.Get()), ExtractDir, Report);
	const int32 Written = Report.CountOf(MOLDARIZip::EEntryOutcome::Written);
	return Result == EZipExtractResult::Extracted && Written + Report.CountOf(MOLDARIZip::EEntryOutcome::Directory) == Report.Entries.Num() ? 0 : 1;
}
