// FScopedSlowTask: a slow task that lives as long as its scope.
#pragma once

#include "CoreTypes.h"
#include "Internationalization/Text.h"
#include "Misc/SlowTask.h"

struct FScopedSlowTask : FSlowTask
{
	// See FSlowTask's constructor; the task goes on the stack at once.
	FORCEINLINE FScopedSlowTask(float InAmountOfWork, const FText& InDefaultMessage = FText(), bool bInEnabled = true, FFeedbackContext& InContext = *GWarn)
		: FSlowTask(InAmountOfWork, InDefaultMessage, bInEnabled, InContext)
	{
		Initialize();
	}

	FORCEINLINE ~FScopedSlowTask()
	{
		Destroy();
	}
};
