// Notifications as the engine's manager and items handle them, without a screen: AddNotification
// on the game thread only (a failed check elsewhere); QueueNotification from any thread, shown on
// the next Tick, the last queued first (the engine's queue is a LIFO list); a fire-and-forget item
// fades out FadeInDuration + ExpireDuration seconds after it is shown and is gone FadeOutDuration
// later, its completion state back to CS_None, timed on the core ticker as the engine's items are.
// Each notification is logged once when shown and at each change of its completion state, and is
// kept for the console's `notifications` list.
#include "Framework/Notifications/NotificationManager.h"
#include "Widgets/Notifications/SNotificationList.h"

#include "Containers/Ticker.h"
#include "HAL/PlatformTime.h"
#include "Misc/AssertionMacros.h"

#include "ConsoleCommands.h"
#include "NotificationsHost.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <vector>

namespace
{
	FString TimeStamp()
	{
		const auto Now = std::chrono::system_clock::now();
		const std::time_t Seconds = std::chrono::system_clock::to_time_t(Now);
		const int Millis = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Now.time_since_epoch()).count() % 1000);
		std::tm Utc{};
		gmtime_r(&Seconds, &Utc);
		char Stamp[64];
		std::snprintf(Stamp, sizeof(Stamp), "%04d.%02d.%02d-%02d.%02d.%02d:%03d", Utc.tm_year + 1900, Utc.tm_mon + 1, Utc.tm_mday,
			Utc.tm_hour, Utc.tm_min, Utc.tm_sec, Millis);
		return FString(Stamp);
	}

	class FHeadlessNotificationItem final : public SNotificationItem
	{
	public:
		explicit FHeadlessNotificationItem(const FNotificationInfo& Info)
			: Text(Info.Text)
			, SubText(Info.SubText)
			, Hyperlink(Info.Hyperlink)
			, HyperlinkText(Info.HyperlinkText)
			, FadeInDuration(Info.FadeInDuration)
			, FadeOutDuration(Info.FadeOutDuration)
			, ExpireDuration(Info.ExpireDuration)
		{
			for (const FNotificationButtonInfo& Button : Info.ButtonDetails) { Buttons.Add(Button.Text.Get().ToString()); }
		}

		~FHeadlessNotificationItem() override { FTSTicker::RemoveTicker(TickerHandle); }

		// Puts the item on screen as number Number.
		void Show(int32 InNumber, bool bFireAndForget)
		{
			Number = InNumber;
			AddedTime = TimeStamp();
			const FString Sub = SubText.Get().ToString();
			if (Sub.IsEmpty()) { UE_LOG(LogSlate, Display, TEXT("Notification: %s"), *Text.Get().ToString()); }
			else { UE_LOG(LogSlate, Display, TEXT("Notification: %s - %s"), *Text.Get().ToString(), *Sub); }
			if (bFireAndForget) { ExpireAndFadeout(); }
		}

		void SetText(const TAttribute<FText>& InText) override { Text = InText; }
		void SetSubText(const TAttribute<FText>& InSubText) override { SubText = InSubText; }

		void SetHyperlink(const FSimpleDelegate& InHyperlink, const TAttribute<FText>& InHyperlinkText) override
		{
			Hyperlink = InHyperlink;
			if (InHyperlinkText.IsBound() || InHyperlinkText.IsSet()) { HyperlinkText = InHyperlinkText; }
		}

		void SetExpireDuration(float Duration) override { ExpireDuration = Duration; }
		void SetFadeInDuration(float Duration) override { FadeInDuration = Duration; }
		void SetFadeOutDuration(float Duration) override { FadeOutDuration = Duration; }

		ECompletionState GetCompletionState() const override { return CompletionState; }

		void SetCompletionState(ECompletionState State) override
		{
			const bool bChanged = State != CompletionState;
			CompletionState = State;
			if (!bChanged || Number == 0) { return; }
			StateChanges.Add({ State, TimeStamp() });
			UE_LOG(LogSlate, Display, TEXT("Notification '%s' is now %s"), *Text.Get().ToString(), FHeadlessNotifications::StateName(State));
		}

		void ExpireAndFadeout() override
		{
			if (bAutoExpire) { return; }
			bAutoExpire = true;
			ExpireStart = FPlatformTime::Seconds();
			Schedule();
		}

		void Fadeout() override
		{
			FadeOutStart = FPlatformTime::Seconds();
			bFadingOut = true;
			Schedule();
		}

		void Pulse(const FLinearColor&) override {}

		FHeadlessNotifications::FRecord MakeRecord() const
		{
			FHeadlessNotifications::FRecord Record;
			Record.Number = Number;
			Record.Text = Text.Get().ToString();
			Record.SubText = SubText.Get().ToString();
			Record.HyperlinkText = HyperlinkText.Get().ToString();
			Record.bHasHyperlink = Hyperlink.IsBound();
			Record.Buttons = Buttons;
			Record.CompletionState = CompletionState;
			Record.AddedTime = AddedTime;
			Record.StateChanges = StateChanges;
			Record.bExpired = bExpired;
			Record.ExpiredTime = ExpiredTime;
			return Record;
		}

		bool ClickHyperlink(FString& OutError) const
		{
			if (bExpired) { OutError = FString::Printf(TEXT("notification %d has faded out; its link is gone"), Number); return false; }
			if (!Hyperlink.IsBound()) { OutError = FString::Printf(TEXT("notification %d has no link"), Number); return false; }
			const FSimpleDelegate Link = Hyperlink; // the link may change the item
			Link.Execute();
			return true;
		}

		int32 GetNumber() const { return Number; }

	private:
		// Times the expiry and the fade-out on the core ticker, from the wall clock, waking only
		// when the next step is due.
		void Schedule()
		{
			FTSTicker::RemoveTicker(TickerHandle);
			TickerHandle = FTSTicker::FDelegateHandle();
			double Due = 0.0;
			if (bFadingOut) { Due = FadeOutStart + FadeOutDuration; }
			else if (bAutoExpire) { Due = ExpireStart + FadeInDuration + ExpireDuration; }
			else { return; }
			const float Delay = static_cast<float>(std::max(0.0, Due - FPlatformTime::Seconds()));
			TWeakPtr<SNotificationItem> Weak = AsShared();
			TickerHandle = FTSTicker::GetCoreTicker().AddTicker(FTickerDelegate::CreateLambda([Weak](float) {
				if (TSharedPtr<SNotificationItem> Pinned = Weak.Pin()) { static_cast<FHeadlessNotificationItem*>(Pinned.Get())->Update(); }
				return false;
			}), Delay);
		}

		void Update()
		{
			const double Now = FPlatformTime::Seconds();
			if (bAutoExpire && !bFadingOut && Now - ExpireStart > FadeInDuration + ExpireDuration)
			{
				FadeOutStart = Now;
				bFadingOut = true;
			}
			if (bFadingOut && Now - FadeOutStart >= FadeOutDuration)
			{
				// Gone from the screen: the engine clears the state as the fade-out ends.
				bFadingOut = false;
				bAutoExpire = false;
				CompletionState = CS_None;
				if (!bExpired && Number != 0)
				{
					bExpired = true;
					ExpiredTime = TimeStamp();
					UE_LOG(LogSlate, Verbose, TEXT("Notification '%s' faded out"), *Text.Get().ToString());
				}
				return;
			}
			Schedule();
		}

		TAttribute<FText> Text;
		TAttribute<FText> SubText;
		FSimpleDelegate Hyperlink;
		TAttribute<FText> HyperlinkText;
		TArray<FString> Buttons;
		float FadeInDuration;
		float FadeOutDuration;
		float ExpireDuration;
		ECompletionState CompletionState = CS_None;

		int32 Number = 0; // 0: never shown (notifications were not allowed)
		FString AddedTime;
		TArray<FHeadlessNotifications::FStateChange> StateChanges;
		bool bAutoExpire = false;
		bool bFadingOut = false;
		bool bExpired = false;
		double ExpireStart = 0.0;
		double FadeOutStart = 0.0;
		FString ExpiredTime;
		FTSTicker::FDelegateHandle TickerHandle;
	};

	struct FNotificationState
	{
		std::mutex QueueMutex;
		std::vector<FNotificationInfo*> Queue;
		TFunction<void()> OnQueued;
		// Game thread only.
		TArray<TSharedRef<FHeadlessNotificationItem>> Shown;
	};

	FNotificationState& State()
	{
		static FNotificationState Instance;
		return Instance;
	}

	FString Describe(const FHeadlessNotifications::FRecord& Record)
	{
		FString Line = FString::Printf(TEXT("%d. [%s] %s"), Record.Number, FHeadlessNotifications::StateName(Record.CompletionState), *Record.Text);
		if (!Record.SubText.IsEmpty()) { Line += FString::Printf(TEXT(" - %s"), *Record.SubText); }
		if (Record.bHasHyperlink) { Line += FString::Printf(TEXT(" | link \"%s\""), *Record.HyperlinkText); }
		for (const FString& Button : Record.Buttons) { Line += FString::Printf(TEXT(" | button \"%s\""), *Button); }
		Line += FString::Printf(TEXT(" | shown %s"), *Record.AddedTime);
		for (const FHeadlessNotifications::FStateChange& Change : Record.StateChanges)
		{
			Line += FString::Printf(TEXT(", %s %s"), FHeadlessNotifications::StateName(Change.State), *Change.Time);
		}
		if (Record.bExpired) { Line += FString::Printf(TEXT(", faded out %s"), *Record.ExpiredTime); }
		return Line;
	}

	void NotificationsCommand(const TArray<FString>& Args)
	{
		using namespace UE::HeadlessEditor;
		if (Args.Num() == 0)
		{
			const TArray<FHeadlessNotifications::FRecord> Records = FHeadlessNotifications::GetNotifications();
			if (Records.Num() == 0) { ConsolePrint(TEXT("(no notifications)")); }
			for (const FHeadlessNotifications::FRecord& Record : Records) { ConsolePrint(Describe(Record)); }
			return;
		}
		int32 Number = 0;
		if (Args.Num() != 2 || !Args[0].Equals(TEXT("click"), ESearchCase::IgnoreCase) || !Args[1].IsNumeric() || (Number = FCString::Atoi(*Args[1])) <= 0)
		{
			ConsolePrint(TEXT("usage: notifications [click N]"));
			return;
		}
		FString Error;
		if (FHeadlessNotifications::ClickHyperlink(Number, Error)) { ConsolePrint(FString::Printf(TEXT("Clicked the link of notification %d"), Number)); }
		else { ConsolePrint(FString::Printf(TEXT("Cannot click: %s"), *Error)); }
	}

	const bool GRegistered = [] {
		UE::HeadlessEditor::RegisterConsoleCommand(TEXT("notifications"), TEXT("notifications [click N]"),
			TEXT("list the notifications shown (oldest first, with their states), or click notification N's link"), NotificationsCommand);
		return true;
	}();
}

