// What the headless editor program (and the stand-in's own tests) set up around the engine
// API: the project folder, the log outputs and the main thread. Not visible to plugins.
#pragma once

#include <functional>

#include "CoreMinimal.h"

namespace UE::HeadlessEditor
{
	// Sets the project folder (a relative one is taken from the launch folder); FPaths' project
	// folders follow it, relative to the binaries folder unless SetAbsoluteProjectPaths(true).
	// Moves the process into its binaries folder, as the engine does at start-up.
	CORE_API void SetProjectDir(const FString& ProjectDir);
	// Absolute project folders, as the engine gives them on Windows for a project on another drive.
	CORE_API void SetAbsoluteProjectPaths(bool bAbsolute);
	// The folder the process was started in; EnterBaseDir moves it into its binaries folder.
	CORE_API const FString& GetLaunchDir();
	CORE_API void EnterBaseDir();
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
