// The hand-off when the module shuts down: imports still waiting for the main thread, and the
// archive worker's queue. (An archive that cannot be stored is Tests/Hostile/test_faults.py's.)
#include "Misc/AutomationTest.h"

#include "MOLDARIArchiveDownload.h"
#include "MOLDARIArchiveWorker.h"
#include "MOLDARIImport.h"
#include "MOLDARIImportJobs.h"

#include "Containers/Ticker.h"
#include "HAL/FileManager.h"
#include "HAL/PlatformProcess.h"
#include "HAL/PlatformTime.h"
#include "Misc/Paths.h"

#include <atomic>
#include <thread>

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	const EAutomationTestFlags MOLDARITestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;

	// Not a ZIP past its signature: an import that runs ends at once with the no-EOCD line.
	const TArray<uint8> JunkArchive({ 0x50, 0x4B, 0x03, 0x04, 'j', 'u', 'n', 'k' });
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIScheduledAtShutDownTest, "MOLDARI.Import.Download.ScheduledAtShutDown", MOLDARITestFlags)
bool FMOLDARIScheduledAtShutDownTest::RunTest(const FString& Parameters)
{
	const FString Waiting = StoreTempArchive(JunkArchive, TEXT("waiting"), TEXT("zip"));
	const FString Late = StoreTempArchive(JunkArchive, TEXT("late"), TEXT("zip"));
	const FString After = StoreTempArchive(JunkArchive, TEXT("after"), TEXT("zip"));
	TestFalse(TEXT("archives stored"), Waiting.IsEmpty() || Late.IsEmpty() || After.IsEmpty());

	// Shut-down while one import waits for its tick: it is reported and its archive removed, and
	// the tick that follows runs nothing.
	const int64 WaitingJob = MOLDARIJobs::AddJob(TEXT("waiting"), TEXT("zip"), TEXT("file:///waiting.zip"));
	ScheduleImport(Waiting, TEXT("waiting"), TEXT("zip"), WaitingJob);
	AddExpectedErrorPlain(TEXT("LogTemp: [MOLDARI] Import not run (editor shutting down): waiting"), EAutomationExpectedErrorFlags::Exact, 1);
	CancelScheduledImports();
	TestFalse(TEXT("waiting archive's folder removed"), FPaths::DirectoryExists(FPaths::GetPath(Waiting)));
	FTSTicker::GetCoreTicker().Tick(0.0f);

	// A download that completes after shut-down is refused the same way, at once.
	const int64 LateJob = MOLDARIJobs::AddJob(TEXT("late"), TEXT("zip"), TEXT("http://127.0.0.1/late.zip"));
	AddExpectedErrorPlain(TEXT("LogTemp: [MOLDARI] Import not run (editor shutting down): late"), EAutomationExpectedErrorFlags::Exact, 1);
	ScheduleImport(Late, TEXT("late"), TEXT("zip"), LateJob);
	TestFalse(TEXT("late archive's folder removed"), FPaths::DirectoryExists(FPaths::GetPath(Late)));
	FTSTicker::GetCoreTicker().Tick(0.0f);
	for (const int64 Id : { WaitingJob, LateJob })
	{
		const TOptional<MOLDARIJobs::FImportJob> Job = MOLDARIJobs::FindJob(Id);
		TestTrue(TEXT("the job never ran"), Job.IsSet() && Job->State == MOLDARIJobs::EJobState::NotRun && Job->Ended != FDateTime::MinValue());
	}

	// A module started again schedules as before: the import runs on the next tick.
	ReopenImportScheduling();
	ScheduleImport(After, TEXT("after"), TEXT("zip"));
	TestTrue(TEXT("nothing runs before the tick"), FPaths::FileExists(After));
	AddExpectedErrorPlain(TEXT("[MOLDARI] Invalid ZIP (no EOCD): "), EAutomationExpectedErrorFlags::Contains, 1);
	FTSTicker::GetCoreTicker().Tick(0.0f);
	TestFalse(TEXT("the import ran and removed its archive"), FPaths::FileExists(After));
	IFileManager::Get().DeleteDirectory(*FPaths::GetPath(After), false, true);
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIArchiveWorkerTest, "MOLDARI.Import.Download.ArchiveWorker", MOLDARITestFlags)
bool FMOLDARIArchiveWorkerTest::RunTest(const FString& Parameters)
{
	// Work runs off the game thread, in order.
	std::atomic<int32> Ran{ 0 };
	std::atomic<bool> bOffGameThread{ true };
	std::atomic<bool> bRelease{ false };
	std::atomic<int32> Dropped{ 0 };
	MOLDARIArchiveWorker::Enqueue([&]() { bOffGameThread = bOffGameThread && !IsInGameThread(); Ran = Ran * 10 + 1; }, nullptr);
	MOLDARIArchiveWorker::Enqueue([&]() { Ran = Ran * 10 + 2; while (!bRelease) { FPlatformProcess::Sleep(0.001f); } }, nullptr);
	// Queued behind the running one when the module shuts down: dropped, and said so.
	MOLDARIArchiveWorker::Enqueue([&]() { Ran = Ran * 10 + 3; }, [&]() { ++Dropped; });
	const double Deadline = FPlatformTime::Seconds() + 5.0;
	while (Ran != 12 && FPlatformTime::Seconds() < Deadline)
	{
		FPlatformProcess::Sleep(0.001f);
	}
	TestEqual(TEXT("in order, off the game thread"), Ran.load(), 12);
	TestTrue(TEXT("not on the game thread"), bOffGameThread.load());
	std::thread Releaser([&]() { FPlatformProcess::Sleep(0.2f); bRelease = true; });
	MOLDARIArchiveWorker::Stop(); // waits for the running work
	Releaser.join();
	TestEqual(TEXT("the running work ended, the waiting one never ran"), Ran.load(), 12);
	TestEqual(TEXT("the waiting one was dropped"), Dropped.load(), 1);
	TestFalse(TEXT("nothing is taken after shut-down"), MOLDARIArchiveWorker::Enqueue([&]() { ++Ran; }, nullptr));

	// A stored ZIP handed off then is not run, and its folder goes.
	const FString Late = StoreTempArchive(JunkArchive, TEXT("handed"), TEXT("zip"));
	const int64 Job = MOLDARIJobs::AddJob(TEXT("handed"), TEXT("zip"), TEXT("http://127.0.0.1/handed.zip"));
	AddExpectedErrorPlain(TEXT("LogTemp: [MOLDARI] Import not run (editor shutting down): handed"), EAutomationExpectedErrorFlags::Exact, 1);
	HandOffStoredArchive(Late, TEXT("handed"), TEXT("zip"), Job);
	TestFalse(TEXT("its folder removed"), FPaths::DirectoryExists(FPaths::GetPath(Late)));
	TestTrue(TEXT("its job never ran"), MOLDARIJobs::FindJob(Job)->State == MOLDARIJobs::EJobState::NotRun);
	MOLDARIArchiveWorker::Start();
	return true;
}

#endif
