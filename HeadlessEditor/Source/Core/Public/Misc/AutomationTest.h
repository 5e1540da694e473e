// Automation tests as the engine declares them. A test fails when RunTest returns false, when
// AddError is called, or when an Error line is logged while it runs and was not expected.
#pragma once

#include <cmath>
#include <memory>
#include <string>
#include <type_traits>

#include "CoreMinimal.h"
#include "Misc/EnumClassFlags.h"

enum class EAutomationTestFlags
{
	None = 0, EditorContext = 0x1, ClientContext = 0x2, ServerContext = 0x4, CommandletContext = 0x8, ProgramContext = 0x10,
	NonNullRHI = 0x100, RequiresUser = 0x200, Disabled = 0x10000,
	CriticalPriority = 0x100000, HighPriority = 0x200000, MediumPriority = 0x400000, LowPriority = 0x800000,
	SmokeFilter = 0x1000000, EngineFilter = 0x2000000, ProductFilter = 0x4000000, PerfFilter = 0x8000000,
	StressFilter = 0x10000000, NegativeFilter = 0x20000000
};
ENUM_CLASS_FLAGS(EAutomationTestFlags)

inline constexpr EAutomationTestFlags EAutomationTestFlags_ApplicationContextMask = EAutomationTestFlags::EditorContext | EAutomationTestFlags::ClientContext |
	EAutomationTestFlags::ServerContext | EAutomationTestFlags::CommandletContext | EAutomationTestFlags::ProgramContext;
inline constexpr EAutomationTestFlags EAutomationTestFlags_FeatureMask = EAutomationTestFlags::NonNullRHI | EAutomationTestFlags::RequiresUser;
inline constexpr EAutomationTestFlags EAutomationTestFlags_HighPriorityAndAbove = EAutomationTestFlags::CriticalPriority | EAutomationTestFlags::HighPriority;
inline constexpr EAutomationTestFlags EAutomationTestFlags_MediumPriorityAndAbove = EAutomationTestFlags::CriticalPriority | EAutomationTestFlags::HighPriority |
	EAutomationTestFlags::MediumPriority;
inline constexpr EAutomationTestFlags EAutomationTestFlags_PriorityMask = EAutomationTestFlags::CriticalPriority | EAutomationTestFlags::HighPriority |
	EAutomationTestFlags::MediumPriority | EAutomationTestFlags::LowPriority;
inline constexpr EAutomationTestFlags EAutomationTestFlags_FilterMask = EAutomationTestFlags::SmokeFilter | EAutomationTestFlags::EngineFilter |
	EAutomationTestFlags::ProductFilter | EAutomationTestFlags::PerfFilter | EAutomationTestFlags::StressFilter | EAutomationTestFlags::NegativeFilter;

namespace EAutomationExpectedMessageFlags
{
	enum MatchType { Exact, Contains };
	inline const TCHAR* ToString(EAutomationExpectedMessageFlags::MatchType ThisType)
	{
		switch (ThisType)
		{
		case Contains: return TEXT("Contains");
		case Exact: return TEXT("Exact");
		}
		return TEXT("Unknown");
	}
}
namespace EAutomationExpectedErrorFlags = EAutomationExpectedMessageFlags;

class CORE_API FAutomationTestBase
{
public:
	FAutomationTestBase(const FString& InName, const bool bInComplexTask);
	virtual ~FAutomationTestBase();

	virtual EAutomationTestFlags GetTestFlags() const = 0;
	virtual FString GetBeautifiedTestName() const = 0;
	virtual void GetTests(TArray<FString>& OutBeautifiedNames, TArray<FString>& OutTestCommands) const;
	virtual bool RunTest(const FString& Parameters) = 0;
	const FString& GetTestName() const { return TestName; }
	bool IsComplexTask() const { return bComplexTask; }

	virtual void AddError(const FString& InError, int32 StackOffset = 0);
	virtual void AddWarning(const FString& InWarning, int32 StackOffset = 0);
	virtual void AddInfo(const FString& InLogItem, int32 StackOffset = 0, bool bCaptureStack = false);
	void AddExpectedError(FString ExpectedPatternString, EAutomationExpectedErrorFlags::MatchType CompareType = EAutomationExpectedErrorFlags::Contains,
		int32 Occurrences = 1, bool IsRegex = true);
	void AddExpectedErrorPlain(FString ExpectedString, EAutomationExpectedErrorFlags::MatchType CompareType = EAutomationExpectedErrorFlags::Contains,
		int32 Occurrences = 1);
	void AddExpectedMessage(FString ExpectedPatternString, EAutomationExpectedErrorFlags::MatchType CompareType = EAutomationExpectedErrorFlags::Contains,
		int32 Occurrences = 1, bool IsRegex = true) { AddExpectedError(ExpectedPatternString, CompareType, Occurrences, IsRegex); }
	void AddExpectedMessagePlain(FString ExpectedString, EAutomationExpectedErrorFlags::MatchType CompareType = EAutomationExpectedErrorFlags::Contains,
		int32 Occurrences = 1) { AddExpectedErrorPlain(ExpectedString, CompareType, Occurrences); }
	bool HasAnyErrors() const;

