// FFileHelper::SaveArrayToFile writes large arrays whole (in pieces), and LoadFileToArray reads
// regular files whole and refuses, without waiting, what it cannot size: folders, named pipes,
// devices.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

#include "CoreMinimal.h"
#include "HAL/FileManager.h"
#include "Misc/FileHelper.h"
#include "HeadlessString.h"
#include "ScratchDir.h"
#include "LogCapture.h"

namespace
{


	// Runs the load on a thread of its own so that a load that blocks fails the test instead of
	// hanging the run (the blocked thread is then left behind, owning its own state).
	bool LoadWithin(const FString& Path, TArray<uint8>& Bytes, bool& bFinished)
	{
		struct FState { std::promise<bool> Done; TArray<uint8> Bytes; };
		auto State = std::make_shared<FState>();
		std::future<bool> Result = State->Done.get_future();
		std::thread([State, Path] { State->Done.set_value(FFileHelper::LoadFileToArray(State->Bytes, *Path)); }).detach();
		bFinished = Result.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
		if (!bFinished)
		{
			return false;
		}
		const bool bLoaded = Result.get();
		Bytes = State->Bytes;
		return bLoaded;
	}
}

TEST(FileHelperTest, LoadsARegularFileWholeAndRefusesWhatItCannotSizeWithAWarning)
{
	FScratchDir Dir("he-filehelper");
	TArray<uint8> Written;
	// Several write pieces and a partial last one; the pattern does not repeat at a piece's length.
	const int32 Size = 3 * 256 * 1024 + 70001;
	Written.SetNumUninitialized(Size);
	for (int32 Index = 0; Index < Size; ++Index) { Written[Index] = static_cast<uint8>((Index * 7) ^ (Index >> 11)); }
	ASSERT_TRUE(FFileHelper::SaveArrayToFile(Written, *Dir.Join("data.bin")));

	TArray<uint8> Bytes;
	bool bFinished = false;
	EXPECT_TRUE(LoadWithin(Dir.Join("data.bin"), Bytes, bFinished));
	EXPECT_EQ(Bytes, Written);

	const std::string Pipe = Dir.Path.string() + "/pipe";
	ASSERT_EQ(mkfifo(Pipe.c_str(), 0600), 0);
	for (const FString& Path : { Dir.Join("pipe"), FString(TEXT("/dev/zero")), ToFString(Dir.Path), Dir.Join("missing.bin") })
	{
		EXPECT_FALSE(LoadWithin(Path, Bytes, bFinished)) << UE::HeadlessEditor::ToUtf8(Path);
		EXPECT_TRUE(bFinished) << "blocked on " << UE::HeadlessEditor::ToUtf8(Path);
	}

	// What cannot be read is a warning, unless silent.
	TestLog::FCapture Log(TEXT("LogStreaming"));
	const FString Missing = Dir.Join("missing.bin");
	TArray64<uint8> Bytes64;

	EXPECT_FALSE(FFileHelper::LoadFileToArray(Bytes, *Missing));
	EXPECT_FALSE(FFileHelper::LoadFileToArray(Bytes64, *ToFString(Dir.Path), FILEREAD_None));
	std::vector<TestLog::FCapture::FLine> Lines = Log.Take();
	ASSERT_EQ(Lines.size(), 2u);
	EXPECT_EQ(Lines[0].Verbosity, ELogVerbosity::Warning);
	EXPECT_EQ(Lines[0].Message, "Failed to read file '" + UE::HeadlessEditor::ToUtf8(Missing) + "' error.");
	EXPECT_EQ(Lines[1].Message, "Failed to read file '" + Dir.Path.string() + "' error.");

	// FILEREAD_Silent keeps it quiet; the engine's LoadFileToString with a file name says nothing.
	EXPECT_FALSE(FFileHelper::LoadFileToArray(Bytes, *Missing, FILEREAD_Silent));
	FString Text;
	EXPECT_FALSE(FFileHelper::LoadFileToString(Text, *Missing));
	EXPECT_TRUE(Log.Take().empty());
}
