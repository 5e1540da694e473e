// What the headless editor keeps of its notifications, which the engine does not offer: every
// notification shown (it stays in the list after it fades out), the console command
// `notifications` (list, `notifications click N`), and a wake-up call for the main loop when a
// notification is queued. Game thread only, except SetOnQueued.
#pragma once

#include "CoreMinimal.h"
#include "Widgets/Notifications/SNotificationList.h"

struct SLATE_API FHeadlessNotifications
{
	struct FStateChange
	{
		SNotificationItem::ECompletionState State;
		FString Time;
	};

	struct FRecord
	{
		// 1 for the first notification shown, in the order shown.
		int32 Number = 0;
		// As they are now.
		FString Text;
		FString SubText;
		FString HyperlinkText;
		bool bHasHyperlink = false;
		TArray<FString> Buttons;
		SNotificationItem::ECompletionState CompletionState = SNotificationItem::CS_None;
		// Times in the log's layout (UTC).
		FString AddedTime;
		// Every change of the completion state, in order (not the reset to CS_None that ends a fade-out).
		TArray<FStateChange> StateChanges;
		// Faded out: gone from the screen, its link and buttons with it.
		bool bExpired = false;
		FString ExpiredTime;
	};

	// Every notification shown so far, oldest first.
	static TArray<FRecord> GetNotifications();
	// Notifications queued and not yet shown.
	static int32 GetNumQueued();
	// Clicks notification Number's link, as a user would; false, with the reason, when it has no
	// link or has faded out.
	static bool ClickHyperlink(int32 Number, FString& OutError);
	// Forgets every notification, shown or queued (for tests).
	static void Reset();
	// Called on the queuing thread after each QueueNotification.
	static void SetOnQueued(TFunction<void()> Callback);
	// "None", "Pending", "Success", "Fail".
	static const TCHAR* StateName(SNotificationItem::ECompletionState State);
};
