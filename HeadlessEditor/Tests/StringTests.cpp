// FString, UTF-8 conversion, Printf and paths behave as the engine's do where plugins rely on it.
#include <gtest/gtest.h>

#include "CoreMinimal.h"
#include "HAL/PlatformProcess.h"
#include "Misc/Paths.h"
#include "Misc/Timespan.h"

#include <string>
#include <tuple>
#include <vector>

#include "HeadlessEditorHost.h"
#include "HeadlessString.h"

TEST(FStringTest, CaseRulesFollowTheEngine)
{
	const FString Text(TEXT("Hello/World.FBX"));
	EXPECT_TRUE(Text == FString(TEXT("hello/world.fbx")));
	EXPECT_FALSE(Text.Equals(TEXT("hello/world.fbx")));
	EXPECT_TRUE(Text.EndsWith(TEXT(".fbx")));
	EXPECT_FALSE(Text.EndsWith(TEXT(".fbx"), ESearchCase::CaseSensitive));
	EXPECT_EQ(Text.Find(TEXT("WORLD")), 6);
	EXPECT_FALSE(Text.StartsWith(TEXT("")));
	EXPECT_FALSE(Text.EndsWith(TEXT("")));
}

TEST(FStringTest, PathAppendPutsOneSeparator)
{
	const std::tuple<const TCHAR*, const TCHAR*, int32, const char*> Cases[] = {
		{ TEXT("/tmp/Saved"), TEXT("Temp/MOLDARI"), 12, "/tmp/Saved/Temp/MOLDARI" },
		{ TEXT("/tmp/Saved/"), TEXT("x"), 1, "/tmp/Saved/x" },
		{ TEXT("/a"), TEXT("/b"), 2, "/a/b" },
		{ TEXT("/a"), TEXT("\\b"), 2, "/a/\\b" },
		{ TEXT("a\\"), TEXT("b"), 1, "a\\b" },
	};
	for (const auto& [Base, Part, Length, Expected] : Cases)
	{
		FString Path(Base);
		Path.PathAppend(Part, Length);
		EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Path), Expected);
	}
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8((FString(TEXT("x")) / TEXT("y"))), "x/y");
}

TEST(FStringTest, PrintfFormatsLikeTheEngine)
{
	const FString Name(TEXT("chair"));
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FString::Printf(TEXT("%s=%d (%lld) %u %.2f %%"), *Name, -5, 524288000LL, 7u, 1.5)), "chair=-5 (524288000) 7 1.50 %");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FString::Printf(TEXT("%d.%d"), 5, 5)), "5.5");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FString::Printf(TEXT("[%3d]"), 7)), "[  7]");
	EXPECT_EQ(FString::Printf(TEXT("%s"), TEXT("\u00e9")).Len(), 1);
}

TEST(FStringTest, Utf8RoundTripAndInvalidBytes)
{
	const char Utf8[] = "caf\xC3\xA9 \xF0\x9F\x98\x82";
	const FString Text = UE::HeadlessEditor::FromUtf8(Utf8, sizeof(Utf8) - 1);
	EXPECT_EQ(Text.Len(), 7); // the emoji is a surrogate pair
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Text), std::string(Utf8));
	FTCHARToUTF8 Converted(*Text);
	EXPECT_EQ(Converted.Length(), static_cast<int32>(sizeof(Utf8) - 1));

	// As the engine decodes: one '?' per bad sequence, which takes with it the bytes it read (a
	// bad lead byte takes the next byte even when that is no continuation byte).
	const char Invalid[] = "a\xFF\xC3(b\xE2\x82";
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(UE::HeadlessEditor::FromUtf8(Invalid, sizeof(Invalid) - 1)), "a?(b?");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(UE::HeadlessEditor::FromUtf8("\xC0\xAF", 2)), "?"); // overlong '/'
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(UE::HeadlessEditor::FromUtf8("\xED\xA0\x80", 3)), "?"); // encoded surrogate
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(UE::HeadlessEditor::FromUtf8("\xEF\xBF\xBF!", 4)), "?!"); // U+FFFF
}

