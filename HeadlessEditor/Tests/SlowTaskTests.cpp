// Slow tasks as the engine runs them (a stack on GWarn, game thread only, nested frames counted
// into their parent's), shown by the headless editor as one LogSlowTask line per progress frame.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "CoreMinimal.h"
#include "Misc/FeedbackContext.h"
#include "Misc/ScopedSlowTask.h"

#include "HeadlessString.h"
#include "LogCapture.h"

namespace
{
	FText Txt(const char* Text) { return FText::FromString(FString(Text)); }

	std::vector<std::string> Messages(TestLog::FCapture& Log)
	{
		std::vector<std::string> Lines;
		for (const TestLog::FCapture::FLine& Line : Log.Take())
		{
			EXPECT_EQ(Line.Verbosity, ELogVerbosity::Display);
			Lines.push_back(Line.Message);
		}
		return Lines;
	}
}

TEST(SlowTaskTest, EachFrameLogsItsMessageAndTheShareDone)
{
	TestLog::FCapture Log(TEXT("LogSlowTask"));
	{
		FScopedSlowTask Task(3.f, Txt("Importing"));
		Task.MakeDialog();
		EXPECT_TRUE(GIsSlowTask);
		Task.EnterProgressFrame(1.f, Txt("Reading"));
		EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Task.GetCurrentMessage().ToString()), "Reading");
		Task.EnterProgressFrame(1.f); // no text: the task's own message
		EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Task.GetCurrentMessage().ToString()), "Importing");
		Task.EnterProgressFrame(1.f, Txt("Saving"));
		Task.TickProgress(); // no progress, no line
		EXPECT_FALSE(Task.ShouldCancel());
		EXPECT_EQ(GWarn->GetScopeStack().Num(), 1);
	}
	EXPECT_FALSE(GIsSlowTask);
	EXPECT_EQ(GWarn->GetScopeStack().Num(), 0);
	EXPECT_EQ(Messages(Log), (std::vector<std::string>{ "Reading (0% done)", "Importing (33% done)", "Saving (66% done)" }));
}

TEST(SlowTaskTest, ANestedTaskShowsItsMessageAndFillsItsParentsFrame)
{
	TestLog::FCapture Log(TEXT("LogSlowTask"));
	{
		FScopedSlowTask Outer(2.f, Txt("Import"));
		Outer.EnterProgressFrame(1.f, Txt("Meshes"));
		{
			FScopedSlowTask Inner(2.f, Txt("Meshes"));
			Inner.EnterProgressFrame(1.f, Txt("Chair"));
			Inner.EnterProgressFrame(1.f, Txt("Table"));
			EXPECT_EQ(GWarn->GetScopeStack().Num(), 2);
			EXPECT_FLOAT_EQ(GWarn->GetScopeStack().GetProgressFraction(0), 0.25f);
		}
		// The inner task's end closes the parent's frame, as in the engine.
		Outer.EnterProgressFrame(1.f, Txt("Materials"));
		// A task never shown logs nothing of its own; its end still closes the parent's frame.
		FScopedSlowTask Hidden(1.f, Txt("Hidden"));
		Hidden.Visibility = ESlowTaskVisibility::Invisible;
		Hidden.EnterProgressFrame(1.f, Txt("Not shown"));
	}
	EXPECT_EQ(Messages(Log), (std::vector<std::string>{ "Meshes (0% done)", "Chair (0% done)", "Table (25% done)", "Meshes (50% done)",
		"Materials (50% done)", "Materials (100% done)" }));
}

TEST(SlowTaskTest, OffTheGameThreadATaskDoesNothing)
{
	TestLog::FCapture Log(TEXT("LogSlowTask"));
	std::string Message;
	float Completed = -1.f;
	std::thread([&] {
		FScopedSlowTask Task(2.f, Txt("Background"));
		Task.MakeDialog();
		Task.EnterProgressFrame(1.f, Txt("Step"));
		Task.EnterProgressFrame(1.f, Txt("Step"));
		Message = UE::HeadlessEditor::ToUtf8(Task.GetCurrentMessage().ToString());
		Completed = Task.CompletedWork;
	}).join();
	EXPECT_EQ(Message, "Background");
	EXPECT_EQ(Completed, 0.f);
	EXPECT_FALSE(GIsSlowTask);
	EXPECT_EQ(GWarn->GetScopeStack().Num(), 0);
	EXPECT_TRUE(Log.Take().empty());
}
