// FContentBrowserModule: the editor module of the Content Browser.
#pragma once

#include "AssetRegistry/AssetData.h"
#include "CoreMinimal.h"
#include "Modules/ModuleInterface.h"

class IContentBrowserSingleton;

class FContentBrowserModule : public IModuleInterface
{
public:
	virtual void StartupModule();

	virtual void ShutdownModule();

	// The Content Browser singleton.
	virtual IContentBrowserSingleton& Get() const;

private:
	IContentBrowserSingleton* ContentBrowserSingleton = nullptr;
};
