// Not a test: whole imports of each test archive, one after the other, for
// Benchmarks/import/run_archive_bench.py, which splits them by step from the log's time stamps.
// Its name lies outside the MOLDARI filter so the test runs do not pay for it.
#include "MOLDARIImport.h"
#include "MOLDARIImportTestUtils.h"

#include "Misc/AutomationTest.h"

#if WITH_DEV_AUTOMATION_TESTS

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIImportBenchmark, "Benchmark.ImportArchive", EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter)
bool FMOLDARIImportBenchmark::RunTest(const FString& Parameters)
{
	using namespace MOLDARIImportTest;
	const TCHAR* const Archives[] = { TEXT("embedded_cube_stored"), TEXT("sausage_skinned_pbr_png"), TEXT("spider_static_multimaterial_jpeg") };
	const int32 Runs = 5;
	for (int32 Run = 0; Run < Runs; ++Run)
	{
		for (const TCHAR* Archive : Archives)
		{
			const FString Name = FString::Printf(TEXT("Bench_%s_%d"), Archive, Run);
			const FString Path = FPaths::ConvertRelativePathToFull(FPaths::ProjectSavedDir()) / TEXT("Temp/MOLDARI") / Name + TEXT(".zip");
			IFileManager::Get().Copy(*Path, *(TestDataDir() / TEXT("archives") / Archive + TEXT(".zip")));
			UE_LOG(LogTemp, Display, TEXT("Benchmark start: %s"), *Name);
			ImportArchive(Path, Name, TEXT("zip"));
		}
	}
	return true;
}

#endif