TEST(FStringTest, ParsingAndTrimming)
{
	EXPECT_EQ(FCString::Atoi(TEXT("  42abc")), 42);
	EXPECT_EQ(FCString::Atoi(TEXT("-17")), -17);
	EXPECT_EQ(FCString::Atoi(TEXT("abc")), 0);
	EXPECT_EQ(FCString::Atoi64(TEXT("99999999999999999999999")), MAX_int64);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FString(TEXT("  \t x y \r\n")).TrimStartAndEnd()), "x y");
	TArray<FString> Lines;
	EXPECT_EQ(FString(TEXT("a\r\nb\rc\n\nd")).ParseIntoArrayLines(Lines), 4);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Lines[3]), "d");
	TArray<FString> Words;
	EXPECT_EQ(FString(TEXT("GET  /status HTTP/1.1")).ParseIntoArray(Words, TEXT(" ")), 3);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Words[1]), "/status");
	EXPECT_EQ(FString(TEXT("abc")).RightChop(10).Len(), 0);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FString(TEXT("abc")).Mid(1, 1)), "b");
}

TEST(FStringTest, ParseIntoArrayFollowsTheEngineRules)
{
	const auto Utf8 = [](const TArray<FString>& Parts)
	{
		std::vector<std::string> Out;
		for (const FString& Part : Parts) { Out.push_back(UE::HeadlessEditor::ToUtf8(Part)); }
		return Out;
	};
	TArray<FString> Parts;
	// The delimiter is matched ignoring case, and may be longer than one character.
	EXPECT_EQ(FString(TEXT("aXbxc")).ParseIntoArray(Parts, TEXT("x")), 3);
	EXPECT_EQ(Utf8(Parts), (std::vector<std::string>{ "a", "b", "c" }));
	EXPECT_EQ(FString(TEXT("one AND two and three")).ParseIntoArray(Parts, TEXT(" and ")), 3);
	EXPECT_EQ(Utf8(Parts), (std::vector<std::string>{ "one", "two", "three" }));

	// Empty pieces are kept unless culled; an empty string is one empty piece.
	EXPECT_EQ(FString(TEXT(",a,,b,")).ParseIntoArray(Parts, TEXT(","), false), 5);
	EXPECT_EQ(Utf8(Parts), (std::vector<std::string>{ "", "a", "", "b", "" }));
	EXPECT_EQ(FString(TEXT(",a,,b,")).ParseIntoArray(Parts, TEXT(","), true), 2);
	EXPECT_EQ(FString().ParseIntoArray(Parts, TEXT(","), false), 1);
	EXPECT_EQ(Utf8(Parts), (std::vector<std::string>{ "" }));
	EXPECT_EQ(FString().ParseIntoArray(Parts, TEXT(","), true), 0);

	// An empty delimiter gives no pieces at all; the array is emptied first in every case.
	Parts = { FString(TEXT("old")) };
	EXPECT_EQ(FString(TEXT("abc")).ParseIntoArray(Parts, TEXT("")), 0);
	EXPECT_TRUE(Parts.IsEmpty());
}

TEST(FPathsTest, CombineAppendsEveryPartWithThePathRule)
{
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::Combine(TEXT("a"), TEXT("b"), TEXT("c.txt"))), "a/b/c.txt");
	// An empty part is not skipped: it adds the separator a path without one lacks.
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::Combine(TEXT("a"), TEXT(""))), "a/");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::Combine(TEXT("a"), TEXT(""), TEXT("b"))), "a/b");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::Combine(TEXT(""), TEXT("b"))), "b");
	// Separators are only ever added, never taken away.
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::Combine(FString(TEXT("/x/")), FString(TEXT("/y")))), "/x//y");
}

