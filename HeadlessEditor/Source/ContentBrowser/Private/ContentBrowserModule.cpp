// The ContentBrowser module, registered with the module manager as "ContentBrowser" like the
// engine's other built-in modules. The headless editor has no browser window: a sync records the
// object paths it was asked to select and logs them.
#include "ContentBrowserModule.h"
#include "IContentBrowserSingleton.h"

#include "AssetRegistry/AssetData.h"
#include "Modules/ModuleManager.h"
#include "UObject/Object.h"

#include "ContentBrowserHost.h"

DEFINE_LOG_CATEGORY_STATIC(LogContentBrowser, Log, All);

namespace
{
	struct FSyncRecord
	{
		int32 NumSyncs = 0;
		FHeadlessContentBrowser::FSync Last;
	};

	FSyncRecord& Record()
	{
		static FSyncRecord Instance;
		return Instance;
	}

	class FHeadlessContentBrowserSingleton final : public IContentBrowserSingleton
	{
	public:
		void SyncBrowserToAssets(const TArray<FAssetData>& AssetDataList, bool bAllowLockedBrowsers, bool bFocusContentBrowser, const FName& InstanceName, bool bNewSpawnBrowser) override
		{
			FHeadlessContentBrowser::FSync Sync;
			for (const FAssetData& Data : AssetDataList) { Sync.ObjectPaths.Add(Data.GetObjectPathString()); }
			Sync.bAllowLockedBrowsers = bAllowLockedBrowsers;
			Sync.bFocusContentBrowser = bFocusContentBrowser;
			Sync.InstanceName = InstanceName;
			Sync.bNewSpawnBrowser = bNewSpawnBrowser;
			UE_LOG(LogContentBrowser, Display, TEXT("Content Browser: showing %d asset(s): %s"), Sync.ObjectPaths.Num(), *FString::Join(Sync.ObjectPaths, TEXT(", ")));
			FSyncRecord& R = Record();
			++R.NumSyncs;
			R.Last = MoveTemp(Sync);
		}

		void SyncBrowserToAssets(const TArray<UObject*>& AssetList, bool bAllowLockedBrowsers, bool bFocusContentBrowser, const FName& InstanceName, bool bNewSpawnBrowser) override
		{
			TArray<FAssetData> AssetDataList;
			for (UObject* Object : AssetList)
			{
				if (Object) { AssetDataList.Add(FAssetData(Object)); }
			}
			SyncBrowserToAssets(AssetDataList, bAllowLockedBrowsers, bFocusContentBrowser, InstanceName, bNewSpawnBrowser);
		}
	};

	FStaticallyLinkedModuleRegistrant<FContentBrowserModule> GRegisterContentBrowserModule(TEXT("ContentBrowser"));
}

IContentBrowserSingleton& IContentBrowserSingleton::Get()
{
	return FModuleManager::LoadModuleChecked<FContentBrowserModule>(TEXT("ContentBrowser")).Get();
}

void FContentBrowserModule::StartupModule()
{
	ContentBrowserSingleton = new FHeadlessContentBrowserSingleton();
}

void FContentBrowserModule::ShutdownModule()
{
	delete ContentBrowserSingleton;
	ContentBrowserSingleton = nullptr;
}

IContentBrowserSingleton& FContentBrowserModule::Get() const
{
	check(ContentBrowserSingleton);
	return *ContentBrowserSingleton;
}

int32 FHeadlessContentBrowser::GetNumSyncs() { return Record().NumSyncs; }
FHeadlessContentBrowser::FSync FHeadlessContentBrowser::GetLastSync() { return Record().Last; }
void FHeadlessContentBrowser::Reset() { Record() = FSyncRecord(); }
