// Notifications as the engine's manager handles them: AddNotification on the game thread only,
// QueueNotification from any thread shown on the next tick (last queued first), a fire-and-forget
// item fading out after its durations; and what the headless editor adds: each one logged and
// kept, listed by the console's `notifications`, whose `click N` runs a link.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "CoreMinimal.h"
#include "Containers/Ticker.h"
#include "Framework/Notifications/NotificationManager.h"
#include "Widgets/Notifications/SNotificationList.h"

#include "ConsoleCommands.h"
#include "HeadlessString.h"
#include "LogCapture.h"
#include "NotificationsHost.h"

namespace
{
	FText Txt(const char* Text) { return FText::FromString(FString(Text)); }

	FNotificationInfo Sticky(const char* Text)
	{
		FNotificationInfo Info(Txt(Text));
		Info.bFireAndForget = false;
		return Info;
	}

	std::string Console(const TCHAR* Line)
	{
		testing::internal::CaptureStdout();
		EXPECT_TRUE(UE::HeadlessEditor::ExecuteConsoleCommand(Line));
		return testing::internal::GetCapturedStdout();
	}

	std::string Str(const FString& Text) { return UE::HeadlessEditor::ToUtf8(Text); }
}

class NotificationTest : public testing::Test
{
protected:
	void SetUp() override { FHeadlessNotifications::Reset(); }
	void TearDown() override
	{
		FSlateNotificationManager::Get().SetAllowNotifications(true);
		FHeadlessNotifications::SetOnQueued(nullptr);
		FHeadlessNotifications::Reset();
	}
	FSlateNotificationManager& Manager() { return FSlateNotificationManager::Get(); }
};

TEST_F(NotificationTest, IsLoggedWhenShownAndAtEachStateChangeAndListedWithBothUnlessNotAllowed)
{
	TestLog::FCapture Log(TEXT("LogSlate"));
	FNotificationInfo Info = Sticky("Importing chair");
	Info.SubText = Txt("3 files");
	TSharedPtr<SNotificationItem> Item = Manager().AddNotification(Info);
	ASSERT_TRUE(Item.IsValid());
	EXPECT_EQ(Item->GetCompletionState(), SNotificationItem::CS_None);

	Item->SetCompletionState(SNotificationItem::CS_Pending);
	Item->SetText(Txt("Imported chair"));
	Item->SetCompletionState(SNotificationItem::CS_Success);
	Item->SetCompletionState(SNotificationItem::CS_Success); // no change, no line

	const TArray<FHeadlessNotifications::FRecord> Records = FHeadlessNotifications::GetNotifications();
	ASSERT_EQ(Records.Num(), 1);
	EXPECT_EQ(Str(Records[0].Text), "Imported chair");
	EXPECT_EQ(Str(Records[0].SubText), "3 files");
	EXPECT_EQ(Records[0].CompletionState, SNotificationItem::CS_Success);
	ASSERT_EQ(Records[0].StateChanges.Num(), 2);
	EXPECT_EQ(Records[0].StateChanges[0].State, SNotificationItem::CS_Pending);
	EXPECT_EQ(Records[0].StateChanges[1].State, SNotificationItem::CS_Success);
	EXPECT_FALSE(Records[0].bHasHyperlink); // the engine's default text waits for a link
	EXPECT_EQ(Str(Records[0].HyperlinkText), "Show Log");

	EXPECT_EQ(Log.Count(ELogVerbosity::Display, "Notification: Importing chair - 3 files"), 1);
	EXPECT_EQ(Log.Count(ELogVerbosity::Display, "Notification 'Importing chair' is now Pending"), 1);
	EXPECT_EQ(Log.Count(ELogVerbosity::Display, "Notification 'Imported chair' is now Success"), 1);
	EXPECT_EQ(Log.Take().size(), 3u);

	const std::string Listed = Console(TEXT("notifications"));
	EXPECT_NE(Listed.find("1. [Success] Imported chair - 3 files | shown "), std::string::npos) << Listed;
	EXPECT_LT(Listed.find(", Pending "), Listed.find(", Success ")) << Listed;

	// While notifications are not allowed an item is returned all the same, as the engine's, and
	// nothing is shown or logged.
	Manager().SetAllowNotifications(false);
	TSharedPtr<SNotificationItem> Hidden = Manager().AddNotification(Sticky("Hidden"));
	ASSERT_TRUE(Hidden.IsValid());
	Hidden->SetCompletionState(SNotificationItem::CS_Fail);
	EXPECT_EQ(FHeadlessNotifications::GetNotifications().Num(), 1);
	EXPECT_TRUE(Log.Take().empty());
}

