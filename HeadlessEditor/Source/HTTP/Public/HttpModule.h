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
	// Loads the module if needed. The headless editor loads it before plugins start.
	static FHttpModule& Get();
	static bool IsAvailable();

	virtual TSharedRef<IHttpRequest, ESPMode::ThreadSafe> CreateRequest();

	// Module-wide total time limit per request in seconds; 0 (the default) means none.
	void SetHttpTimeout(float TimeOutInSec);
	float GetHttpTimeout() const;

	virtual void StartupModule() override;
	virtual void ShutdownModule() override;
	virtual bool SupportsDynamicReloading() override { return false; }

private:
	TSharedPtr<UE::HeadlessEditor::FCurlHttpManager> Manager;
};
