// The HTTP module: makes requests. Transfers run on one HTTP thread (libcurl); completion and
// progress delegates are delivered on the game thread by default.
#pragma once

#include <atomic>

#include "CoreMinimal.h"
#include "HttpFwd.h"
#include "Modules/ModuleInterface.h"
#include "Interfaces/IHttpRequest.h"

namespace UE::HeadlessEditor { class FCurlHttpManager; }

class HTTP_API FHttpModule : public IModuleInterface
{
public:
	// Loads the module if needed, which only the game thread may do (as in the engine). The
	// headless editor loads it before plugins start.
	static FHttpModule& Get();

	virtual TSharedRef<IHttpRequest, ESPMode::ThreadSafe> CreateRequest();

	// Module-wide total time limit per request in seconds; 0 (the default) means none.
	void SetHttpTimeout(float TimeOutInSec);
	float GetHttpTimeout() const;

	virtual void StartupModule() override;
	virtual void ShutdownModule() override;

private:
	TSharedPtr<UE::HeadlessEditor::FCurlHttpManager> Manager;
};
