// Console commands as the engine registers them: a named command with its help, run when the user
// types its name (with arguments) in the editor's console.
#pragma once

#include "CoreMinimal.h"

class FOutputDevice;
class UWorld;
struct IConsoleCommand;

enum EConsoleVariableFlags
{
	ECVF_FlagMask = 0x0000ffff,
	ECVF_Default = 0x0,
	ECVF_Cheat = 0x1,
	ECVF_ReadOnly = 0x4,
	ECVF_Unregistered = 0x8,
};

DECLARE_DELEGATE(FConsoleCommandDelegate);
DECLARE_DELEGATE_OneParam(FConsoleCommandWithArgsDelegate, const TArray<FString>&);
DECLARE_DELEGATE_TwoParams(FConsoleCommandWithArgsAndOutputDeviceDelegate, const TArray<FString>&, FOutputDevice&);
DECLARE_DELEGATE_OneParam(FConsoleCommandWithOutputDeviceDelegate, FOutputDevice&);

class IConsoleObject
{
public:
	IConsoleObject() = default;
	virtual ~IConsoleObject() = default;
	virtual const TCHAR* GetHelp() const = 0;
	virtual EConsoleVariableFlags GetFlags() const = 0;
	virtual IConsoleCommand* AsCommand() { return nullptr; }
};

struct IConsoleCommand : public IConsoleObject
{
	// Runs the command with the words after its name; true when it ran.
	virtual bool Execute(const TArray<FString>& Args, UWorld* InWorld, FOutputDevice& OutputDevice) = 0;
};

struct IConsoleManager
{
	virtual IConsoleCommand* RegisterConsoleCommand(const TCHAR* Name, const TCHAR* Help, const FConsoleCommandDelegate& Command, uint32 Flags = ECVF_Default) = 0;
	virtual IConsoleCommand* RegisterConsoleCommand(const TCHAR* Name, const TCHAR* Help, const FConsoleCommandWithArgsDelegate& Command, uint32 Flags = ECVF_Default) = 0;
	virtual IConsoleCommand* RegisterConsoleCommand(const TCHAR* Name, const TCHAR* Help, const FConsoleCommandWithArgsAndOutputDeviceDelegate& Command, uint32 Flags = ECVF_Default) = 0;
	virtual IConsoleCommand* RegisterConsoleCommand(const TCHAR* Name, const TCHAR* Help, const FConsoleCommandWithOutputDeviceDelegate& Command, uint32 Flags = ECVF_Default) = 0;
	virtual void UnregisterConsoleObject(IConsoleObject* ConsoleObject, bool bKeepState = true) = 0;
	virtual void UnregisterConsoleObject(const TCHAR* Name, bool bKeepState = true) = 0;
	// The command or variable of that name (names ignore case), or null.
	virtual IConsoleObject* FindConsoleObject(const TCHAR* Name, bool bTrackFrequentCalls = true) const = 0;
	// Runs a line typed in the console; false when its first word names no command.
	virtual bool ProcessUserConsoleInput(const TCHAR* Input, FOutputDevice& Ar, UWorld* InWorld) = 0;

	static CORE_API IConsoleManager& Get();

protected:
	virtual ~IConsoleManager() = default;
};

// Registers a command for the life of the object (a module's, usually).
class FAutoConsoleCommand
{
public:
	FAutoConsoleCommand(const TCHAR* Name, const TCHAR* Help, const FConsoleCommandDelegate& Command, uint32 Flags = ECVF_Default)
		: Target(IConsoleManager::Get().RegisterConsoleCommand(Name, Help, Command, Flags)) {}
	FAutoConsoleCommand(const TCHAR* Name, const TCHAR* Help, const FConsoleCommandWithArgsDelegate& Command, uint32 Flags = ECVF_Default)
		: Target(IConsoleManager::Get().RegisterConsoleCommand(Name, Help, Command, Flags)) {}
	FAutoConsoleCommand(const TCHAR* Name, const TCHAR* Help, const FConsoleCommandWithArgsAndOutputDeviceDelegate& Command, uint32 Flags = ECVF_Default)
		: Target(IConsoleManager::Get().RegisterConsoleCommand(Name, Help, Command, Flags)) {}
	FAutoConsoleCommand(const TCHAR* Name, const TCHAR* Help, const FConsoleCommandWithOutputDeviceDelegate& Command, uint32 Flags = ECVF_Default)
		: Target(IConsoleManager::Get().RegisterConsoleCommand(Name, Help, Command, Flags)) {}
	~FAutoConsoleCommand() { IConsoleManager::Get().UnregisterConsoleObject(Target); }
	FAutoConsoleCommand(const FAutoConsoleCommand&) = delete;
	FAutoConsoleCommand& operator=(const FAutoConsoleCommand&) = delete;

private:
	IConsoleObject* Target;
};
