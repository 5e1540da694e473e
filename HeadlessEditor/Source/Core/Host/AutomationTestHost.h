// The headless editor's automation test runner (`headless-editor --run-tests FILTER`). The engine
// runs tests through its automation controller instead; the registry itself is the engine's
// FAutomationTestFramework.
#pragma once

#include "Misc/AutomationTest.h"

struct CORE_API FHeadlessAutomation
{
	using FResults = FAutomationTestFramework::FResults;
	// Runs every registered test whose name contains Filter (ignoring case), in name order, with
	// the log's Error and Warning lines checked against each test's expected messages, and logs
	// each result.
	static FResults RunTests(const FString& Filter);
};
