#pragma once

#include "CoreMinimal.h"
#include "Framework/Commands/UIAction.h"
#include "Modules/ModuleInterface.h"

// The editor module: registers the toolbar style and the toggle that starts and stops the
// bridge server. The server is off until the user presses the toggle.
class FMOLDARIPluginModule : public IModuleInterface
{
public:
	virtual void StartupModule() override;
	virtual void ShutdownModule() override;

	static void RegisterMenus();
	static void ToggleServer();
	static bool IsServerChecked();
	// The toolbar toggle's action: press it, ask whether it is checked.
	static FUIAction MakeToggleAction();

private:
	FDelegateHandle MenusStartupHandle;
};
