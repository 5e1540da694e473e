#pragma once
#include "CoreMinimal.h"

class PROJECTS_API IPlugin
{
public:
	virtual ~IPlugin() = default;
	virtual const FString& GetName() const = 0;
	virtual const FString& GetFriendlyName() const = 0;
	// The plugin's folder on disk (the one that holds its .uplugin), without a trailing '/'.
	virtual FString GetBaseDir() const = 0;
	virtual FString GetContentDir() const = 0;
	virtual const FString& GetDescriptorFileName() const = 0;
	virtual bool IsEnabled() const = 0;
	virtual bool CanContainContent() const = 0;
};

class PROJECTS_API IPluginManager
{
public:
	static IPluginManager& Get();
	virtual ~IPluginManager() = default;
	virtual TSharedPtr<IPlugin> FindPlugin(const FStringView Name) = 0;
	virtual TSharedPtr<IPlugin> FindPlugin(const ANSICHAR* Name) = 0;
	virtual TArray<TSharedRef<IPlugin>> GetEnabledPlugins() = 0;
	virtual TArray<TSharedRef<IPlugin>> GetDiscoveredPlugins() = 0;
};
