// The core ticker: one-shot callbacks fire once, on the next tick, whoever added them.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "CoreMinimal.h"
#include "Containers/Ticker.h"
#include "TickerHost.h"

TEST(TickerTest, OneShotFiresOnceOnTheNextTickAndARepeatingOneUntilItReturnsFalse)
{
	FTSTicker Ticker;
	int32 Calls = 0;
	int32 Repeats = 0;
	Ticker.AddTicker(FTickerDelegate::CreateLambda([&Calls](float) { ++Calls; return false; }), 0.0f);
	Ticker.AddTicker(FTickerDelegate::CreateLambda([&Repeats](float) { return ++Repeats < 3; }), 0.0f);
	EXPECT_EQ(Calls, 0); // nothing runs at add time
	Ticker.Tick(0.01f);
	EXPECT_EQ(Calls, 1);
	for (int32 Index = 0; Index < 10; ++Index) { Ticker.Tick(0.01f); }
	EXPECT_EQ(Calls, 1);
	EXPECT_EQ(Repeats, 3);
	EXPECT_EQ(FHeadlessTicker::GetNumTickers(Ticker), 0);
}

TEST(TickerTest, CallbackAddedInsideACallbackWaitsForTheNextTick)
{
	FTSTicker Ticker;
	int32 Inner = 0;
	Ticker.AddTicker(FTickerDelegate::CreateLambda([&](float) {
		Ticker.AddTicker(FTickerDelegate::CreateLambda([&Inner](float) { ++Inner; return false; }), 0.0f);
		return false;
	}), 0.0f);
	Ticker.Tick(0.0f);
	EXPECT_EQ(Inner, 0);
	Ticker.Tick(0.0f);
	EXPECT_EQ(Inner, 1);
}

TEST(TickerTest, AddFromManyThreadsRunsEveryCallbackOnTheTickingThread)
{
	FTSTicker Ticker;
	std::atomic<int32> Calls{ 0 };
	std::atomic<bool> bWrongThread{ false };
	const std::thread::id TickingThread = std::this_thread::get_id();
	std::vector<std::thread> Threads;
	for (int32 T = 0; T < 4; ++T)
	{
		Threads.emplace_back([&]() {
			for (int32 I = 0; I < 250; ++I)
			{
				Ticker.AddTicker(FTickerDelegate::CreateLambda([&](float) {
					bWrongThread = bWrongThread || std::this_thread::get_id() != TickingThread;
					++Calls;
					return false;
				}), 0.0f);
			}
		});
	}
	for (std::thread& Thread : Threads) { Thread.join(); }
	Ticker.Tick(0.0f);
	EXPECT_EQ(Calls.load(), 1000);
	EXPECT_FALSE(bWrongThread.load());
}

TEST(TickerTest, RemovedTickerNeverRunsAndDelayIsHonoured)
{
	FTSTicker Ticker;
	int32 Calls = 0;
	FTSTicker::FDelegateHandle Handle = Ticker.AddTicker(FTickerDelegate::CreateLambda([&Calls](float) { ++Calls; return true; }), 0.0f);
	FTSTicker::RemoveTicker(Handle);
	Ticker.Tick(0.0f);
	EXPECT_EQ(Calls, 0);

	Ticker.AddTicker(FTickerDelegate::CreateLambda([&Calls](float) { ++Calls; return false; }), 60.0f);
	Ticker.Tick(0.0f);
	EXPECT_EQ(Calls, 0);
	EXPECT_GT(FHeadlessTicker::GetSecondsUntilNextDue(Ticker), 50.0);
}