FSlateNotificationManager::FSlateNotificationManager() = default;

FSlateNotificationManager& FSlateNotificationManager::Get()
{
	static FSlateNotificationManager Instance;
	return Instance;
}

TSharedPtr<SNotificationItem> FSlateNotificationManager::AddNotification(const FNotificationInfo& Info)
{
	checkf(IsInGameThread(), TEXT("FSlateNotificationManager::AddNotification must be called on game thread. Use QueueNotification if necessary."));
	TSharedRef<FHeadlessNotificationItem> Item = MakeShared<FHeadlessNotificationItem>(Info);
	if (!AreNotificationsAllowed())
	{
		// An item that shows nothing, as the engine returns then.
		return Item;
	}
	FNotificationState& S = State();
	S.Shown.Add(Item);
	Item->Show(S.Shown.Num(), Info.bFireAndForget);
	return Item;
}

void FSlateNotificationManager::QueueNotification(FNotificationInfo* Info)
{
	FNotificationState& S = State();
	TFunction<void()> OnQueued;
	{
		std::lock_guard<std::mutex> Lock(S.QueueMutex);
		S.Queue.push_back(Info);
		OnQueued = S.OnQueued;
	}
	if (OnQueued) { OnQueued(); }
}

void FSlateNotificationManager::Tick()
{
	FNotificationState& S = State();
	for (;;)
	{
		FNotificationInfo* Info = nullptr;
		{
			std::lock_guard<std::mutex> Lock(S.QueueMutex);
			if (S.Queue.empty()) { break; }
			Info = S.Queue.back();
			S.Queue.pop_back();
		}
		AddNotification(*Info);
		delete Info;
	}
}

