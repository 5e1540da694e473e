// FSlowTask: one level of a long operation's progress, split into frames. Use FScopedSlowTask.
#pragma once

#include "CoreGlobals.h"
#include "CoreTypes.h"
#include "Internationalization/Text.h"
#include "Misc/Optional.h"

class FFeedbackContext;

// How a slow task's level is shown.
enum class ESlowTaskVisibility
{
	// Shown or not as the progress UI judges.
	Default,
	// Shown even when short or without text.
	ForceVisible,
	// Shown in preference to the other levels.
	Important,
	// Never shown; still counts towards the progress.
	Invisible,
};

struct FSlowTask
{
	// Text for the task when its current frame has none.
	FText DefaultMessage;

	// Text of the current frame.
	FText FrameMessage;

	// Work units of the whole task.
	float TotalAmountOfWork;

	// Work units done (the frames already left).
	float CompletedWork;

	// Work units of the current frame.
	float CurrentFrameScope;

	ESlowTaskVisibility Visibility;

	// When the task began (FPlatformTime::Seconds).
	double StartTime;

	// Seconds after which MakeDialogDelayed opens the dialog.
	TOptional<float> OpenDialogThreshold;

private:
	// False for a disabled task, and for one made off the game thread.
	bool bEnabled;
	// Whether this task opened the progress dialog (and closes it).
	bool bCreatedDialog;
	FFeedbackContext& Context;
	// What MakeDialogDelayed asked for.
	bool bDelayedDialogShowCancelButton = false;
	bool bDelayedDialogAllowInPIE = false;

	// Opens the delayed dialog once its time has come.
	void MakeDialogIfNeeded();

public:
	FSlowTask(const FSlowTask&) = delete;
	FSlowTask& operator=(const FSlowTask&) = delete;

	// True at most once every tenth of a second, for callers that open many short tasks.
	static CORE_API bool ShouldCreateThrottledSlowTask();

	// InAmountOfWork work units (0: one frame over the whole task), described by InDefaultMessage.
	// A task that is not enabled, or is made off the game thread, does nothing.
	CORE_API FSlowTask(float InAmountOfWork, const FText& InDefaultMessage = FText(), bool bInEnabled = true, FFeedbackContext& InContext = *GWarn);

	// Puts the task on its context's stack.
	CORE_API void Initialize();

	// Takes the task off its context's stack, closing its dialog.
	CORE_API void Destroy();

	// Opens the dialog once the task has run for Threshold seconds.
	CORE_API void MakeDialogDelayed(float Threshold, bool bShowCancelButton = false, bool bAllowInPIE = false);

	// Opens the progress dialog unless one is open.
	CORE_API void MakeDialog(bool bShowCancelButton = false, bool bAllowInPIE = false);

	// Ends the current frame and starts one of ExpectedWorkThisFrame units, described by Text.
	CORE_API void EnterProgressFrame(float ExpectedWorkThisFrame = 1.f, const FText& Text = FText());

	// Lets the progress UI update without progress.
	CORE_API void TickProgress();

	// Updates the progress UI at once.
	CORE_API void ForceRefresh();

	// The current frame's text, or the default message when it has none.
	CORE_API const FText& GetCurrentMessage() const;

	// Whether the user has asked to cancel.
	CORE_API bool ShouldCancel() const;
};
