// The editor notification that ends every import job.
#pragma once

#include "CoreMinimal.h"
#include "Delegates/Delegate.h"

class SNotificationItem;
struct FNotificationInfo;

namespace MOLDARIJobs
{
	struct FImportJob;

	// Each notification as it is handed to the editor, with the item it became (tests listen).
	DECLARE_MULTICAST_DELEGATE_TwoParams(FOnImportNotified, const FNotificationInfo&, const TSharedPtr<SNotificationItem>&);
	FOnImportNotified& OnImportNotified();

	// "Imported NAME", with a link that shows the new assets in the Content Browser, or "Import of
	// NAME failed: REASON" in the failed style. Any thread: off the game thread the notification
	// waits for the game thread's next tick.
	void NotifyImportEnded(const FImportJob& Job);

	// Module shut-down: notifications still waiting for a tick are dropped (their code is going).
	void CancelPendingNotifications();
}
