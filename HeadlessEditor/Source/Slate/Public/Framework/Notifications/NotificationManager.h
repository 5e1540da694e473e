// FSlateNotificationManager: shows notifications (see Widgets/Notifications/SNotificationList.h).
#pragma once

#include "CoreMinimal.h"

struct FNotificationInfo;
class SNotificationItem;

class FSlateNotificationManager
{
public:
	static SLATE_API FSlateNotificationManager& Get();

	// Shows the notifications queued since the last tick; the application's tick calls it on the
	// game thread (in the headless editor, the main loop after the core ticker).
	SLATE_API void Tick();

	// Shows a notification now. Game thread only: elsewhere the check fails (use
	// QueueNotification). Returns an item that shows nothing while notifications are not allowed.
	SLATE_API TSharedPtr<SNotificationItem> AddNotification(const FNotificationInfo& Info);

	// Any thread: Info, allocated with new, is shown on the next tick and then deleted.
	SLATE_API void QueueNotification(FNotificationInfo* Info);

	// Turns showing notifications on or off (on by default).
	void SetAllowNotifications(const bool bShouldAllow)
	{
		this->bAllowNotifications = bShouldAllow;
	}

	bool AreNotificationsAllowed() const
	{
		return this->bAllowNotifications;
	}

protected:
	SLATE_API FSlateNotificationManager();

private:
	bool bAllowNotifications = true;
};