void FNotificationInfo::ShowCopyToClipboadHyperlink()
{
	HyperlinkText = NSLOCTEXT("SNotificationList", "CopyToClipboard", "Copy to Clipboard");
	Hyperlink = FSimpleDelegate::CreateLambda([Text = Text, SubText = SubText]() {
		FString Copied = Text.IsSet() ? Text.Get().ToString() : FString();
		if (SubText.IsSet())
		{
			if (!Copied.IsEmpty()) { Copied += TEXT("\n"); }
			Copied += SubText.Get().ToString();
		}
		// The headless editor has no clipboard: the copy goes to the log.
		UE_LOG(LogSlate, Display, TEXT("Copied to the clipboard: %s"), *Copied);
	});
}

TArray<FHeadlessNotifications::FRecord> FHeadlessNotifications::GetNotifications()
{
	TArray<FRecord> Records;
	for (const TSharedRef<FHeadlessNotificationItem>& Item : State().Shown) { Records.Add(Item->MakeRecord()); }
	return Records;
}

int32 FHeadlessNotifications::GetNumQueued()
{
	FNotificationState& S = State();
	std::lock_guard<std::mutex> Lock(S.QueueMutex);
	return static_cast<int32>(S.Queue.size());
}

bool FHeadlessNotifications::ClickHyperlink(int32 Number, FString& OutError)
{
	const TArray<TSharedRef<FHeadlessNotificationItem>>& Shown = State().Shown;
	if (Number < 1 || Number > Shown.Num())
	{
		OutError = FString::Printf(TEXT("no notification %d (there are %d)"), Number, Shown.Num());
		return false;
	}
	const TSharedRef<FHeadlessNotificationItem> Item = Shown[Number - 1]; // kept alive while its link runs
	return Item->ClickHyperlink(OutError);
}

void FHeadlessNotifications::Reset()
{
	FNotificationState& S = State();
	std::vector<FNotificationInfo*> Queued;
	{
		std::lock_guard<std::mutex> Lock(S.QueueMutex);
		Queued.swap(S.Queue);
	}
	for (FNotificationInfo* Info : Queued) { delete Info; }
	S.Shown.Empty();
}

void FHeadlessNotifications::SetOnQueued(TFunction<void()> Callback)
{
	FNotificationState& S = State();
	std::lock_guard<std::mutex> Lock(S.QueueMutex);
	S.OnQueued = MoveTemp(Callback);
}

const TCHAR* FHeadlessNotifications::StateName(SNotificationItem::ECompletionState InState)
{
	switch (InState)
	{
	case SNotificationItem::CS_Pending: return TEXT("Pending");
	case SNotificationItem::CS_Success: return TEXT("Success");
	case SNotificationItem::CS_Fail: return TEXT("Fail");
	default: return TEXT("None");
	}
}
