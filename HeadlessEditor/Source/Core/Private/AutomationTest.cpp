// Registry and runner of automation tests. While a test runs, Error and Warning log lines are
// matched against its expected messages; an unexpected Error fails the test, as in the engine.
#include "Misc/AutomationTest.h"
#include "HeadlessEditorHost.h"
#include "HeadlessString.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <regex>

struct FAutomationTestBase::FExpectedMessage
{
	FString Pattern;
	EAutomationExpectedErrorFlags::MatchType CompareType;
	int32 Occurrences;
	bool bIsRegex;
	int32 Seen = 0;
};

struct FAutomationTestBase::FRunState
{
	std::mutex Mutex;
	TArray<FString> Errors;
	TArray<FString> Warnings;
	std::vector<FExpectedMessage> Expected;
};

FAutomationTestBase::FAutomationTestBase(const FString& InName, const bool bInComplexTask)
	: TestName(InName), bComplexTask(bInComplexTask), RunState(std::make_unique<FRunState>())
{
	FAutomationTestFramework::Get().RegisterAutomationTest(InName, this);
}

FAutomationTestBase::~FAutomationTestBase() { FAutomationTestFramework::Get().UnregisterAutomationTest(TestName); }

FAutomationTestBase::FRunState& FAutomationTestBase::GetRunState() const { return *RunState; }

void FAutomationTestBase::GetTests(TArray<FString>& OutBeautifiedNames, TArray<FString>& OutTestCommands) const
{
	OutBeautifiedNames.Add(GetBeautifiedTestName());
	OutTestCommands.Add(FString());
}

void FAutomationTestBase::AddError(const FString& InError, int32)
{
	std::lock_guard<std::mutex> Lock(RunState->Mutex);
	RunState->Errors.Add(InError);
}

void FAutomationTestBase::AddWarning(const FString& InWarning, int32)
{
	std::lock_guard<std::mutex> Lock(RunState->Mutex);
	RunState->Warnings.Add(InWarning);
}

void FAutomationTestBase::AddInfo(const FString&, int32, bool) {}

void FAutomationTestBase::AddExpectedError(FString ExpectedPatternString, EAutomationExpectedErrorFlags::MatchType CompareType, int32 Occurrences, bool IsRegex)
{
	// 0 means "at least once"; a negative count is refused with an error, which fails the test.
	if (Occurrences < 0)
	{
		UE_LOG(LogAutomationTest, Error, TEXT("Adding expected log message matching '%s' failed: number of expected occurrences must be >= 0"), *ExpectedPatternString);
		return;
	}
	std::lock_guard<std::mutex> Lock(RunState->Mutex);
	RunState->Expected.push_back({ ExpectedPatternString, CompareType, Occurrences, IsRegex });
}

void FAutomationTestBase::AddExpectedErrorPlain(FString ExpectedString, EAutomationExpectedErrorFlags::MatchType CompareType, int32 Occurrences)
{
	AddExpectedError(ExpectedString, CompareType, Occurrences, false);
}

bool FAutomationTestBase::HasAnyErrors() const
{
	std::lock_guard<std::mutex> Lock(RunState->Mutex);
	return RunState->Errors.Num() > 0;
}

bool FAutomationTestBase::TestTrue(const TCHAR* What, bool Value)
{
	if (!Value) { AddError(FString::Printf(TEXT("Expected '%s' to be true."), What)); }
	return Value;
}

bool FAutomationTestBase::TestFalse(const TCHAR* What, bool Value)
{
	if (Value) { AddError(FString::Printf(TEXT("Expected '%s' to be false."), What)); }
	return !Value;
}

bool FAutomationTestBase::TestEqual(const TCHAR* What, FStringView Actual, FStringView Expected)
{
	if (Actual.Equals(Expected, ESearchCase::IgnoreCase)) { return true; }
	AddError(FString::Printf(TEXT("Expected '%s' to be \"%s\", but it was \"%s\"."), What, *FString(Expected), *FString(Actual)));
	return false;
}

