#include "MOLDARIImportJobs.h"
#include "MOLDARIImportNotifications.h"

#include "Dom/JsonObject.h"
#include "Containers/StringConv.h"
#include "Dom/JsonValue.h"
#include "HAL/CriticalSection.h"
#include "Misc/OutputDevice.h"
#include "Misc/OutputDeviceRedirector.h"
#include "Misc/ScopeLock.h"
#include "Policies/PrettyJsonPrintPolicy.h"
#include "Serialization/JsonSerializer.h"
#include "Serialization/JsonWriter.h"

namespace
{
	using namespace MOLDARIJobs;

	// Oldest first. Every access holds Lock: the listener adds, the HTTP thread reports bytes and
	// failures, the game thread runs the imports, and the server reads the list.
	struct FRegistry
	{
		FCriticalSection Lock;
		TArray<FImportJob> Jobs;
		int64 NextId = 1;
		// Counts every change, so the list's document is written again only after one.
		uint64 Version = 0;
		TArray<uint8> Document;   // the list's document at DocumentVersion, in UTF-8
		uint64 DocumentVersion = MAX_uint64;
	};

	FRegistry& Registry()
	{
		static FRegistry Instance;
		return Instance;
	}

	// The job whose main-thread work runs on this thread (0: none).
	thread_local int64 CurrentJob = 0;

	FImportJob* FindLocked(int64 Id)
	{
		for (FImportJob& Job : Registry().Jobs)
		{
			if (Job.Id == Id)
			{
				return &Job;
			}
		}
		return nullptr;
	}

	bool HasEnded(const FImportJob& Job)
	{
		return Job.State == EJobState::Done || Job.State == EJobState::Failed || Job.State == EJobState::NotRun;
	}

	// Runs Change on the job under the lock, when it is still known.
	template <typename ChangeType>
	void Update(int64 Id, ChangeType Change)
	{
		if (Id == 0)
		{
			return;
		}
		FScopeLock Lock(&Registry().Lock);
		if (FImportJob* Job = FindLocked(Id))
		{
			Change(*Job);
			++Registry().Version;
		}
	}

	// Keeps the "[MOLDARI] " warnings logged on a thread while one of its jobs runs there. It may
	// be called from any thread, so the editor calls it at once, on the thread that logs.
	class FWarningCapture final : public FOutputDevice
	{
	public:
		virtual bool CanBeUsedOnAnyThread() const override { return true; }
		virtual bool CanBeUsedOnMultipleThreads() const override { return true; }
		virtual void Serialize(const TCHAR* V, ELogVerbosity::Type Verbosity, const FName& Category) override
		{
			static const FString Prefix(TEXT("[MOLDARI] "));
			if (CurrentJob == 0 || (Verbosity & ELogVerbosity::VerbosityMask) != ELogVerbosity::Warning || Category != FName(TEXT("LogTemp")))
			{
				return;
			}
			const FString Text(V);
			if (!Text.StartsWith(Prefix, ESearchCase::CaseSensitive))
			{
				return;
			}
			Update(CurrentJob, [&Text](FImportJob& Job)
			{
				if (Job.Warnings.Num() < MaxWarnings)
				{
					Job.Warnings.Add(Text.RightChop(Prefix.Len()));
				}
				else
				{
					++Job.MoreWarnings;
				}
			});
		}
	};

	FWarningCapture WarningCapture;

	TSharedRef<FJsonObject> ToJson(const FImportJob& Job)
	{
		auto Strings = [](const TArray<FString>& Values)
		{
			TArray<TSharedPtr<FJsonValue>> Out;
			for (const FString& Value : Values)
			{
				Out.Add(MakeShared<FJsonValueString>(Value));
			}
			return Out;
		};
		auto Time = [](const FDateTime& When) -> TSharedPtr<FJsonValue>
		{
			if (When == FDateTime::MinValue())
			{
				return MakeShared<FJsonValueNull>();
			}
			return MakeShared<FJsonValueString>(When.ToIso8601());
		};
		TSharedRef<FJsonObject> Object = MakeShared<FJsonObject>();
		Object->SetNumberField(TEXT("id"), static_cast<double>(Job.Id));
		Object->SetStringField(TEXT("name"), Job.Name);
		Object->SetStringField(TEXT("kind"), Job.Kind);
		Object->SetStringField(TEXT("url"), Job.Url);
		Object->SetStringField(TEXT("state"), StateName(Job.State));
		Object->SetStringField(TEXT("step"), StepName(Job.Step));
		Object->SetNumberField(TEXT("bytesReceived"), static_cast<double>(Job.BytesReceived));
		Object->SetNumberField(TEXT("bytesTotal"), static_cast<double>(Job.BytesTotal));
		Object->SetStringField(TEXT("reason"), Job.Reason);
		Object->SetArrayField(TEXT("meshes"), Strings(Job.Meshes));
		Object->SetStringField(TEXT("material"), Job.Material);
		Object->SetArrayField(TEXT("actors"), Strings(Job.Actors));
		Object->SetNumberField(TEXT("filesSaved"), Job.FilesSaved);
		Object->SetArrayField(TEXT("warnings"), Strings(Job.Warnings));
		Object->SetNumberField(TEXT("moreWarnings"), Job.MoreWarnings);
		Object->SetField(TEXT("received"), Time(Job.Received));
		Object->SetField(TEXT("started"), Time(Job.Started));
		Object->SetField(TEXT("ended"), Time(Job.Ended));
		return Object;
	}

