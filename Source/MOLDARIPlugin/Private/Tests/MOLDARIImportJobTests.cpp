// Import jobs on the editor's side: the slow task's steps and the notification that ends a
// success and a failure, what a job keeps, and notifications asked for off the game thread.
#include "MOLDARIArchiveDownload.h"
#include "MOLDARIImport.h"
#include "MOLDARIImportJobs.h"
#include "MOLDARIImportNotifications.h"
#include "MOLDARIImportTestUtils.h"
#include "MOLDARIZipTestWriter.h"

#include "Containers/StringConv.h"
#include "Containers/Ticker.h"
#include "Dom/JsonObject.h"
#include "Serialization/JsonReader.h"
#include "Serialization/JsonSerializer.h"
#include "Framework/Notifications/NotificationManager.h"
#include "Misc/AutomationTest.h"
#include "Misc/ScopedSlowTask.h"
#include "Widgets/Notifications/SNotificationList.h"

#include <thread>

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	using namespace MOLDARIImportTest;
	using MOLDARIJobs::EImportStep;
	using MOLDARIJobs::EJobState;
	const EAutomationTestFlags JobTestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;

	// What the editor was shown while it lives for the imports of one name: each step with its
	// slow task's message and progress, and each notification with its link and completion state
	// (other tests' jobs may still end meanwhile).
	struct FShown
	{
		struct FStep
		{
			EImportStep Step;
			FString Message;
			float CompletedWork;
			float TotalWork;
		};
		struct FNotification
		{
			FString Text;
			FString LinkText;
			bool bHasLink;
			SNotificationItem::ECompletionState State;
			FSimpleDelegate Link;
		};
		TArray<FStep> Steps;
		TArray<FNotification> Notifications;
		FDelegateHandle StepHandle;
		FDelegateHandle NotifiedHandle;

		explicit FShown(const FString& Name)
		{
			StepHandle = MOLDARIImport::OnImportStep().AddLambda([this](const FScopedSlowTask& Task, EImportStep Step)
			{
				Steps.Add({ Step, Task.GetCurrentMessage().ToString(), Task.CompletedWork, Task.TotalAmountOfWork });
			});
			NotifiedHandle = MOLDARIJobs::OnImportNotified().AddLambda([this, Name](const FNotificationInfo& Info, const TSharedPtr<SNotificationItem>& Item)
			{
				const FString Text = Info.Text.Get().ToString();
				if (Text != TEXT("Imported ") + Name && !Text.StartsWith(TEXT("Import of ") + Name + TEXT(" failed: ")))
				{
					return;
				}
				Notifications.Add({ Info.Text.Get().ToString(), Info.HyperlinkText.Get().ToString(), Info.Hyperlink.IsBound(),
					Item.IsValid() ? Item->GetCompletionState() : SNotificationItem::CS_None, Info.Hyperlink });
			});
		}
		~FShown()
		{
			MOLDARIImport::OnImportStep().Remove(StepHandle);
			MOLDARIJobs::OnImportNotified().Remove(NotifiedHandle);
		}
	};

	// One import run as the ticker runs a queued job.
	MOLDARIJobs::FImportJob RunJob(const FString& Archive, const FString& Name)
	{
		const int64 Id = MOLDARIJobs::AddJob(Name, TEXT("zip"), TEXT("file://") + Archive);
		{
			MOLDARIJobs::FJobScope Scope(Id);
			ImportArchive(Archive, Name, TEXT("zip"));
		}
		return MOLDARIJobs::FindJob(Id).Get(MOLDARIJobs::FImportJob());
	}
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIJobSuccessTest, "MOLDARI.Import.Jobs.Success", JobTestFlags)
bool FMOLDARIJobSuccessTest::RunTest(const FString& Parameters)
{
	const FString Archive = StageArchive(TestDataDir() / TEXT("archives/embedded_cube_stored.zip"), TEXT("JobCube"));
	FShown Shown(TEXT("JobCube"));
	const MOLDARIJobs::FImportJob Job = RunJob(Archive, TEXT("JobCube"));

	// One frame of a five-frame slow task per stage of the main thread's part (the extraction
	// is not on it), in order, each with its message.
	const TArray<EImportStep> Expected = { EImportStep::ImportingModel, EImportStep::BuildingMaterial,
		EImportStep::Placing, EImportStep::CopyingSources, EImportStep::Saving };
	const TArray<FString> Messages = { TEXT("Importing the model"), TEXT("Building the material"),
		TEXT("Placing in the level"), TEXT("Copying the source files"), TEXT("Saving") };
	if (TestEqual(TEXT("one step per stage"), Shown.Steps.Num(), Expected.Num()))
	{
		for (int32 Index = 0; Index < Expected.Num(); ++Index)
		{
			TestTrue(FString::Printf(TEXT("step %d"), Index), Shown.Steps[Index].Step == Expected[Index]);
			TestEqualSensitive(FString::Printf(TEXT("message %d"), Index), Shown.Steps[Index].Message, Messages[Index]);
			TestEqual(FString::Printf(TEXT("work done before step %d"), Index), Shown.Steps[Index].CompletedWork, static_cast<float>(Index));
			TestEqual(TEXT("five frames"), Shown.Steps[Index].TotalWork, 5.0f);
		}
	}

	// What the job keeps of a success is followed through GET /imports by Tests/BlackBox/test_import_jobs.py.
	TestTrue(TEXT("done, no step left"), Job.State == EJobState::Done && Job.Step == EImportStep::None);

	// The success notification, with the link to the new assets.
	if (TestEqual(TEXT("one notification"), Shown.Notifications.Num(), 1))
	{
		const FShown::FNotification& Shown0 = Shown.Notifications[0];
		TestEqualSensitive(TEXT("success text"), Shown0.Text, FString(TEXT("Imported JobCube")));
		TestTrue(TEXT("link"), Shown0.bHasLink);
		TestEqualSensitive(TEXT("link text"), Shown0.LinkText, FString(TEXT("Show in Content Browser")));
		TestTrue(TEXT("success style"), Shown0.State == SNotificationItem::CS_Success);
		Shown0.Link.ExecuteIfBound(); // must not fail with the browser closed
	}
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIJobFailureTest, "MOLDARI.Import.Jobs.Failure", JobTestFlags)
bool FMOLDARIJobFailureTest::RunTest(const FString& Parameters)
{
	using namespace MOLDARIZipTest;
	// No model: the road ends in its first stage, and the job and the notification say why.
	{
		FZipTestWriter Writer;
		Writer.AddStored("metadata.json", Bytes("{}"));
		const FString Archive = StageBytes(Writer.Build(), TEXT("JobNoModel"));
		AddExpectedErrorPlain(TEXT("LogTemp: [MOLDARI] No .fbx found in ZIP"), EAutomationExpectedErrorFlags::Exact, 1);
		FShown Shown(TEXT("JobNoModel"));
		RunJob(Archive, TEXT("JobNoModel"));
		TestEqual(TEXT("no model: ends before the first stage"), Shown.Steps.Num(), 0);
		if (TestEqual(TEXT("no model: one notification"), Shown.Notifications.Num(), 1))
		{
			TestEqualSensitive(TEXT("failure text"), Shown.Notifications[0].Text, FString(TEXT("Import of JobNoModel failed: No .fbx found in ZIP")));
			TestFalse(TEXT("no link"), Shown.Notifications[0].bHasLink);
			TestTrue(TEXT("failed style"), Shown.Notifications[0].State == SNotificationItem::CS_Fail);
		}
	}
	// A model that makes no mesh: every stage runs and the log ends with its done line, yet the
	// job fails, and more warnings than a job keeps are counted.
	{
		FZipTestWriter Writer;
		Writer.AddStored("broken.fbx", Bytes("not an FBX file"));
		const FString Archive = StageBytes(Writer.Build(), TEXT("JobNoMesh"));
		FShown Shown(TEXT("JobNoMesh"));
		FLogCapture Log;
		const int64 Id = MOLDARIJobs::AddJob(TEXT("JobNoMesh"), TEXT("zip"), TEXT("file://") + Archive);
		{
			MOLDARIJobs::FJobScope Scope(Id);
			for (int32 Index = 0; Index < MOLDARIJobs::MaxWarnings + 5; ++Index)
			{
				UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] Skipping unsafe ZIP entry: %d"), Index);
			}
			ImportArchive(Archive, TEXT("JobNoMesh"), TEXT("zip"));
		}
		const MOLDARIJobs::FImportJob Job = MOLDARIJobs::FindJob(Id).Get(MOLDARIJobs::FImportJob());
		TestEqual(TEXT("no mesh: every stage"), Shown.Steps.Num(), 5);
		TestTrue(TEXT("no mesh: the done line"), Log.Contains(TEXT("[MOLDARI] Done: JobNoMesh")));
		TestEqual(TEXT("warnings kept"), Job.Warnings.Num(), MOLDARIJobs::MaxWarnings);
		TestEqualSensitive(TEXT("first warning"), Job.Warnings.Num() > 0 ? Job.Warnings[0] : FString(), FString(TEXT("Skipping unsafe ZIP entry: 0")));
		TestEqual(TEXT("warnings counted"), Job.MoreWarnings, 6); // five more, and the no-mesh warning
	}
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIJobEndsOffGameThreadTest, "MOLDARI.Import.Jobs.EndsOffGameThread", JobTestFlags)
bool FMOLDARIJobEndsOffGameThreadTest::RunTest(const FString& Parameters)
{
	// A download fails on the HTTP thread: the notification waits for the game thread's tick.
	FShown Shown(TEXT("JobOffThread"));
	FShown ShownLate(TEXT("JobLate"));
	const int64 Id = MOLDARIJobs::AddJob(TEXT("JobOffThread"), TEXT("zip"), TEXT("http://127.0.0.1:9/a.zip"));
	std::thread([Id]() { MOLDARIJobs::Fail(Id, TEXT("Download failed")); }).join();
	TestEqual(TEXT("nothing shown off the game thread"), Shown.Notifications.Num(), 0);
	FTSTicker::GetCoreTicker().Tick(0.0f);
	TestTrue(TEXT("shown at the tick"), Shown.Notifications.Num() == 1
		&& Shown.Notifications[0].Text == TEXT("Import of JobOffThread failed: Download failed"));
	// An ended job stays as it ended.
	MOLDARIJobs::Fail(Id, TEXT("Something else"));
	MOLDARIJobs::MarkNotRun(Id);
	const TOptional<MOLDARIJobs::FImportJob> Job = MOLDARIJobs::FindJob(Id);
	TestTrue(TEXT("first end kept"), Job.IsSet() && Job->State == EJobState::Failed && Job->Reason == TEXT("Download failed"));
	TestEqual(TEXT("one notification only"), Shown.Notifications.Num(), 1);

	// Shut-down drops a notification still waiting for its tick.
	const int64 Late = MOLDARIJobs::AddJob(TEXT("JobLate"), TEXT("zip"), TEXT("http://127.0.0.1:9/b.zip"));
	std::thread([Late]() { MOLDARIJobs::Fail(Late, TEXT("Download failed")); }).join();
	MOLDARIJobs::CancelPendingNotifications();
	FTSTicker::GetCoreTicker().Tick(0.0f);
	TestEqual(TEXT("dropped at shut-down"), ShownLate.Notifications.Num(), 0);
	return true;
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIJobDocumentTest, "MOLDARI.Import.Jobs.Document", JobTestFlags)
bool FMOLDARIJobDocumentTest::RunTest(const FString& Parameters)
{
	// The list's document is kept between changes: every change shows in the next one.
	const int64 Id = MOLDARIJobs::AddJob(TEXT("JobDocument"), TEXT("zip"), TEXT("http://127.0.0.1:9/d.zip"));
	auto Newest = [this]() -> TSharedPtr<FJsonObject>
	{
		TSharedPtr<FJsonObject> Document;
		const TArray<uint8> Utf8 = MOLDARIJobs::GetJobsDocumentUtf8();
		const FUTF8ToTCHAR Converted(reinterpret_cast<const ANSICHAR*>(Utf8.GetData()), Utf8.Num());
		const FString Text(Converted.Length(), Converted.Get());
		FJsonSerializer::Deserialize(TJsonReaderFactory<TCHAR>::Create(Text), Document);
		const TArray<TSharedPtr<FJsonValue>>* Jobs = nullptr;
		return Document.IsValid() && Document->TryGetArrayField(TEXT("jobs"), Jobs) && Jobs->Num() > 0 ? (*Jobs)[0]->AsObject() : nullptr;
	};
	TSharedPtr<FJsonObject> Job = Newest();
	if (!TestTrue(TEXT("newest first"), Job.IsValid() && Job->GetNumberField(TEXT("id")) == static_cast<double>(Id)))
	{
		return false;
	}
	TestEqualSensitive(TEXT("queued"), Job->GetStringField(TEXT("state")), FString(TEXT("queued")));
	TestTrue(TEXT("not started"), Job->HasTypedField<EJson::Null>(TEXT("started")) && Job->HasTypedField<EJson::Null>(TEXT("ended")));
	TestEqual(TEXT("total unknown"), Job->GetNumberField(TEXT("bytesTotal")), -1.0);
	MOLDARIJobs::SetDownloading(Id, 123, 456);
	Job = Newest();
	TestTrue(TEXT("progress shows"), Job.IsValid() && Job->GetStringField(TEXT("state")) == TEXT("downloading")
		&& Job->GetNumberField(TEXT("bytesReceived")) == 123.0 && Job->GetNumberField(TEXT("bytesTotal")) == 456.0);
	MOLDARIJobs::Fail(Id, TEXT("Download failed"));
	FTSTicker::GetCoreTicker().Tick(0.0f);
	Job = Newest();
	TestTrue(TEXT("the end shows"), Job.IsValid() && Job->GetStringField(TEXT("state")) == TEXT("failed")
		&& Job->GetStringField(TEXT("reason")) == TEXT("Download failed") && Job->HasTypedField<EJson::String>(TEXT("ended")));
	return true;
}

#endif
