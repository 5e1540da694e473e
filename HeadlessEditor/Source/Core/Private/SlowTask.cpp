// Slow tasks as the engine keeps them: a stack of levels on the feedback context, game thread only
// (a task made on another thread is disabled and does nothing), a frame's work counted into its
// parent's current frame. The editor shows the stack in a progress dialog; the headless editor
// writes one LogSlowTask line per progress frame instead: the innermost message and the share of
// the whole stack done, cut to a whole percent as the editor's progress widget shows it.
#include "Misc/SlowTask.h"

#include "CoreGlobals.h"
#include "HAL/PlatformTime.h"
#include "Logging/LogMacros.h"
#include "Math/UnrealMathUtility.h"
#include "Misc/AssertionMacros.h"
#include "Misc/FeedbackContext.h"
#include "Misc/SlowTaskStack.h"

DEFINE_LOG_CATEGORY_STATIC(LogSlowTask, Log, All);

bool GIsSlowTask = false;

namespace
{
	// The text the progress UI shows for the stack: an Important level's message first, else the
	// innermost level's with text; levels that are never shown are skipped.
	FText DisplayMessage(const FSlowTaskStack& Stack)
	{
		for (const ESlowTaskVisibility Wanted : { ESlowTaskVisibility::Important, ESlowTaskVisibility::Default })
		{
			for (int32 Index = Stack.Num() - 1; Index >= 0; --Index)
			{
				const FSlowTask& Task = *Stack[Index];
				const bool bCandidate = Wanted == ESlowTaskVisibility::Important ? Task.Visibility == ESlowTaskVisibility::Important
					: Task.Visibility != ESlowTaskVisibility::Invisible;
				if (bCandidate && !Task.GetCurrentMessage().IsEmpty()) { return Task.GetCurrentMessage(); }
			}
		}
		return FText::GetEmpty();
	}

	void LogProgressFrame(const FSlowTaskStack& Stack, const FSlowTask& Task)
	{
		if (Task.Visibility == ESlowTaskVisibility::Invisible || Stack.Num() == 0) { return; }
		const int32 Percent = static_cast<int32>(Stack.GetProgressFraction(0) * 100);
		const FText Message = DisplayMessage(Stack);
		if (Message.IsEmpty()) { UE_LOG(LogSlowTask, Display, TEXT("%d%% done"), Percent); }
		else { UE_LOG(LogSlowTask, Display, TEXT("%s (%d%% done)"), *Message.ToString(), Percent); }
	}
}

float FSlowTaskStack::GetProgressFraction(int32 Index) const
{
	// From the innermost level out: each level's done share plus its current frame's share of
	// the progress of the levels inside it.
	float Progress = 0.f;
	for (int32 Current = Num() - 1; Current >= Index; --Current)
	{
		const FSlowTask& Task = *(*this)[Current];
		Progress = Task.CompletedWork / Task.TotalAmountOfWork + Task.CurrentFrameScope / Task.TotalAmountOfWork * Progress;
	}
	return Progress;
}

bool FSlowTask::ShouldCreateThrottledSlowTask()
{
	static double LastCreated = 0.0;
	const double Now = FPlatformTime::Seconds();
	if (Now - LastCreated <= 0.1) { return false; }
	LastCreated = Now;
	return true;
}

FSlowTask::FSlowTask(float InAmountOfWork, const FText& InDefaultMessage, bool bInEnabled, FFeedbackContext& InContext)
	: DefaultMessage(InDefaultMessage)
	, TotalAmountOfWork(InAmountOfWork)
	, CompletedWork(0.f)
	, CurrentFrameScope(0.f)
	, Visibility(ESlowTaskVisibility::Default)
	, StartTime(FPlatformTime::Seconds())
	, bEnabled(bInEnabled && IsInGameThread())
	, bCreatedDialog(false)
	, Context(InContext)
{
	// No work of its own: one frame over the whole task, so that nested tasks still count.
	if (TotalAmountOfWork == 0.f)
	{
		TotalAmountOfWork = 1.f;
		CurrentFrameScope = 1.f;
	}
}

void FSlowTask::Initialize()
{
	if (bEnabled) { Context.ScopeStack.Push(this); }
}