	FString Pretty(const TSharedRef<FJsonObject>& Object)
	{
		FString Text;
		const TSharedRef<TJsonWriter<TCHAR, TPrettyJsonPrintPolicy<TCHAR>>> Writer = TJsonWriterFactory<TCHAR, TPrettyJsonPrintPolicy<TCHAR>>::Create(&Text);
		FJsonSerializer::Serialize(Object, Writer);
		return Text;
	}
}

int64 MOLDARIJobs::AddJob(const FString& Name, const FString& Kind, const FString& Url)
{
	FRegistry& R = Registry();
	FScopeLock Lock(&R.Lock);
	FImportJob Job;
	Job.Id = R.NextId++;
	Job.Name = Name;
	Job.Kind = Kind;
	Job.Url = Url;
	Job.Received = FDateTime::UtcNow();
	Job.Started = FDateTime::MinValue();
	Job.Ended = FDateTime::MinValue();
	if (R.Jobs.Num() >= MaxJobs)
	{
		R.Jobs.RemoveAt(0, R.Jobs.Num() - MaxJobs + 1);
	}
	R.Jobs.Add(MoveTemp(Job));
	++R.Version;
	return R.Jobs.Last().Id;
}

void MOLDARIJobs::SetDownloading(int64 Id, int64 BytesReceived, int64 BytesTotal)
{
	Update(Id, [BytesReceived, BytesTotal](FImportJob& Job)
	{
		if (Job.State == EJobState::Queued || Job.State == EJobState::Downloading)
		{
			Job.State = EJobState::Downloading;
			Job.BytesReceived = BytesReceived;
			Job.BytesTotal = BytesTotal;
		}
	});
}

void MOLDARIJobs::Fail(int64 Id, const FString& Reason)
{
	TOptional<FImportJob> Ended;
	Update(Id, [&Reason, &Ended](FImportJob& Job)
	{
		if (!HasEnded(Job))
		{
			Job.State = EJobState::Failed;
			Job.Reason = Reason;
			Job.Ended = FDateTime::UtcNow();
			Ended = Job;
		}
	});
	if (Ended.IsSet())
	{
		MOLDARIJobs::NotifyImportEnded(Ended.GetValue());
	}
}

void MOLDARIJobs::MarkNotRun(int64 Id)
{
	Update(Id, [](FImportJob& Job)
	{
		if (!HasEnded(Job))
		{
			Job.State = EJobState::NotRun;
			Job.Reason = TEXT("Import not run (editor shutting down)");
			Job.Ended = FDateTime::UtcNow();
		}
	});
}

TArray<FString> MOLDARIJobs::MarkUnfinishedNotRun()
{
	TArray<FString> Names;
	FScopeLock Lock(&Registry().Lock);
	for (FImportJob& Job : Registry().Jobs)
	{
		if (!HasEnded(Job))
		{
			Job.State = EJobState::NotRun;
			Job.Reason = TEXT("Import not run (editor shutting down)");
			Job.Ended = FDateTime::UtcNow();
			Names.Add(Job.Name);
		}
	}
	++Registry().Version;
	return Names;
}

TArray<uint8> MOLDARIJobs::GetJobsDocumentUtf8()
{
	FRegistry& R = Registry();
	TArray<FImportJob> Newest;
	uint64 Version = 0;
	{
		FScopeLock Lock(&R.Lock);
		if (R.DocumentVersion == R.Version)
		{
			return R.Document;
		}
		Version = R.Version;
		for (int32 Index = R.Jobs.Num() - 1; Index >= 0; --Index)
		{
			Newest.Add(R.Jobs[Index]);
		}
	}
	// Written outside the lock: the threads that report progress never wait for it.
	const FString Text = JobsDocument(Newest);
	FTCHARToUTF8 Encoded(*Text);
	TArray<uint8> Document;
	Document.Append(reinterpret_cast<const uint8*>(Encoded.Get()), Encoded.Length());
	FScopeLock Lock(&R.Lock);
	if (R.DocumentVersion == MAX_uint64 || Version > R.DocumentVersion)
	{
		R.Document = Document;
		R.DocumentVersion = Version;
	}
	return Document;
}

TArray<MOLDARIJobs::FImportJob> MOLDARIJobs::GetJobs()
{
	FScopeLock Lock(&Registry().Lock);
	TArray<FImportJob> Newest;
	for (int32 Index = Registry().Jobs.Num() - 1; Index >= 0; --Index)
	{
		Newest.Add(Registry().Jobs[Index]);
	}
	return Newest;
}

