#include "ConsoleCommands.h"
#include "HeadlessString.h"

#include <cstdio>
#include <map>
#include <mutex>

namespace
{
	struct FCommand { FString Usage; FString Help; UE::HeadlessEditor::FConsoleHandler Handler; };
	std::mutex GMutex;
	std::map<std::u16string, FCommand>& Commands()
	{
		static std::map<std::u16string, FCommand> Instance;
		return Instance;
	}
}

namespace UE::HeadlessEditor
{
	void RegisterConsoleCommand(const FString& Name, const FString& Usage, const FString& Help, FConsoleHandler Handler)
	{
		std::lock_guard<std::mutex> Lock(GMutex);
		Commands()[GetStdString(Name.ToLower())] = { Usage, Help, std::move(Handler) };
	}

	bool ExecuteConsoleCommand(const FString& Line)
	{
		TArray<FString> Words;
		Line.TrimStartAndEnd().ParseIntoArray(Words, TEXT(" "), true);
		if (Words.Num() == 0) { return true; }
		FConsoleHandler Handler;
		{
			std::lock_guard<std::mutex> Lock(GMutex);
			auto Found = Commands().find(GetStdString(Words[0].ToLower()));
			// Not one of the host's: a command a module registered with the engine's console manager.
			if (Found == Commands().end()) { return ExecuteEngineConsoleCommand(Line); }
			Handler = Found->second.Handler;
		}
		Words.RemoveAt(0);
		Handler(Words);
		return true;
	}

	TArray<FString> GetConsoleHelp()
	{
		std::lock_guard<std::mutex> Lock(GMutex);
		TArray<FString> Lines;
		for (const auto& Entry : Commands())
		{
			FString Usage = Entry.second.Usage;
			while (Usage.Len() < 22) { Usage.AppendChar(' '); }
			Lines.Add(Usage + TEXT(" ") + Entry.second.Help);
		}
		Lines.Append(GetEngineConsoleHelp());
		return Lines;
	}

	void ConsolePrint(const FString& Line)
	{
		const std::string Text = ToUtf8(Line) + "\n";
		std::fwrite(Text.data(), 1, Text.size(), stdout);
		std::fflush(stdout);
	}
}
