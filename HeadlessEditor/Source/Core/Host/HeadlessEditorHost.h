// What the headless editor program (and the stand-in's own tests) set up around the engine
// API: the project folder, the log outputs and the main thread. Not visible to plugins.
#pragma once

#include <functional>

#include "CoreMinimal.h"

namespace UE::HeadlessEditor
{
	// Sets the project folder (made absolute, with a trailing '/'); FPaths' project folders follow it.
	CORE_API void SetProjectDir(const FString& ProjectDir);
	CORE_API const FString& GetProjectName();

	// One log line as written: category, verbosity and message, plus the formatted line.
	struct FLogLine
	{
		FName Category;
		ELogVerbosity::Type Verbosity;
		FString Message;
		FString Formatted;
	};
	using FLogListener = std::function<void(const FLogLine&)>;
	CORE_API int32 AddLogListener(FLogListener Listener);
	CORE_API void RemoveLogListener(int32 Handle);
	// Opens (truncating) the log file; lines go there from then on. Empty path closes it.
	CORE_API bool SetLogFile(const FString& Path);
	CORE_API void SetLogToStdout(bool bEnabled);
	CORE_API FString FormatLogLine(const FName& Category, ELogVerbosity::Type Verbosity, const FString& Message);

	// Marks the calling thread as the main (game) thread.
	CORE_API void SetGameThread();
	CORE_API void AdvanceFrameCounter();
}
