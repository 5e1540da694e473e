// Log output: every line goes to the listeners, standard output and the log file, in the
// engine's layout "[YYYY.MM.DD-HH.MM.SS:mmm][fff]Category: Verbosity: message". Safe from any thread.
#include "CoreGlobals.h"
#include "HeadlessEditorHost.h"
#include "HeadlessString.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

DEFINE_LOG_CATEGORY(LogTemp);
DEFINE_LOG_CATEGORY(LogInit);
DEFINE_LOG_CATEGORY(LogExit);
DEFINE_LOG_CATEGORY(LogSockets);
DEFINE_LOG_CATEGORY(LogHttp);
DEFINE_LOG_CATEGORY(LogJson);
DEFINE_LOG_CATEGORY(LogModuleManager);
DEFINE_LOG_CATEGORY(LogPluginManager);
DEFINE_LOG_CATEGORY(LogAutomationTest);
DEFINE_LOG_CATEGORY(LogSlate);
DEFINE_LOG_CATEGORY(LogToolMenus);
DEFINE_LOG_CATEGORY(LogHeadlessEditor);

uint64 GFrameCounter = 0;
bool GIsEditor = true;
bool GIsRunningUnattendedScript = true;

namespace
{
	struct FLogState
	{
		std::mutex Mutex;
		std::vector<std::pair<int32, UE::HeadlessEditor::FLogListener>> Listeners;
		int32 NextListener = 1;
		FILE* File = nullptr;
		bool bStdout = true;
	};

	FLogState& State()
	{
		static FLogState Instance;
		return Instance;
	}

	std::thread::id GGameThreadId = std::this_thread::get_id();
}

const TCHAR* ToString(ELogVerbosity::Type Verbosity)
{
	switch (Verbosity & ELogVerbosity::VerbosityMask)
	{
	case ELogVerbosity::NoLogging: return TEXT("NoLogging");
	case ELogVerbosity::Fatal: return TEXT("Fatal");
	case ELogVerbosity::Error: return TEXT("Error");
	case ELogVerbosity::Warning: return TEXT("Warning");
	case ELogVerbosity::Display: return TEXT("Display");
	case ELogVerbosity::Log: return TEXT("Log");
	case ELogVerbosity::Verbose: return TEXT("Verbose");
	case ELogVerbosity::VeryVerbose: return TEXT("VeryVerbose");
	default: return TEXT("Unknown");
	}
}

FLogCategoryBase::FLogCategoryBase(const TCHAR* InCategoryName, ELogVerbosity::Type InDefaultVerbosity)
	: CategoryName(InCategoryName), Verbosity(InDefaultVerbosity)
{
}

bool IsInGameThread() { return std::this_thread::get_id() == GGameThreadId; }

