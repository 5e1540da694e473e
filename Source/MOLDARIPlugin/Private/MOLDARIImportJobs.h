// Import jobs: every queued POST /import, from the reply to its end, as the page and the editor
// see it. Written from the listener, HTTP and game threads; read by GET /imports and the console.
#pragma once

#include "CoreMinimal.h"
#include "Misc/DateTime.h"

namespace MOLDARIJobs
{
	enum class EJobState : uint8
	{
		Queued,
		Downloading,
		Importing,
		Done,
		Failed,
		NotRun,
	};

	// The stages of the main-thread work of an import, in order.
	enum class EImportStep : uint8
	{
		None,
		Extracting,
		ImportingModel,
		BuildingMaterial,
		Placing,
		CopyingSources,
		Saving,
	};

	// Warnings a job keeps; the rest are only counted.
	constexpr int32 MaxWarnings = 20;
	// Jobs kept: the oldest goes when one more arrives.
	constexpr int32 MaxJobs = 100;

	struct FImportJob
	{
		int64 Id = 0;
		FString Name;
		FString Kind;
		FString Url;   // as logged
		EJobState State = EJobState::Queued;
		EImportStep Step = EImportStep::None;
		int64 BytesReceived = 0;
		int64 BytesTotal = -1;   // unknown
		FString Reason;   // why it failed, in the words of its log line
		TArray<FString> Meshes;   // object paths
		FString Material;
		TArray<FString> Actors;   // labels
		int32 FilesSaved = 0;
		TArray<FString> Warnings;
		int32 MoreWarnings = 0;
		FDateTime Received;
		FDateTime Started;   // MinValue until the main thread takes it
		FDateTime Ended;     // MinValue until it ends
		// The content folder of what it made (not in the document: the notification's link).
		FString ContentPath;
	};

	// Listener thread: a new queued job; its id (ids increase from 1).
	int64 AddJob(const FString& Name, const FString& Kind, const FString& Url);
	// HTTP thread: bytes of the archive received so far, and the total when announced (else -1).
	void SetDownloading(int64 Id, int64 BytesReceived, int64 BytesTotal);
	// Any thread: the job ends as failed with the reason (a job that has ended stays as it is).
	void Fail(int64 Id, const FString& Reason);
	// Main thread, at shut-down: the job never ran.
	void MarkNotRun(int64 Id);
	// Main thread, at shut-down: every job not yet ended (still queued or downloading) never
	// runs; their names.
	TArray<FString> MarkUnfinishedNotRun();

	// The document of GET /imports in UTF-8: written again only after a job changed.
	TArray<uint8> GetJobsDocumentUtf8();
	// The jobs, newest first; one by id.
	TArray<FImportJob> GetJobs();
	TOptional<FImportJob> FindJob(int64 Id);

	const TCHAR* StateName(EJobState State);
	const TCHAR* StepName(EImportStep Step);

	// The document of GET /imports ({"jobs": [...]}) and of GET /imports/<id> (the job's object),
	// pretty-printed by the engine's JSON writer.
	FString JobsDocument(const TArray<FImportJob>& Jobs);
	FString JobDocument(const FImportJob& Job);

	// A part of the import work of one job on this thread (the extraction on the worker thread,
	// the engine's part on the main thread). The first part starts the job's import. While it
	// lives, the import steps below report to that job, and the warnings the import logs on this
	// thread are kept with it. At its end the job is done, unless a failure was reported or the
	// work goes on elsewhere (KeepOpen); when it ends, the editor shows a notification. Without
	// a scope (an import run on its own, as the tests do) the reports go nowhere.
	class FJobScope
	{
	public:
		explicit FJobScope(int64 Id);
		~FJobScope();
		FJobScope(const FJobScope&) = delete;
		FJobScope& operator=(const FJobScope&) = delete;

		// The job goes on in another scope: this one's end does not end it.
		void KeepOpen() { bKeepOpen = true; }

	private:
		int64 Id;
		int64 PreviousId;
		bool bKeepOpen = false;
	};

	// Reports of the job whose scope is open on this thread.
	void EnterStep(EImportStep Step);
	void ReportFailure(const FString& Reason);
	void ReportMesh(const FString& ObjectPath);
	void ReportMaterial(const FString& ObjectPath);
	void ReportActor(const FString& Label);
	void ReportFilesSaved(int32 Count);
	// The content folder whose assets the notification's link shows in the Content Browser.
	void ReportContentPath(const FString& ContentPath);

	// Module start-up and shut-down: the output device that collects a job's warnings.
	void StartWarningCapture();
	void StopWarningCapture();
}