TEST(FTimespanTest, FromSecondsRoundsToTheNearestTick)
{
	EXPECT_EQ(FTimespan::FromSeconds(1.5e-7).GetTicks(), 2);
	EXPECT_EQ(FTimespan::FromSeconds(1.4e-7).GetTicks(), 1);
	EXPECT_EQ(FTimespan::FromSeconds(0.57).GetTicks(), 5700000);   // 0.57 * 1e7 is just below 5700000 in binary
	EXPECT_EQ(FTimespan::FromSeconds(-1.5e-7).GetTicks(), -1);
	EXPECT_EQ(FTimespan::FromMilliseconds(0.25).GetTicks(), 2500);
}

TEST(FPathsTest, FileNameParts)
{
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::GetCleanFilename(FString(TEXT("a/b\\c.fbx")))), "c.fbx");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::GetCleanFilename(FString(TEXT("../../x")))), "x");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::GetCleanFilename(FString(TEXT("///")))), "");
	// A trailing separator leaves no file name (Paths.cpp, GetCleanFilename).
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::GetCleanFilename(FString(TEXT("a/b/")))), "");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::GetBaseFilename(FString(TEXT("a/b.c/d.tar.gz")))), "d.tar");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::GetExtension(FString(TEXT("a.b/c")))), "");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::GetExtension(FString(TEXT("a/c.FBX")), true)), ".FBX");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::GetPath(FString(TEXT("a/b/c.fbx")))), "a/b");
	FString Windows(TEXT("C:\\x\\y"));
	FPaths::NormalizeFilename(Windows);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Windows), "C:/x/y");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::ConvertRelativePathToFull(FString(TEXT("/a")), FString(TEXT("b/../c/./d")))), "/a/c/d");
}

// The engine's collapse: a path that starts with ".." cannot be collapsed (which is why a
// relative project folder fails any check built on it), folders named "..x" are folders, and
// every "./" goes, even inside a name.
TEST(FPathsTest, CollapseRelativeDirectoriesAsTheEngine)
{
	auto Collapse = [](const TCHAR* In, FString& Out) { Out = In; return FPaths::CollapseRelativeDirectories(Out); };
	FString Out;
	EXPECT_FALSE(Collapse(TEXT("../../Proj/Saved/x.png"), Out));
	EXPECT_FALSE(Collapse(TEXT("a/../../x"), Out));
	EXPECT_FALSE(Collapse(TEXT("/../x"), Out));
	ASSERT_TRUE(Collapse(TEXT("/p/a/b/../c"), Out));
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Out), "/p/a/c");
	ASSERT_TRUE(Collapse(TEXT("/p/..x/y"), Out));
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Out), "/p/..x/y");
	ASSERT_TRUE(Collapse(TEXT("/p/./a/./../b"), Out));
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Out), "/p/b");
	ASSERT_TRUE(Collapse(TEXT("/p/name./x"), Out));
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Out), "/p/namex");
	EXPECT_FALSE(Collapse(TEXT("C:/../x"), Out));
}

// Relative paths are taken from the binaries folder, where the engine works; the engine folder is
// "../../../Engine/" from there, and the root folder is given in full.
TEST(FPathsTest, RelativePathsStartAtTheBinariesFolder)
{
	const FString BaseDir = FPlatformProcess::BaseDir();
	ASSERT_TRUE(BaseDir.EndsWith(TEXT("/Engine/Binaries/Linux/")));
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::ConvertRelativePathToFull(FString(TEXT("x/y.txt")))), UE::HeadlessEditor::ToUtf8((BaseDir + TEXT("x/y.txt"))));
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::EngineDir()), "../../../Engine/");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8((FPaths::RootDir() + TEXT("/"))), UE::HeadlessEditor::ToUtf8(FPaths::ConvertRelativePathToFull(BaseDir + TEXT("../../../"))) + "/");
	FString Relative = BaseDir + TEXT("../../../Proj/Saved/");
	FPaths::CollapseRelativeDirectories(Relative);
	ASSERT_TRUE(FPaths::MakePathRelativeTo(Relative, *BaseDir));
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Relative), "../../../Proj/Saved");
	EXPECT_TRUE(FPaths::IsRelative(FString(TEXT("../x"))));
	EXPECT_FALSE(FPaths::IsRelative(FString(TEXT("C:/x"))));
	EXPECT_FALSE(FPaths::IsRelative(FString(TEXT("\\\\server\\x"))));
}

