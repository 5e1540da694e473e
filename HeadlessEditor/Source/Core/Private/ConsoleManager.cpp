// The engine's console commands (IConsoleManager), run by the headless editor's console when a
// line names none of its own commands.
#include "HAL/IConsoleManager.h"
#include "ConsoleCommands.h"
#include "Misc/OutputDevice.h"

#include <memory>
#include <mutex>
#include <vector>

namespace
{
	// One registered command: whichever delegate it was given.
	class FConsoleCommand final : public IConsoleCommand
	{
	public:
		FConsoleCommand(const FString& InName, const FString& InHelp, uint32 InFlags) : Name(InName), Help(InHelp), Flags(InFlags) {}

		const TCHAR* GetHelp() const override { return *Help; }
		EConsoleVariableFlags GetFlags() const override { return static_cast<EConsoleVariableFlags>(Flags); }
		IConsoleCommand* AsCommand() override { return this; }
		bool Execute(const TArray<FString>& Args, UWorld*, FOutputDevice& OutputDevice) override
		{
			if (Plain.IsBound()) { Plain.Execute(); return true; }
			if (WithArgs.IsBound()) { WithArgs.Execute(Args); return true; }
			if (WithArgsAndOutput.IsBound()) { WithArgsAndOutput.Execute(Args, OutputDevice); return true; }
			if (WithOutput.IsBound()) { WithOutput.Execute(OutputDevice); return true; }
			return false;
		}

		FString Name;
		FString Help;
		uint32 Flags;
		FConsoleCommandDelegate Plain;
		FConsoleCommandWithArgsDelegate WithArgs;
		FConsoleCommandWithArgsAndOutputDeviceDelegate WithArgsAndOutput;
		FConsoleCommandWithOutputDeviceDelegate WithOutput;
	};

	class FConsoleManager final : public IConsoleManager
	{
	public:
		IConsoleCommand* RegisterConsoleCommand(const TCHAR* Name, const TCHAR* Help, const FConsoleCommandDelegate& Command, uint32 Flags) override
		{
			FConsoleCommand* Made = Add(Name, Help, Flags);
			Made->Plain = Command;
			return Made;
		}
		IConsoleCommand* RegisterConsoleCommand(const TCHAR* Name, const TCHAR* Help, const FConsoleCommandWithArgsDelegate& Command, uint32 Flags) override
		{
			FConsoleCommand* Made = Add(Name, Help, Flags);
			Made->WithArgs = Command;
			return Made;
		}
		IConsoleCommand* RegisterConsoleCommand(const TCHAR* Name, const TCHAR* Help, const FConsoleCommandWithArgsAndOutputDeviceDelegate& Command, uint32 Flags) override
		{
			FConsoleCommand* Made = Add(Name, Help, Flags);
			Made->WithArgsAndOutput = Command;
			return Made;
		}
		IConsoleCommand* RegisterConsoleCommand(const TCHAR* Name, const TCHAR* Help, const FConsoleCommandWithOutputDeviceDelegate& Command, uint32 Flags) override
		{
			FConsoleCommand* Made = Add(Name, Help, Flags);
			Made->WithOutput = Command;
			return Made;
		}

		void UnregisterConsoleObject(IConsoleObject* ConsoleObject, bool) override
		{
			std::lock_guard<std::mutex> Lock(Mutex);
			std::erase_if(Commands, [ConsoleObject](const std::unique_ptr<FConsoleCommand>& Command) { return Command.get() == ConsoleObject; });
		}

		void UnregisterConsoleObject(const TCHAR* Name, bool) override
		{
			std::lock_guard<std::mutex> Lock(Mutex);
			std::erase_if(Commands, [Name](const std::unique_ptr<FConsoleCommand>& Command) { return Command->Name.Equals(Name, ESearchCase::IgnoreCase); });
		}

		IConsoleObject* FindConsoleObject(const TCHAR* Name, bool) const override
		{
			std::lock_guard<std::mutex> Lock(Mutex);
			for (const std::unique_ptr<FConsoleCommand>& Command : Commands)
			{
				if (Command->Name.Equals(Name, ESearchCase::IgnoreCase)) { return Command.get(); }
			}
			return nullptr;
		}

		bool ProcessUserConsoleInput(const TCHAR* Input, FOutputDevice& Ar, UWorld* InWorld) override
		{
			TArray<FString> Words;
			FString(Input).TrimStartAndEnd().ParseIntoArray(Words, TEXT(" "), true);
			if (Words.Num() == 0) { return false; }
			IConsoleObject* Found = FindConsoleObject(*Words[0], false);
			IConsoleCommand* Command = Found ? Found->AsCommand() : nullptr;
			if (!Command) { return false; }
			Words.RemoveAt(0);
			return Command->Execute(Words, InWorld, Ar);
		}

		// The commands' names and help, for the console's help.
		TArray<FString> Describe() const
		{
			std::lock_guard<std::mutex> Lock(Mutex);
			TArray<FString> Lines;
			for (const std::unique_ptr<FConsoleCommand>& Command : Commands) { Lines.Add(Command->Name + TEXT("  ") + Command->Help); }
			return Lines;
		}

	private:
		FConsoleCommand* Add(const TCHAR* Name, const TCHAR* Help, uint32 Flags)
		{
			std::lock_guard<std::mutex> Lock(Mutex);
			Commands.push_back(std::make_unique<FConsoleCommand>(FString(Name), FString(Help ? Help : TEXT("")), Flags));
			return Commands.back().get();
		}

		mutable std::mutex Mutex;
		std::vector<std::unique_ptr<FConsoleCommand>> Commands;
	};

	FConsoleManager& Manager()
	{
		static FConsoleManager Instance;
		return Instance;
	}

	// What a command writes goes to the console, one line per call.
	class FConsoleOutput final : public FOutputDevice
	{
	public:
		void Serialize(const TCHAR* V, ELogVerbosity::Type, const FName&) override { UE::HeadlessEditor::ConsolePrint(FString(V)); }
		bool CanBeUsedOnAnyThread() const override { return true; }
		bool CanBeUsedOnMultipleThreads() const override { return true; }
	};
}

IConsoleManager& IConsoleManager::Get()
{
	return Manager();
}

namespace UE::HeadlessEditor
{
	bool ExecuteEngineConsoleCommand(const FString& Line)
	{
		FConsoleOutput Output;
		return Manager().ProcessUserConsoleInput(*Line, Output, nullptr);
	}

	TArray<FString> GetEngineConsoleHelp()
	{
		return Manager().Describe();
	}
}
