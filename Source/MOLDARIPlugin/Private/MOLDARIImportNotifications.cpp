#include "MOLDARIImportNotifications.h"
#include "MOLDARIImportJobs.h"

#include "AssetRegistry/AssetData.h"
#include "AssetRegistry/AssetRegistryModule.h"
#include "AssetRegistry/IAssetRegistry.h"
#include "ContentBrowserModule.h"
#include "Containers/Ticker.h"
#include "Framework/Notifications/NotificationManager.h"
#include "HAL/CriticalSection.h"
#include "IContentBrowserSingleton.h"
#include "Misc/ScopeLock.h"
#include "Modules/ModuleManager.h"
#include "Widgets/Notifications/SNotificationList.h"

namespace
{
	FCriticalSection PendingLock;
	TArray<FTSTicker::FDelegateHandle> Pending;

	void ShowInContentBrowser(const FString& ContentPath)
	{
		IAssetRegistry& AssetRegistry = FModuleManager::LoadModuleChecked<FAssetRegistryModule>(TEXT("AssetRegistry")).Get();
		TArray<FAssetData> Assets;
		AssetRegistry.GetAssetsByPath(FName(*ContentPath), Assets, true, false);
		FModuleManager::LoadModuleChecked<FContentBrowserModule>(TEXT("ContentBrowser")).Get().SyncBrowserToAssets(Assets);
	}

	void Show(const MOLDARIJobs::FImportJob& Job)
	{
		const bool bDone = Job.State == MOLDARIJobs::EJobState::Done;
		FNotificationInfo Info(FText::FromString(bDone ? FString::Printf(TEXT("Imported %s"), *Job.Name)
			: FString::Printf(TEXT("Import of %s failed: %s"), *Job.Name, *Job.Reason)));
		Info.bFireAndForget = true;
		Info.ExpireDuration = bDone ? 5.0f : 8.0f;
		if (bDone && !Job.ContentPath.IsEmpty())
		{
			const FString ContentPath = Job.ContentPath;
			Info.Hyperlink = FSimpleDelegate::CreateLambda([ContentPath]() { ShowInContentBrowser(ContentPath); });
			Info.HyperlinkText = FText::FromString(TEXT("Show in Content Browser"));
		}
		const TSharedPtr<SNotificationItem> Item = FSlateNotificationManager::Get().AddNotification(Info);
		if (Item.IsValid())
		{
			Item->SetCompletionState(bDone ? SNotificationItem::CS_Success : SNotificationItem::CS_Fail);
		}
		MOLDARIJobs::OnImportNotified().Broadcast(Info, Item);
	}
}

MOLDARIJobs::FOnImportNotified& MOLDARIJobs::OnImportNotified()
{
	static FOnImportNotified Delegate;
	return Delegate;
}

void MOLDARIJobs::NotifyImportEnded(const FImportJob& Job)
{
	if (IsInGameThread())
	{
		Show(Job);
		return;
	}
	// Notifications are made on the game thread; the handle lets shut-down drop this one.
	TSharedRef<FTSTicker::FDelegateHandle> Handle = MakeShared<FTSTicker::FDelegateHandle>();
	FScopeLock Lock(&PendingLock);
	*Handle = FTSTicker::GetCoreTicker().AddTicker(FTickerDelegate::CreateLambda([Job, Handle](float)
	{
		{
			FScopeLock Inner(&PendingLock);
			Pending.Remove(*Handle);
		}
		Show(Job);
		return false;
	}), 0.0f);
	Pending.Add(*Handle);
}

void MOLDARIJobs::CancelPendingNotifications()
{
	FScopeLock Lock(&PendingLock);
	for (const FTSTicker::FDelegateHandle& Handle : Pending)
	{
		FTSTicker::GetCoreTicker().RemoveTicker(Handle);
	}
	Pending.Reset();
}
