// The HTTP module: registered with the module manager as "HTTP", built into the host.
#include "HttpModule.h"

#include <mutex>

#include "CurlHttp.h"
#include "Modules/ModuleManager.h"

using UE::HeadlessEditor::FCurlHttpManager;
using UE::HeadlessEditor::FCurlHttpRequest;

namespace
{
	FStaticallyLinkedModuleRegistrant<FHttpModule> GRegisterHttpModule(TEXT("HTTP"));
}

FHttpModule& FHttpModule::Get()
{
	if (FHttpModule* Loaded = FModuleManager::GetModulePtr<FHttpModule>(TEXT("HTTP"))) { return *Loaded; }
	check(IsInGameThread());
	return FModuleManager::LoadModuleChecked<FHttpModule>(TEXT("HTTP"));
}

void FHttpModule::StartupModule()
{
	// curl_global_init is not safe to race with other curl calls; the first start-up does it
	// once for the whole process.
	static std::once_flag CurlInit;
	std::call_once(CurlInit, []() { curl_global_init(CURL_GLOBAL_DEFAULT); });
	Manager = MakeShared<FCurlHttpManager>();
	Manager->Start();
}

void FHttpModule::ShutdownModule()
{
	if (Manager)
	{
		Manager->Shutdown();
		Manager.Reset();
	}
}

TSharedRef<IHttpRequest, ESPMode::ThreadSafe> FHttpModule::CreateRequest()
{
	std::weak_ptr<FCurlHttpManager> Weak;
	if (Manager) { Weak = UE::HeadlessEditor::FSharedAccess::Get(Manager); }
	return MakeShared<FCurlHttpRequest>(Weak);
}

void FHttpModule::SetHttpTimeout(float TimeOutInSec)
{
	if (Manager) { Manager->ModuleTimeoutSeconds = TimeOutInSec; }
}

float FHttpModule::GetHttpTimeout() const
{
	return Manager ? Manager->ModuleTimeoutSeconds.load() : 0.0f;
}