TEST_F(NotificationTest, QueuedFromAnotherThreadIsShownWhenTheGameThreadTicksLastQueuedFirst)
{
	std::atomic<int32> Wakes{ 0 };
	FHeadlessNotifications::SetOnQueued([&Wakes] { ++Wakes; });
	std::thread([this] {
		Manager().QueueNotification(new FNotificationInfo(Txt("First")));
		Manager().QueueNotification(new FNotificationInfo(Txt("Second")));
	}).join();
	EXPECT_EQ(Wakes.load(), 2);
	EXPECT_EQ(FHeadlessNotifications::GetNumQueued(), 2);
	EXPECT_EQ(FHeadlessNotifications::GetNotifications().Num(), 0);

	Manager().Tick();
	const TArray<FHeadlessNotifications::FRecord> Records = FHeadlessNotifications::GetNotifications();
	ASSERT_EQ(Records.Num(), 2);
	EXPECT_EQ(Str(Records[0].Text), "Second");
	EXPECT_EQ(Str(Records[1].Text), "First");
	EXPECT_EQ(FHeadlessNotifications::GetNumQueued(), 0);
}

TEST_F(NotificationTest, FireAndForgetFadesOutAfterItsDurationsAndStaysListed)
{
	FNotificationInfo Info(Txt("Saved"));
	Info.FadeInDuration = 0.0f;
	Info.ExpireDuration = 0.05f;
	Info.FadeOutDuration = 0.05f;
	Info.Hyperlink = FSimpleDelegate::CreateLambda([] {});
	TSharedPtr<SNotificationItem> Item = Manager().AddNotification(Info);
	Item->SetCompletionState(SNotificationItem::CS_Success);
	TSharedPtr<SNotificationItem> Kept = Manager().AddNotification(Sticky("Waiting"));

	const auto Start = std::chrono::steady_clock::now();
	auto Expired = [] { return FHeadlessNotifications::GetNotifications()[0].bExpired; };
	while (!Expired() && std::chrono::steady_clock::now() - Start < std::chrono::seconds(3))
	{
		FTSTicker::GetCoreTicker().Tick(0.01f);
		std::this_thread::sleep_for(std::chrono::milliseconds(5));
	}
	const double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
	const TArray<FHeadlessNotifications::FRecord> Records = FHeadlessNotifications::GetNotifications();
	ASSERT_EQ(Records.Num(), 2);
	EXPECT_TRUE(Records[0].bExpired);
	EXPECT_GE(Seconds, 0.1);
	EXPECT_EQ(Item->GetCompletionState(), SNotificationItem::CS_None); // cleared as the fade-out ends
	EXPECT_FALSE(Records[1].bExpired);
	FString Error;
	EXPECT_FALSE(FHeadlessNotifications::ClickHyperlink(1, Error));
	EXPECT_NE(Str(Error).find("faded out"), std::string::npos);
}

TEST_F(NotificationTest, ClickRunsTheLinkAsAUserWould)
{
	int32 Clicks = 0;
	FNotificationInfo Info = Sticky("Imported chair");
	Info.Hyperlink = FSimpleDelegate::CreateLambda([&Clicks] { ++Clicks; });
	Info.HyperlinkText = Txt("Open folder");
	Manager().AddNotification(Info);
	TSharedPtr<SNotificationItem> Plain = Manager().AddNotification(Sticky("No link"));

	EXPECT_NE(Console(TEXT("notifications")).find("1. [None] Imported chair | link \"Open folder\""), std::string::npos);
	EXPECT_NE(Console(TEXT("notifications click 1")).find("Clicked the link of notification 1"), std::string::npos);
	EXPECT_EQ(Clicks, 1);
	EXPECT_NE(Console(TEXT("notifications click 2")).find("notification 2 has no link"), std::string::npos);
	EXPECT_NE(Console(TEXT("notifications click 3")).find("no notification 3"), std::string::npos);
	EXPECT_NE(Console(TEXT("notifications click")).find("usage:"), std::string::npos);

	// A link set later keeps the default text when none is given.
	Plain->SetHyperlink(FSimpleDelegate::CreateLambda([&Clicks] { Clicks += 10; }));
	EXPECT_NE(Console(TEXT("notifications click 2")).find("Clicked"), std::string::npos);
	EXPECT_EQ(Clicks, 11);
	EXPECT_EQ(Str(FHeadlessNotifications::GetNotifications()[1].HyperlinkText), "Show Log");
}

// The engine's AddNotification checks it runs on the game thread: the process stops there.
TEST(NotificationDeathTest, AddNotificationOffTheGameThreadFailsItsCheck)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_DEATH({
		UE::HeadlessEditor::AddLogListener([](const UE::HeadlessEditor::FLogLine& Line) {
			std::fprintf(stderr, "%s\n", UE::HeadlessEditor::ToUtf8(Line.Formatted).c_str());
		});
		std::thread([] { FSlateNotificationManager::Get().AddNotification(FNotificationInfo(Txt("Off thread"))); }).join();
	}, "Assertion failed: IsInGameThread\\(\\)");
}