void FSlowTask::Destroy()
{
	if (!bEnabled) { return; }
	if (bCreatedDialog)
	{
		Context.RequestUpdateUI(true);
		Context.FinalizeSlowTask();
		bCreatedDialog = false;
	}
	FSlowTaskStack& Stack = Context.ScopeStack;
	if (ensure(Stack.Num() != 0))
	{
		if (ensureMsgf(Stack.Last() == this, TEXT("slow tasks ended out of order"))) { Stack.Pop(EAllowShrinking::No); }
		else { Stack.RemoveSingle(this); }
	}
	if (Stack.Num() != 0)
	{
		// The parent's current frame is done: nothing more counts towards it.
		FSlowTask* Parent = Stack.Last();
		Parent->EnterProgressFrame(0.f, Parent->FrameMessage);
		Parent->Context.RequestUpdateUI();
	}
}

void FSlowTask::MakeDialogDelayed(float Threshold, bool bShowCancelButton, bool bAllowInPIE)
{
	OpenDialogThreshold = Threshold;
	bDelayedDialogShowCancelButton = bShowCancelButton;
	bDelayedDialogAllowInPIE = bAllowInPIE;
}

void FSlowTask::MakeDialog(bool bShowCancelButton, bool bAllowInPIE)
{
	const bool bBlockedByPIE = Context.IsPlayingInEditor() && !bAllowInPIE;
	if (!bEnabled || !IsInGameThread() || bBlockedByPIE || Visibility == ESlowTaskVisibility::Invisible || GIsSlowTask) { return; }
	Context.StartSlowTask(GetCurrentMessage(), bShowCancelButton);
	if (GIsSlowTask)
	{
		bCreatedDialog = true;
		Context.RequestUpdateUI(true);
	}
}

void FSlowTask::MakeDialogIfNeeded()
{
	if (!bEnabled || bCreatedDialog || !OpenDialogThreshold.IsSet()) { return; }
	if (static_cast<float>(FPlatformTime::Seconds() - StartTime) >= OpenDialogThreshold.GetValue())
	{
		MakeDialog(bDelayedDialogShowCancelButton, bDelayedDialogAllowInPIE);
	}
}

void FSlowTask::EnterProgressFrame(float ExpectedWorkThisFrame, const FText& Text)
{
	if (!bEnabled) { return; }
	check(IsInGameThread());
	FrameMessage = Text;
	CompletedWork += CurrentFrameScope;
	ensureMsgf(ExpectedWorkThisFrame <= 1.01f * TotalAmountOfWork - CompletedWork, TEXT("more work than the slow task has left"));
	CurrentFrameScope = FMath::Min(TotalAmountOfWork - CompletedWork, ExpectedWorkThisFrame);
	LogProgressFrame(Context.ScopeStack, *this);
	TickProgress();
}

void FSlowTask::TickProgress()
{
	if (!bEnabled) { return; }
	check(IsInGameThread());
	// Any level of the stack may have a delayed dialog whose time has come.
	for (FSlowTask* Task : Context.ScopeStack) { Task->MakeDialogIfNeeded(); }
	Context.RequestUpdateUI();
}

void FSlowTask::ForceRefresh()
{
	Context.RequestUpdateUI(true);
}

const FText& FSlowTask::GetCurrentMessage() const
{
	return FrameMessage.IsEmpty() ? DefaultMessage : FrameMessage;
}

bool FSlowTask::ShouldCancel() const
{
	if (!bEnabled || !GIsSlowTask) { return false; }
	check(IsInGameThread());
	Context.RequestUpdateUI();
	return Context.ReceivedUserCancel();
}

void FFeedbackContext::StartSlowTask(const FText& Task, bool /*bShowCancelButton*/)
{
	TaskName = Task;
	TaskStartTime = FPlatformTime::Seconds();
	GIsSlowTask = true;
}

void FFeedbackContext::FinalizeSlowTask()
{
	GIsSlowTask = false;
}

void FFeedbackContext::RequestUpdateUI(bool bForceUpdate)
{
	static double LastUpdate = FPlatformTime::Seconds();
	const double Now = FPlatformTime::Seconds();
	if (bForceUpdate || Now - LastUpdate > 0.2)
	{
		LastUpdate = Now;
		UpdateUI();
	}
}

void FFeedbackContext::UpdateUI()
{
	ensure(IsInGameThread());
	if (ScopeStack.Num() != 0) { ProgressReported(ScopeStack.GetProgressFraction(0), ScopeStack[0]->GetCurrentMessage()); }
}
