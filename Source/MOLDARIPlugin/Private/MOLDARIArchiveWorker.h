// The thread that works on stored archives (extraction), so that the editor's main thread never
// waits for an archive's bytes to be read or written.
#pragma once

#include "CoreMinimal.h"
#include "Templates/Function.h"

namespace MOLDARIArchiveWorker
{
	// Module start-up: the thread is started; work is accepted again after a Stop.
	void Start();
	// Module shut-down: waits for the work running now, then calls OnDropped of every piece of
	// work still waiting (on this thread), and accepts no more.
	void Stop();
	// Any thread: Work runs once on the worker thread, in the order given. False (and nothing
	// runs) once Stop has begun: the caller reports the work as not run.
	bool Enqueue(TFunction<void()> Work, TFunction<void()> OnDropped);
}
