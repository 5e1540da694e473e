// IContentBrowserSingleton: what code can ask of the editor's Content Browser. The headless
// editor has no browser window: it records what it was asked to show (see
// ContentBrowser/Host/ContentBrowserHost.h) and logs it.
#pragma once

#include "CoreMinimal.h"

class UObject;
struct FAssetData;

class IContentBrowserSingleton
{
public:
	// The singleton of the ContentBrowser module, loading the module when needed.
	CONTENTBROWSER_API static IContentBrowserSingleton& Get();

	virtual ~IContentBrowserSingleton() {}

	// Selects these assets in the primary Content Browser (also a locked one when
	// bAllowLockedBrowsers), bringing it to the front when bFocusContentBrowser; only the browser
	// named InstanceName when one is given; in a new browser when bNewSpawnBrowser.
	virtual void SyncBrowserToAssets(const TArray<struct FAssetData>& AssetDataList, bool bAllowLockedBrowsers = false, bool bFocusContentBrowser = true, const FName& InstanceName = FName(), bool bNewSpawnBrowser = false) = 0;

	// The same for loaded objects; null entries are skipped.
	virtual void SyncBrowserToAssets(const TArray<UObject*>& AssetList, bool bAllowLockedBrowsers = false, bool bFocusContentBrowser = true, const FName& InstanceName = FName(), bool bNewSpawnBrowser = false) = 0;
};