namespace UE::HeadlessEditor
{
	FString FormatLogLine(const FName& Category, ELogVerbosity::Type Verbosity, const FString& Message)
	{
		const auto Now = std::chrono::system_clock::now();
		const std::time_t Seconds = std::chrono::system_clock::to_time_t(Now);
		const int Millis = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Now.time_since_epoch()).count() % 1000);
		std::tm Utc{};
		gmtime_r(&Seconds, &Utc);
		const uint64 Frame = __atomic_load_n(&GFrameCounter, __ATOMIC_RELAXED);
		char Stamp[64];
		std::snprintf(Stamp, sizeof(Stamp), "[%04d.%02d.%02d-%02d.%02d.%02d:%03d][%3d]", Utc.tm_year + 1900, Utc.tm_mon + 1, Utc.tm_mday,
			Utc.tm_hour, Utc.tm_min, Utc.tm_sec, Millis, static_cast<int>(Frame % 1000));
		FString Line(Stamp);
		Line += Category.ToString();
		Line += TEXT(": ");
		const ELogVerbosity::Type Level = static_cast<ELogVerbosity::Type>(Verbosity & ELogVerbosity::VerbosityMask);
		if (Level != ELogVerbosity::Log)
		{
			Line += ToString(Level);
			Line += TEXT(": ");
		}
		Line += Message;
		return Line;
	}

	int32 AddLogListener(FLogListener Listener)
	{
		FLogState& S = State();
		std::lock_guard<std::mutex> Lock(S.Mutex);
		S.Listeners.emplace_back(S.NextListener, std::move(Listener));
		return S.NextListener++;
	}

	void RemoveLogListener(int32 Handle)
	{
		FLogState& S = State();
		std::lock_guard<std::mutex> Lock(S.Mutex);
		for (auto It = S.Listeners.begin(); It != S.Listeners.end(); ++It)
		{
			if (It->first == Handle) { S.Listeners.erase(It); return; }
		}
	}

	bool SetLogFile(const FString& Path)
	{
		FLogState& S = State();
		std::lock_guard<std::mutex> Lock(S.Mutex);
		if (S.File) { std::fclose(S.File); S.File = nullptr; }
		if (Path.IsEmpty()) { return true; }
		S.File = std::fopen(ToUtf8(Path).c_str(), "wb");
		return S.File != nullptr;
	}

	void SetLogToStdout(bool bEnabled)
	{
		FLogState& S = State();
		std::lock_guard<std::mutex> Lock(S.Mutex);
		S.bStdout = bEnabled;
	}

	void SetGameThread() { GGameThreadId = std::this_thread::get_id(); }
	void AdvanceFrameCounter() { __atomic_add_fetch(&GFrameCounter, 1, __ATOMIC_RELAXED); }

	[[noreturn]] void FatalLogged()
	{
		std::fflush(nullptr);
		std::abort();
	}

	[[noreturn]] void AssertFailed(const char* Expr, const char* File, int Line, const char* Message)
	{
		FMsg::LogLine(FName(TEXT("LogOutputDevice")), ELogVerbosity::Error,
			FString::Printf(TEXT("Assertion failed: %s [File:%s] [Line: %d] %s"), Expr, File, Line, Message));
		std::fflush(nullptr);
		std::abort();
	}

	void EnsureFailed(const char* Expr, const char* File, int Line)
	{
		FMsg::LogLine(FName(TEXT("LogOutputDevice")), ELogVerbosity::Error,
			FString::Printf(TEXT("Ensure condition failed: %s [File:%s] [Line: %d]"), Expr, File, Line));
	}
}

void FMsg::Logf(const FLogCategoryBase& Category, ELogVerbosity::Type Verbosity, const FString& Message)
{
	LogLine(Category.GetCategoryName(), Verbosity, Message);
}

void FMsg::LogLine(const FName& CategoryName, ELogVerbosity::Type Verbosity, const FString& Message)
{
	UE::HeadlessEditor::FLogLine Line{ CategoryName, Verbosity, Message, UE::HeadlessEditor::FormatLogLine(CategoryName, Verbosity, Message) };
	const std::string Utf8 = UE::HeadlessEditor::ToUtf8(Line.Formatted) + "\n";

	FLogState& S = State();
	std::vector<UE::HeadlessEditor::FLogListener> Listeners;
	{
		std::lock_guard<std::mutex> Lock(S.Mutex);
		if (S.bStdout)
		{
			std::fwrite(Utf8.data(), 1, Utf8.size(), stdout);
			std::fflush(stdout);
		}
		if (S.File)
		{
			std::fwrite(Utf8.data(), 1, Utf8.size(), S.File);
			std::fflush(S.File);
		}
		for (auto& Entry : S.Listeners) { Listeners.push_back(Entry.second); }
	}
	// Listeners run outside the lock so that they may log themselves.
	for (auto& Listener : Listeners) { Listener(Line); }
}

#include "Delegates/IDelegateInstance.h"
FDelegateHandle::FDelegateHandle(EGenerateNewHandleType)
{
	static std::atomic<uint64> NextID{ 1 };
	ID = NextID.fetch_add(1);
}