bool FAutomationTestBase::TestNotEqual(const TCHAR* What, FStringView Actual, FStringView Expected)
{
	if (!Actual.Equals(Expected, ESearchCase::IgnoreCase)) { return true; }
	AddError(FString::Printf(TEXT("Expected '%s' to differ from \"%s\", but it was equal."), What, *FString(Expected)));
	return false;
}

bool FAutomationTestBase::TestEqualSensitive(const TCHAR* What, FStringView Actual, FStringView Expected)
{
	if (Actual.Equals(Expected, ESearchCase::CaseSensitive)) { return true; }
	AddError(FString::Printf(TEXT("Expected '%s' to be \"%s\", but it was \"%s\"."), What, *FString(Expected), *FString(Actual)));
	return false;
}

bool FAutomationTestBase::TestNotEqualSensitive(const TCHAR* What, FStringView Actual, FStringView Expected)
{
	if (!Actual.Equals(Expected, ESearchCase::CaseSensitive)) { return true; }
	AddError(FString::Printf(TEXT("Expected '%s' to differ from \"%s\", but it was equal."), What, *FString(Expected)));
	return false;
}

bool FAutomationTestBase::TestEqual(const TCHAR* What, double Actual, double Expected, double Tolerance)
{
	if (std::abs(Actual - Expected) <= Tolerance) { return true; }
	AddError(FString::Printf(TEXT("Expected '%s' to be %f, but it was %f within tolerance %f."), What, Expected, Actual, Tolerance));
	return false;
}

namespace
{
	template <typename FExpected>
	bool MessageMatches(const FExpected& Expected, const FString& Message)
	{
		if (Expected.bIsRegex)
		{
			std::regex Pattern(UE::HeadlessEditor::ToUtf8(Expected.Pattern), std::regex::ECMAScript | std::regex::icase);
			const std::string Text = UE::HeadlessEditor::ToUtf8(Message);
			// A pattern is searched for, whatever the compare type.
			return std::regex_search(Text, Pattern);
		}
		// Contains ignores case; Exact is Contains of the same length.
		return Message.Contains(Expected.Pattern, ESearchCase::IgnoreCase) && (Expected.CompareType != EAutomationExpectedErrorFlags::Exact || Message.Len() == Expected.Pattern.Len());
	}
}

struct FAutomationTestFramework::FImpl
{
	std::mutex Mutex;
	std::map<std::u16string, FAutomationTestBase*> Tests; // by class name
	FAutomationTestBase* Current = nullptr;
};

FAutomationTestFramework& FAutomationTestFramework::Get()
{
	static FAutomationTestFramework Instance;
	return Instance;
}

FAutomationTestFramework::FImpl& FAutomationTestFramework::Impl() const
{
	static FImpl Instance;
	return Instance;
}

bool FAutomationTestFramework::RegisterAutomationTest(const FString& InTestNameToRegister, FAutomationTestBase* InTestToRegister)
{
	std::lock_guard<std::mutex> Lock(Impl().Mutex);
	return Impl().Tests.emplace(UE::HeadlessEditor::GetStdString(InTestNameToRegister), InTestToRegister).second;
}

bool FAutomationTestFramework::UnregisterAutomationTest(const FString& InTestNameToUnregister)
{
	std::lock_guard<std::mutex> Lock(Impl().Mutex);
	return Impl().Tests.erase(UE::HeadlessEditor::GetStdString(InTestNameToUnregister)) > 0;
}

FAutomationTestBase* FAutomationTestFramework::GetCurrentTest() const
{
	std::lock_guard<std::mutex> Lock(Impl().Mutex);
	return Impl().Current;
}

