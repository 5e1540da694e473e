// Commands of the headless editor's console; engine modules of the stand-in add their own.
#pragma once
#include <functional>
#include "CoreMinimal.h"

namespace UE::HeadlessEditor
{
	// The handler gets the words after the command name and writes its answer with ConsolePrint.
	using FConsoleHandler = std::function<void(const TArray<FString>& Args)>;
	CORE_API void RegisterConsoleCommand(const FString& Name, const FString& Usage, const FString& Help, FConsoleHandler Handler);
	// Runs one console line; false when the command is unknown.
	CORE_API bool ExecuteConsoleCommand(const FString& Line);
	// Runs a line with a command registered through IConsoleManager; false when there is none.
	CORE_API bool ExecuteEngineConsoleCommand(const FString& Line);
	CORE_API TArray<FString> GetEngineConsoleHelp();
	// The registered commands, as "usage  help" lines in name order (the engine's after the host's).
	CORE_API TArray<FString> GetConsoleHelp();
	// One line on standard output, whole (never interleaved with a log line).
	CORE_API void ConsolePrint(const FString& Line);
}