	bool TestTrue(const TCHAR* What, bool Value);
	bool TestTrue(const FString& What, bool Value) { return TestTrue(*What, Value); }
	bool TestFalse(const TCHAR* What, bool Value);
	bool TestFalse(const FString& What, bool Value) { return TestFalse(*What, Value); }

	// Text compares ignoring case, as the engine's TestEqual does; the Sensitive forms compare
	// exactly.
	bool TestEqual(const TCHAR* What, FStringView Actual, FStringView Expected);
	bool TestEqual(const TCHAR* What, const TCHAR* Actual, const TCHAR* Expected) { return TestEqual(What, FStringView(Actual), FStringView(Expected)); }
	bool TestEqual(const TCHAR* What, const FString& Actual, const FString& Expected) { return TestEqual(What, FStringView(Actual), FStringView(Expected)); }
	bool TestEqual(const TCHAR* What, const FString& Actual, const TCHAR* Expected) { return TestEqual(What, FStringView(Actual), FStringView(Expected)); }
	bool TestNotEqual(const TCHAR* What, FStringView Actual, FStringView Expected);
	bool TestNotEqual(const TCHAR* What, const TCHAR* Actual, const TCHAR* Expected) { return TestNotEqual(What, FStringView(Actual), FStringView(Expected)); }
	bool TestNotEqual(const TCHAR* What, const FString& Actual, const FString& Expected) { return TestNotEqual(What, FStringView(Actual), FStringView(Expected)); }
	bool TestEqualSensitive(const TCHAR* What, FStringView Actual, FStringView Expected);
	bool TestEqualSensitive(const TCHAR* What, const TCHAR* Actual, const TCHAR* Expected) { return TestEqualSensitive(What, FStringView(Actual), FStringView(Expected)); }
	bool TestEqualSensitive(const FString& What, FStringView Actual, FStringView Expected) { return TestEqualSensitive(*What, Actual, Expected); }
	bool TestNotEqualSensitive(const TCHAR* What, FStringView Actual, FStringView Expected);
	bool TestNotEqualSensitive(const FString& What, FStringView Actual, FStringView Expected) { return TestNotEqualSensitive(*What, Actual, Expected); }
	bool TestEqual(const TCHAR* What, double Actual, double Expected, double Tolerance);
	bool TestEqual(const TCHAR* What, float Actual, float Expected, float Tolerance) { return TestEqual(What, double(Actual), double(Expected), double(Tolerance)); }
	template <typename ActualType, typename ExpectedType>
	bool TestEqual(const TCHAR* What, const ActualType& Actual, const ExpectedType& Expected)
	{
		if constexpr (std::is_arithmetic_v<ActualType> && std::is_arithmetic_v<ExpectedType>)
		{
			if (std::is_floating_point_v<ActualType> || std::is_floating_point_v<ExpectedType>)
			{
				return TestEqual(What, double(Actual), double(Expected), 1.e-4);
			}
			if (static_cast<long double>(Actual) == static_cast<long double>(Expected)) { return true; }
			AddError(FString::Printf(TEXT("Expected '%s' to be %s, but it was %s."), What, *Describe(Expected), *Describe(Actual)));
			return false;
		}
		else
		{
			if (Actual == Expected) { return true; }
			AddError(FString::Printf(TEXT("Expected '%s' to be %s, but it was %s."), What, *Describe(Expected), *Describe(Actual)));
			return false;
		}
	}
	template <typename ActualType, typename ExpectedType>
	bool TestEqual(const FString& What, const ActualType& Actual, const ExpectedType& Expected) { return TestEqual(*What, Actual, Expected); }
	template <typename ActualType, typename ExpectedType>
	bool TestNotEqual(const TCHAR* What, const ActualType& Actual, const ExpectedType& Expected)
	{
		if (!(Actual == Expected)) { return true; }
		AddError(FString::Printf(TEXT("Expected '%s' to differ from %s, but it was equal."), What, *Describe(Expected)));
		return false;
	}
	template <typename ActualType, typename ExpectedType>
	bool TestNotEqual(const FString& What, const ActualType& Actual, const ExpectedType& Expected) { return TestNotEqual(*What, Actual, Expected); }
	template <typename ValueType>
	bool TestSame(const TCHAR* What, const ValueType& Actual, const ValueType& Expected)
	{
		if (&Actual == &Expected) { return true; }
		AddError(FString::Printf(TEXT("Expected '%s' to be the same object."), What));
		return false;
	}
	template <typename ValueType>
	bool TestNull(const TCHAR* What, const ValueType* Pointer)
	{
		if (Pointer == nullptr) { return true; }
		AddError(FString::Printf(TEXT("Expected '%s' to be null."), What));
		return false;
	}
	template <typename ValueType>
	bool TestNotNull(const TCHAR* What, const ValueType* Pointer)
	{
		if (Pointer != nullptr) { return true; }
		AddError(FString::Printf(TEXT("Expected '%s' to be not null."), What));
		return false;
	}
	template <typename ValueType>
	bool TestNull(const FString& What, const ValueType* Pointer) { return TestNull(*What, Pointer); }
	template <typename ValueType>
	bool TestNotNull(const FString& What, const ValueType* Pointer) { return TestNotNull(*What, Pointer); }
	template <typename ValueType, ESPMode Mode>
	bool TestValid(const TCHAR* What, const TSharedPtr<ValueType, Mode>& Pointer) { return TestTrue(What, Pointer.IsValid()); }
	template <typename ValueType, ESPMode Mode>
	bool TestInvalid(const TCHAR* What, const TSharedPtr<ValueType, Mode>& Pointer) { return TestFalse(What, Pointer.IsValid()); }

protected:
	FString TestName;
	bool bComplexTask;

private:
	template <typename T>
	static FString Describe(const T& Value)
	{
		if constexpr (std::is_same_v<T, bool>) { return Value ? FString(TEXT("true")) : FString(TEXT("false")); }
		else if constexpr (std::is_enum_v<T>) { return FString::FromInt(static_cast<int32>(Value)); }
		else if constexpr (std::is_integral_v<T>) { return FString(std::to_string(Value).c_str()); }
		else if constexpr (std::is_floating_point_v<T>) { return FString::SanitizeFloat(Value); }
		else if constexpr (std::is_convertible_v<T, FString>) { return FString(TEXT("\"")) + FString(Value) + TEXT("\""); }
		else if constexpr (std::is_same_v<T, FName>) { return Value.ToString(); }
		else { return FString(TEXT("(value)")); }
	}
	// The runner's view of one run (the host's runner is FAutomationTestFramework's).
	friend class FAutomationTestFramework;
	struct FExpectedMessage;
	struct FRunState;
	FRunState& GetRunState() const;
	std::unique_ptr<FRunState> RunState;
};