FAutomationTestFramework::FResults FAutomationTestFramework::RunTests(const FString& Filter)
{
	struct FCase { FString Name; FString Command; FAutomationTestBase* Test; };
	std::vector<FCase> Cases;
	{
		std::lock_guard<std::mutex> Lock(Impl().Mutex);
		for (auto& Entry : Impl().Tests)
		{
			TArray<FString> Names, Commands;
			Entry.second->GetTests(Names, Commands);
			for (int32 Index = 0; Index < Names.Num(); ++Index)
			{
				// A complex test runs once per command, each named after the test and the case.
				const FString FullName = Entry.second->IsComplexTask()
					? Entry.second->GetBeautifiedTestName() + TEXT(".") + Names[Index] : Entry.second->GetBeautifiedTestName();
				if (Filter.IsEmpty() || FullName.Contains(Filter)) { Cases.push_back({ FullName, Commands.IsValidIndex(Index) ? Commands[Index] : FString(), Entry.second }); }
			}
		}
	}
	std::sort(Cases.begin(), Cases.end(), [](const FCase& A, const FCase& B) { return A.Name.Compare(B.Name) < 0; });

	// Routes Error and Warning lines of any thread to the test that is running.
	const int32 Listener = UE::HeadlessEditor::AddLogListener([this](const UE::HeadlessEditor::FLogLine& Line) {
		const ELogVerbosity::Type Level = static_cast<ELogVerbosity::Type>(Line.Verbosity & ELogVerbosity::VerbosityMask);
		if (Level != ELogVerbosity::Error && Level != ELogVerbosity::Warning && Level != ELogVerbosity::Fatal) { return; }
		std::lock_guard<std::mutex> Lock(Impl().Mutex);
		FAutomationTestBase* Test = Impl().Current;
		if (!Test) { return; }
		FAutomationTestBase::FRunState& State = Test->GetRunState();
		std::lock_guard<std::mutex> StateLock(State.Mutex);
		// A log line reaches the test as "Category: message", and expected messages match that.
		const FString Event = Line.Category.ToString() + TEXT(": ") + Line.Message;
		for (FAutomationTestBase::FExpectedMessage& Expected : State.Expected)
		{
			if (MessageMatches(Expected, Event)) { ++Expected.Seen; return; }
		}
		if (Level == ELogVerbosity::Warning) { State.Warnings.Add(Line.Message); }
		else { State.Errors.Add(FString(TEXT("Unexpected error logged: ")) + Line.Message); }
	});

	FResults Results;
	for (const FCase& Case : Cases)
	{
		FAutomationTestBase::FRunState& State = Case.Test->GetRunState();
		{
			std::lock_guard<std::mutex> StateLock(State.Mutex);
			State.Errors.Reset();
			State.Warnings.Reset();
			State.Expected.clear();
		}
		UE_LOG(LogAutomationTest, Display, TEXT("Test Started. Name={%s}"), *Case.Name);
		{
			std::lock_guard<std::mutex> Lock(Impl().Mutex);
			Impl().Current = Case.Test;
		}
		const bool bReturned = Case.Test->RunTest(Case.Command);
		{
			std::lock_guard<std::mutex> Lock(Impl().Mutex);
			Impl().Current = nullptr;
		}
		TArray<FString> Errors;
		TArray<FString> Warnings;
		{
			std::lock_guard<std::mutex> StateLock(State.Mutex);
			for (const FAutomationTestBase::FExpectedMessage& Expected : State.Expected)
			{
				const bool bCountOk = Expected.Occurrences == 0 ? Expected.Seen > 0 : Expected.Seen == Expected.Occurrences;
				if (!bCountOk)
				{
					State.Errors.Add(FString::Printf(TEXT("Expected message '%s' %d time(s), seen %d time(s)."), *Expected.Pattern,
						Expected.Occurrences, Expected.Seen));
				}
			}
			Errors = State.Errors;
			Warnings = State.Warnings;
		}
		for (const FString& Warning : Warnings) { UE_LOG(LogAutomationTest, Display, TEXT("  warning: %s"), *Warning); }
		for (const FString& Error : Errors) { UE_LOG(LogAutomationTest, Display, TEXT("  error: %s"), *Error); }
		const bool bPassed = bReturned && Errors.Num() == 0;
		if (!bReturned && Errors.Num() == 0) { UE_LOG(LogAutomationTest, Display, TEXT("  error: RunTest returned false")); }
		UE_LOG(LogAutomationTest, Display, TEXT("Test Completed. Result={%s} Name={%s}"), bPassed ? TEXT("Success") : TEXT("Fail"), *Case.Name);
		(bPassed ? Results.Passed : Results.Failed) += 1;
	}
	UE::HeadlessEditor::RemoveLogListener(Listener);
	return Results;
}
