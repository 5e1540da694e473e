// IFileManager as the engine's generic file manager behaves on Linux: FindFilesRecursive walks
// breadth first and matches names ignoring case, Delete treats a folder as missing, and Move
// retries a failed move with warnings and ends with an error.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "CoreMinimal.h"
#include "HAL/FileManager.h"
#include "HAL/PlatformTime.h"
#include "Misc/FileHelper.h"
#include "HeadlessString.h"
#include "ScratchDir.h"
#include "LogCapture.h"

namespace
{
	void WriteFile(const FScratchDir& Dir, const std::string& Relative) { ASSERT_TRUE(FFileHelper::SaveStringToFile(TEXT("x"), *Dir.Join(Relative))); }
	int32 IndexOf(const TArray<FString>& Found, const FString& Path) { return Found.IndexOfByKey(Path); }
}

TEST(FileManagerTest, FindFilesRecursiveListsEachFolderLevelBeforeTheNext)
{
	FScratchDir Dir("he-filemanager");
	// Deep folders first, so that creation order does not give the answer away.
	WriteFile(Dir, "a/b/c/deep.fbx");
	WriteFile(Dir, "a/b/mid.FBX");
	WriteFile(Dir, "a/top.fbx");
	WriteFile(Dir, "z/other.Fbx");
	WriteFile(Dir, "readme.txt");
	WriteFile(Dir, "root.fbx");
	WriteFile(Dir, "[x].fbx");

	TArray<FString> Found;
	IFileManager::Get().FindFilesRecursive(Found, *ToFString(Dir.Path), TEXT("*.fbx"), true, false);
	ASSERT_EQ(Found.Num(), 6) << UE::HeadlessEditor::ToUtf8(FString::Join(Found, TEXT(", ")));
	const int32 Root = IndexOf(Found, Dir.Join("root.fbx"));
	const int32 Bracket = IndexOf(Found, Dir.Join("[x].fbx"));
	const int32 Top = IndexOf(Found, Dir.Join("a/top.fbx"));
	const int32 Other = IndexOf(Found, Dir.Join("z/other.Fbx"));
	const int32 Mid = IndexOf(Found, Dir.Join("a/b/mid.FBX"));
	const int32 Deep = IndexOf(Found, Dir.Join("a/b/c/deep.fbx"));
	for (int32 Index : { Root, Bracket, Top, Other, Mid, Deep }) { EXPECT_NE(Index, INDEX_NONE); }
	EXPECT_LT(std::max(Root, Bracket), std::min(Top, Other)) << "the start folder's files come first";
	EXPECT_LT(std::max(Top, Other), Mid);
	EXPECT_LT(Mid, Deep);

	// '?' is one character; '[' is an ordinary character; folders are listed when asked for.
	IFileManager::Get().FindFilesRecursive(Found, *ToFString(Dir.Path), TEXT("[x].FB?"), true, false);
	EXPECT_EQ(Found.Num(), 1);
	IFileManager::Get().FindFilesRecursive(Found, *ToFString(Dir.Path), TEXT("*"), false, true);
	EXPECT_EQ(Found.Num(), 4);   // a, z, a/b, a/b/c
	EXPECT_LT(std::max(IndexOf(Found, Dir.Join("a")), IndexOf(Found, Dir.Join("z"))), IndexOf(Found, Dir.Join("a/b")));
}

TEST(FileManagerTest, DeleteTreatsAFolderAsMissingAndWarnsOnlyWhenTheFileIsRequired)
{
	FScratchDir Dir("he-filemanager");
	WriteFile(Dir, "file.txt");
	IFileManager& FileManager = IFileManager::Get();
	TestLog::FCapture Log(TEXT("LogFileManager"));

	EXPECT_TRUE(FileManager.Delete(*Dir.Join("file.txt"), true));
	EXPECT_FALSE(FileManager.FileExists(*Dir.Join("file.txt")));
	EXPECT_TRUE(FileManager.Delete(*Dir.Join("file.txt")));
	EXPECT_TRUE(FileManager.Delete(*ToFString(Dir.Path)));
	EXPECT_TRUE(FileManager.DirectoryExists(*ToFString(Dir.Path))) << "Delete never removes a folder";
	EXPECT_TRUE(Log.Take().empty());

	EXPECT_FALSE(FileManager.Delete(*Dir.Join("file.txt"), true));
	EXPECT_FALSE(FileManager.Delete(*ToFString(Dir.Path), true));
	EXPECT_EQ(Log.Count(ELogVerbosity::Warning, "because it doesn't exist."), 2);
	EXPECT_FALSE(FileManager.Delete(*Dir.Join("file.txt"), true, false, true));   // quiet
	EXPECT_EQ(Log.Take().size(), 2u);
}

TEST(FileManagerTest, MoveMakesTheFolderReplacesAsARenameDoesAndRetriesAFailure)
{
	FScratchDir Dir("he-filemanager");
	WriteFile(Dir, "from.txt");
	WriteFile(Dir, "to.txt");
	IFileManager& FileManager = IFileManager::Get();
	TestLog::FCapture Log(TEXT("LogFileManager"));
	EXPECT_TRUE(FileManager.Move(*Dir.Join("new/folder/moved.txt"), *Dir.Join("from.txt")));
	EXPECT_TRUE(FileManager.FileExists(*Dir.Join("new/folder/moved.txt")));
	// Replace = false does not protect the destination on Linux: the rename replaces it.
	EXPECT_TRUE(FileManager.Move(*Dir.Join("to.txt"), *Dir.Join("new/folder/moved.txt"), false));
	EXPECT_FALSE(FileManager.FileExists(*Dir.Join("new/folder/moved.txt")));
	EXPECT_TRUE(Log.Take().empty());

	// Without retries a failure is quiet and immediate.
	const double Start = FPlatformTime::Seconds();
	EXPECT_FALSE(FileManager.Move(*Dir.Join("x.txt"), *Dir.Join("missing.txt"), true, false, false, true));
	EXPECT_LT(FPlatformTime::Seconds() - Start, 0.25);
	EXPECT_TRUE(Log.Take().empty());

	// With retries, a source that turns up while the move is being retried: it succeeds, after warnings.
	std::thread Late([&Dir] { std::this_thread::sleep_for(std::chrono::milliseconds(700)); WriteFile(Dir, "late.txt"); });
	EXPECT_TRUE(FileManager.Move(*Dir.Join("moved.txt"), *Dir.Join("late.txt")));
	Late.join();
	EXPECT_TRUE(FileManager.FileExists(*Dir.Join("moved.txt")));
	EXPECT_GE(Log.Count(ELogVerbosity::Warning, "MoveFile was unable to move '" + Dir.Path.string() + "/late.txt' to '" + Dir.Path.string() + "/moved.txt'"), 1);
	EXPECT_EQ(Log.Count(ELogVerbosity::Warning, "MoveFile recovered during retry!"), 1);
	EXPECT_EQ(Log.Count(ELogVerbosity::Error), 0);
	Log.Take();

	// A source that never turns up: ten retries half a second apart, then an error.
	const double Retried = FPlatformTime::Seconds();
	EXPECT_FALSE(FileManager.Move(*Dir.Join("never.txt"), *Dir.Join("missing.txt")));
	EXPECT_GE(FPlatformTime::Seconds() - Retried, 4.9);
	EXPECT_EQ(Log.Count(ELogVerbosity::Warning, "retrying in .5s..."), 10);
	EXPECT_EQ(Log.Count(ELogVerbosity::Error, "Error moving file '" + Dir.Path.string() + "/missing.txt' to '" + Dir.Path.string() + "/never.txt'."), 1);
}
