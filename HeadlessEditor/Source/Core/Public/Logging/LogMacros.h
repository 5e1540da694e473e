// UE_LOG and log categories. Lines go to every registered output device (standard output and
// the project's log file in the editor), in the engine's layout.
#pragma once

#include "HAL/Platform.h"
#include "Containers/UnrealString.h"
#include "Logging/LogVerbosity.h"
#include "Logging/LogCategory.h"

struct CORE_API FMsg
{
	static void Logf(const FLogCategoryBase& Category, ELogVerbosity::Type Verbosity, const FString& Message);
	static void LogLine(const FName& CategoryName, ELogVerbosity::Type Verbosity, const FString& Message);
};

namespace UE::HeadlessEditor
{
	[[noreturn]] CORE_API void FatalLogged();
}

#define DECLARE_LOG_CATEGORY_EXTERN(CategoryName, DefaultVerbosity, CompileTimeVerbosity) \
	struct FLogCategory##CategoryName : public FLogCategoryBase \
	{ \
		FLogCategory##CategoryName() : FLogCategoryBase(TEXT(#CategoryName), ELogVerbosity::DefaultVerbosity) {} \
	}; \
	extern FLogCategory##CategoryName CategoryName;

#define DEFINE_LOG_CATEGORY(CategoryName) FLogCategory##CategoryName CategoryName;

#define DEFINE_LOG_CATEGORY_STATIC(CategoryName, DefaultVerbosity, CompileTimeVerbosity) \
	static struct FLogCategory##CategoryName : public FLogCategoryBase \
	{ \
		FLogCategory##CategoryName() : FLogCategoryBase(TEXT(#CategoryName), ELogVerbosity::DefaultVerbosity) {} \
	} CategoryName;

#define UE_LOG(CategoryName, Verbosity, Format, ...) \
	do \
	{ \
		if (!(CategoryName).IsSuppressed(ELogVerbosity::Verbosity)) \
		{ \
			FMsg::Logf(CategoryName, ELogVerbosity::Verbosity, FString::Printf(Format, ##__VA_ARGS__)); \
			if (ELogVerbosity::Verbosity == ELogVerbosity::Fatal) { ::UE::HeadlessEditor::FatalLogged(); } \
		} \
	} while (0)

#define UE_CLOG(Condition, CategoryName, Verbosity, Format, ...) \
	do { if (Condition) { UE_LOG(CategoryName, Verbosity, Format, ##__VA_ARGS__); } } while (0)
