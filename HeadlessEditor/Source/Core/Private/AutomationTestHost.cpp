#include "AutomationTestHost.h"

FHeadlessAutomation::FResults FHeadlessAutomation::RunTests(const FString& Filter)
{
	return FAutomationTestFramework::Get().RunTests(Filter);
}