TOptional<MOLDARIJobs::FImportJob> MOLDARIJobs::FindJob(int64 Id)
{
	FScopeLock Lock(&Registry().Lock);
	if (const FImportJob* Job = FindLocked(Id))
	{
		return *Job;
	}
	return TOptional<FImportJob>();
}

const TCHAR* MOLDARIJobs::StateName(EJobState State)
{
	switch (State)
	{
	case EJobState::Queued: return TEXT("queued");
	case EJobState::Downloading: return TEXT("downloading");
	case EJobState::Importing: return TEXT("importing");
	case EJobState::Done: return TEXT("done");
	case EJobState::Failed: return TEXT("failed");
	case EJobState::NotRun: return TEXT("not run");
	}
	return TEXT("");
}

const TCHAR* MOLDARIJobs::StepName(EImportStep Step)
{
	switch (Step)
	{
	case EImportStep::None: return TEXT("");
	case EImportStep::Extracting: return TEXT("extracting");
	case EImportStep::ImportingModel: return TEXT("importing the model");
	case EImportStep::BuildingMaterial: return TEXT("building the material");
	case EImportStep::Placing: return TEXT("placing");
	case EImportStep::CopyingSources: return TEXT("copying sources");
	case EImportStep::Saving: return TEXT("saving");
	}
	return TEXT("");
}

FString MOLDARIJobs::JobsDocument(const TArray<FImportJob>& Jobs)
{
	TArray<TSharedPtr<FJsonValue>> Values;
	for (const FImportJob& Job : Jobs)
	{
		Values.Add(MakeShared<FJsonValueObject>(ToJson(Job)));
	}
	TSharedRef<FJsonObject> Document = MakeShared<FJsonObject>();
	Document->SetArrayField(TEXT("jobs"), Values);
	return Pretty(Document);
}

FString MOLDARIJobs::JobDocument(const FImportJob& Job)
{
	return Pretty(ToJson(Job));
}

MOLDARIJobs::FJobScope::FJobScope(int64 InId)
	: Id(InId), PreviousId(CurrentJob)
{
	CurrentJob = Id;
	Update(Id, [](FImportJob& Job)
	{
		if (Job.State == EJobState::Queued || Job.State == EJobState::Downloading)
		{
			Job.State = EJobState::Importing;
			Job.Started = FDateTime::UtcNow();
		}
	});
}

MOLDARIJobs::FJobScope::~FJobScope()
{
	CurrentJob = PreviousId;
	if (bKeepOpen)
	{
		return;
	}
	TOptional<FImportJob> Ended;
	Update(Id, [&Ended](FImportJob& Job)
	{
		if (!HasEnded(Job))
		{
			// A road that reported a failure ends failed even where it went on to the end.
			Job.State = Job.Reason.IsEmpty() ? EJobState::Done : EJobState::Failed;
			Job.Step = EImportStep::None;
			Job.Ended = FDateTime::UtcNow();
			Ended = Job;
		}
	});
	if (Ended.IsSet())
	{
		MOLDARIJobs::NotifyImportEnded(Ended.GetValue());
	}
}

void MOLDARIJobs::EnterStep(EImportStep Step)
{
	Update(CurrentJob, [Step](FImportJob& Job) { Job.Step = Step; });
}

void MOLDARIJobs::ReportFailure(const FString& Reason)
{
	// The first failure is the one that ended the road.
	Update(CurrentJob, [&Reason](FImportJob& Job) { if (Job.Reason.IsEmpty()) { Job.Reason = Reason; } });
}

void MOLDARIJobs::ReportMesh(const FString& ObjectPath)
{
	Update(CurrentJob, [&ObjectPath](FImportJob& Job) { Job.Meshes.AddUnique(ObjectPath); });
}

void MOLDARIJobs::ReportMaterial(const FString& ObjectPath)
{
	Update(CurrentJob, [&ObjectPath](FImportJob& Job) { Job.Material = ObjectPath; });
}

void MOLDARIJobs::ReportActor(const FString& Label)
{
	Update(CurrentJob, [&Label](FImportJob& Job) { Job.Actors.Add(Label); });
}

void MOLDARIJobs::ReportFilesSaved(int32 Count)
{
	Update(CurrentJob, [Count](FImportJob& Job) { Job.FilesSaved = Count; });
}

void MOLDARIJobs::ReportContentPath(const FString& ContentPath)
{
	Update(CurrentJob, [&ContentPath](FImportJob& Job) { Job.ContentPath = ContentPath; });
}

void MOLDARIJobs::StartWarningCapture()
{
	GLog->AddOutputDevice(&WarningCapture);
}

void MOLDARIJobs::StopWarningCapture()
{
	GLog->RemoveOutputDevice(&WarningCapture);
}
