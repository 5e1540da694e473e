// FFeedbackContext: where long operations report warnings and progress (GWarn). In the headless
// editor its output is the log, and a slow task's progress is a log line per frame.
#pragma once

#include "CoreGlobals.h"
#include "CoreTypes.h"
#include "Internationalization/Text.h"
#include "Misc/OutputDevice.h"
#include "Misc/SlowTask.h"
#include "Misc/SlowTaskStack.h"

class CORE_API FFeedbackContext : public FOutputDevice
{
public:
	FFeedbackContext() = default;
	FFeedbackContext(const FFeedbackContext&) = delete;
	FFeedbackContext& operator=(const FFeedbackContext&) = delete;

	void Serialize(const TCHAR* V, ELogVerbosity::Type Verbosity, const FName& Category) override;

	// Whether the user cancelled the running (or last) slow task; nobody can in the stand-in.
	virtual bool ReceivedUserCancel() { return false; }

	// The open slow tasks, outermost first.
	FORCEINLINE const FSlowTaskStack& GetScopeStack() const
	{
		return ScopeStack;
	}

protected:
	// Opens the progress dialog of a slow task.
	virtual void StartSlowTask(const FText& Task, bool bShowCancelButton = false);

	// Closes it.
	virtual void FinalizeSlowTask();

	// Shows the progress of the open slow tasks (0 to 1) with a message.
	virtual void ProgressReported(const float TotalProgressInterp, FText DisplayMessage) {}

	// Whether a play-in-editor session runs; never in the stand-in.
	virtual bool IsPlayingInEditor() const { return false; }

	friend FSlowTask;

	FSlowTaskStack ScopeStack;

	// Asks for a UI update (at most five a second unless forced).
	void RequestUpdateUI(bool bForceUpdate = false);

	// Reports the stack's progress through ProgressReported.
	void UpdateUI();

private:
	FText TaskName;
	double TaskStartTime = 0.0;
};
