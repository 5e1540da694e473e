// The editor's content monitoring with its default settings (monitor content directories,
// auto-create assets, prompt before importing, a 3-second threshold): a model or an image that
// appears or changes under the project's Content folder (Localization excluded) is noticed once
// it has been still for 3 seconds, and the editor asks whether to import the changes. Pressing
// "Import" (the console's "content-changes import") imports each file as an asset named after it
// in the matching content path; "Don't Import" forgets them. Not run while automation tests run.
#pragma once

#include "CoreMinimal.h"

namespace UE::HeadlessEditor
{
	// Takes the files there now as known and starts watching, on the core ticker.
	UNREALED_API void StartContentMonitor();
	UNREALED_API void StopContentMonitor();
	// The changed files waiting for an answer, full paths.
	UNREALED_API TArray<FString> GetPendingContentChanges();
}