// A project on the engine's drive (always, on Linux) has folders relative to the binaries folder;
// one on another drive (Windows) has full ones.
TEST(FPathsTest, ProjectFoldersAreRelativeUnlessOnAnotherDrive)
{
	const FString Project = TEXT("/tmp/moldari-paths-test/Proj");
	UE::HeadlessEditor::SetProjectDir(Project);
	EXPECT_TRUE(FPaths::ProjectDir().StartsWith(TEXT("../")));
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::ConvertRelativePathToFull(FPaths::ProjectSavedDir())), "/tmp/moldari-paths-test/Proj/Saved/");
	UE::HeadlessEditor::SetAbsoluteProjectPaths(true);
	UE::HeadlessEditor::SetProjectDir(Project);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FPaths::ProjectContentDir()), "/tmp/moldari-paths-test/Proj/Content/");
	UE::HeadlessEditor::SetAbsoluteProjectPaths(false);
	UE::HeadlessEditor::SetProjectDir(Project);
	EXPECT_FALSE(FPaths::ProjectContentDir().StartsWith(TEXT("/")));
}

TEST(FNameTest, CaseInsensitiveWithFirstSpelling)
{
	const FName A(TEXT("MOLDARIStyle"));
	const FName B(TEXT("moldaristyle"));
	EXPECT_TRUE(A == B);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(B.ToString()), "MOLDARIStyle");
	EXPECT_TRUE(FName().IsNone());
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(FName(NAME_Stream).ToString()), "Stream");
}

TEST(TMapTest, KeepsInsertionOrderAndIgnoresKeyCase)
{
	TMap<FString, int32> Map;
	Map.Add(TEXT("b"), 1);
	Map.Add(TEXT("A"), 2);
	Map.Add(TEXT("a"), 3);
	ASSERT_EQ(Map.Num(), 2);
	EXPECT_EQ(*Map.Find(TEXT("A")), 3);
	TArray<FString> Keys;
	Map.GetKeys(Keys);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Keys[0]), "b");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Keys[1]), "A");
	Map.Remove(TEXT("B"));
	EXPECT_EQ(Map.Num(), 1);
	EXPECT_EQ(Map.FindRef(TEXT("a")), 3);
}

// Byte arrays append with one copy; appending a range of the array itself must still work
// although the array may move while it grows.
TEST(TArrayTest, AppendCopiesRangesIncludingItsOwn)
{
	TArray<uint8> Bytes;
	const uint8 First[] = { 1, 2, 3 };
	Bytes.Append(First, 3);
	Bytes.Append(First, 0);
	for (int32 Round = 0; Round < 12; ++Round)
	{
		Bytes.Append(Bytes.GetData(), Bytes.Num());   // doubles, reallocating on the way
	}
	ASSERT_EQ(Bytes.Num(), 3 << 12);
	for (int32 Index = 0; Index < Bytes.Num(); ++Index)
	{
		ASSERT_EQ(Bytes[Index], First[Index % 3]) << Index;
	}

	TArray<FString> Names;
	const FString Two[] = { TEXT("a"), TEXT("b") };
	Names.Append(Two, 2);
	Names.Append(Names.GetData() + 1, 1);
	EXPECT_EQ(Names.Num(), 3);
	EXPECT_EQ(Names[2], TEXT("b"));
}