// The registry of automation tests. The headless editor runs them through FHeadlessAutomation
// (Core/Host/AutomationTestHost.h).
class CORE_API FAutomationTestFramework
{
public:
	static FAutomationTestFramework& Get();
	static FAutomationTestFramework& GetInstance() { return Get(); }
	bool RegisterAutomationTest(const FString& InTestNameToRegister, FAutomationTestBase* InTestToRegister);
	bool UnregisterAutomationTest(const FString& InTestNameToUnregister);
	// The test running now, or null.
	FAutomationTestBase* GetCurrentTest() const;

private:
	friend struct FHeadlessAutomation;
	struct FResults { int32 Passed = 0; int32 Failed = 0; };
	// Runs every test whose name contains Filter (ignoring case), in name order, and logs each result.
	FResults RunTests(const FString& Filter);

	FAutomationTestFramework() = default;
	struct FImpl;
	FImpl& Impl() const;
};

#define IMPLEMENT_AUTOMATION_TEST_PRIVATE(TClass, PrettyName, TFlags, bComplex) \
	class TClass : public FAutomationTestBase \
	{ \
	public: \
		TClass(const FString& InName) : FAutomationTestBase(InName, bComplex) {} \
		virtual EAutomationTestFlags GetTestFlags() const override { return TFlags; } \
		virtual FString GetBeautifiedTestName() const override { return TEXT(PrettyName); } \
		virtual bool RunTest(const FString& Parameters) override; \
	};

#define IMPLEMENT_SIMPLE_AUTOMATION_TEST(TClass, PrettyName, TFlags) \
	IMPLEMENT_AUTOMATION_TEST_PRIVATE(TClass, PrettyName, TFlags, false) \
	namespace { TClass TClass##AutomationTestInstance(TEXT(#TClass)); }

#define IMPLEMENT_COMPLEX_AUTOMATION_TEST(TClass, PrettyName, TFlags) \
	class TClass : public FAutomationTestBase \
	{ \
	public: \
		TClass(const FString& InName) : FAutomationTestBase(InName, true) {} \
		virtual EAutomationTestFlags GetTestFlags() const override { return TFlags; } \
		virtual FString GetBeautifiedTestName() const override { return TEXT(PrettyName); } \
		virtual void GetTests(TArray<FString>& OutBeautifiedNames, TArray<FString>& OutTestCommands) const override; \
		virtual bool RunTest(const FString& Parameters) override; \
	}; \
	namespace { TClass TClass##AutomationTestInstance(TEXT(#TClass)); }
