#include "Misc/Paths.h"
#include "Math/UnrealMathUtility.h"
#include "Containers/StringConv.h"
#include "HAL/FileManager.h"
#include "HAL/PlatformProcess.h"
#include "HeadlessEditorHost.h"

#include <mutex>
#include <unistd.h>

namespace
{
	struct FProjectPaths
	{
		FString ProjectDir;
		FString SavedDir;
		FString Name;
		// Windows with the project on another drive than the engine: absolute project folders.
		bool bAbsolute = false;
	};

	FProjectPaths& Project()
	{
		static FProjectPaths Instance;
		return Instance;
	}

	FString CurrentDir()
	{
		char Buffer[4096];
		return getcwd(Buffer, sizeof(Buffer)) ? FString(Buffer) : FString(TEXT("/"));
	}

	// The folder the process was started in, taken before it moves to its binaries folder.
	FString& LaunchDirStorage()
	{
		static FString Dir;
		return Dir;
	}

	bool IsSlash(TCHAR C) { return C == '/' || C == '\\'; }

	int32 LastSeparator(const FString& Path)
	{
		for (int32 Index = Path.Len() - 1; Index >= 0; --Index)
		{
			if (IsSlash(Path[Index])) { return Index; }
		}
		return INDEX_NONE;
	}

	// A full path relative to the binaries folder, as the engine's file manager writes every path
	// under the engine's root (all of them on Linux, which has no drives).
	FString RelativeToBaseDir(const FString& FullPath)
	{
		FString Relative = FullPath;
		FPaths::MakePathRelativeTo(Relative, FPlatformProcess::BaseDir());
		return Relative;
	}
}

namespace UE::HeadlessEditor
{
	void EnterBaseDir()
	{
		if (LaunchDirStorage().IsEmpty()) { LaunchDirStorage() = CurrentDir() + TEXT("/"); }
		if (chdir(TCHAR_TO_UTF8(FPlatformProcess::BaseDir())) != 0) { /* stays where it was */ }
	}

	const FString& GetLaunchDir()
	{
		if (LaunchDirStorage().IsEmpty()) { LaunchDirStorage() = CurrentDir() + TEXT("/"); }
		return LaunchDirStorage();
	}

	void SetAbsoluteProjectPaths(bool bAbsolute) { Project().bAbsolute = bAbsolute; }

	void SetProjectDir(const FString& InProjectDir)
	{
		FString Dir = FPaths::ConvertRelativePathToFull(GetLaunchDir(), InProjectDir);
		while (Dir.Len() > 1 && Dir.EndsWith(TEXT("/"))) { Dir.LeftChopInline(1); }
		FProjectPaths& P = Project();
		P.Name = FPaths::GetCleanFilename(Dir);
		if (P.Name.IsEmpty()) { P.Name = TEXT("Project"); }
		// Relative folders only mean something from the binaries folder, where the engine works.
		EnterBaseDir();
		P.ProjectDir = (P.bAbsolute ? Dir : RelativeToBaseDir(Dir)) + TEXT("/");
		P.SavedDir = P.ProjectDir + TEXT("Saved/");
	}

	const FString& GetProjectName() { return Project().Name; }
}

FString FPaths::ProjectDir()
{
	if (Project().ProjectDir.IsEmpty()) { UE::HeadlessEditor::SetProjectDir(UE::HeadlessEditor::GetLaunchDir()); }
	return Project().ProjectDir;
}
const FString& FPaths::ProjectSavedDir()
{
	if (Project().ProjectDir.IsEmpty()) { UE::HeadlessEditor::SetProjectDir(UE::HeadlessEditor::GetLaunchDir()); }
	return Project().SavedDir;
}
FString FPaths::ProjectContentDir() { return ProjectDir() + TEXT("Content/"); }
FString FPaths::ProjectLogDir() { return ProjectSavedDir() + TEXT("Logs/"); }
FString FPaths::ProjectPluginsDir() { return ProjectDir() + TEXT("Plugins/"); }
FString FPaths::ProjectIntermediateDir() { return ProjectDir() + TEXT("Intermediate/"); }
// The engine's folders: the binaries sit in <Root>/Engine/Binaries/Linux, and the engine folder is
// given relative to them, the root folder in full.
FString FPaths::EngineDir() { return TEXT("../../../Engine/"); }
FString FPaths::EngineContentDir() { return EngineDir() + TEXT("Content/"); }
FString FPaths::EnginePluginsDir() { return EngineDir() + TEXT("Plugins/"); }
FString FPaths::RootDir() { return ConvertRelativePathToFull(FString(FPlatformProcess::BaseDir()) + TEXT("../../../")); }
FString FPaths::LaunchDir() { return UE::HeadlessEditor::GetLaunchDir(); }
FString FPaths::GetProjectFilePath() { return ProjectDir() + UE::HeadlessEditor::GetProjectName() + TEXT(".uproject"); }

FString FPaths::GetCleanFilename(const FString& InPath)
{
	// What follows the last separator, with no trailing separator set aside: "a/b/" gives "".
	int32 End = InPath.Len();
	while (End > 0 && IsSlash(InPath[End - 1])) { --End; }
	const int32 Start = LastSeparator(InPath) + 1;
	return Start <= End ? InPath.Mid(Start, End - Start) : FString();
}

FString FPaths::GetBaseFilename(const FString& InPath, bool bRemovePath)
{
	FString Result = bRemovePath ? GetCleanFilename(InPath) : InPath;
	int32 Dot = INDEX_NONE;
	Result.FindLastChar('.', Dot);
	if (Dot != INDEX_NONE)
	{
		const int32 Sep = bRemovePath ? INDEX_NONE : LastSeparator(Result);
		if (Sep == INDEX_NONE || Dot > Sep) { Result.LeftInline(Dot); }
	}
	return Result;
}

FString FPaths::GetExtension(const FString& InPath, bool bIncludeDot)
{
	const FString Filename = GetCleanFilename(InPath);
	int32 Dot = INDEX_NONE;
	if (!Filename.FindLastChar('.', Dot)) { return FString(); }
	return Filename.RightChop(bIncludeDot ? Dot : Dot + 1);
}

FString FPaths::GetPath(const FString& InPath)
{
	const int32 Sep = LastSeparator(InPath);
	return Sep == INDEX_NONE ? FString() : InPath.Left(Sep);
}

FString FPaths::GetPathLeaf(const FString& InPath) { return GetCleanFilename(InPath); }

FString FPaths::ChangeExtension(const FString& InPath, const FString& InNewExtension)
{
	FString Base = GetPath(InPath);
	if (!Base.IsEmpty()) { Base += TEXT("/"); }
	Base += GetBaseFilename(InPath);
	if (InNewExtension.IsEmpty()) { return Base; }
	return InNewExtension.StartsWith(TEXT(".")) ? Base + InNewExtension : Base + TEXT(".") + InNewExtension;
}

void FPaths::NormalizeFilename(FString& InPath)
{
	InPath.ReplaceInline(TEXT("\\"), TEXT("/"), ESearchCase::CaseSensitive);
	// A leading '~' is the home folder (every '~' of such a path is replaced, as the engine does).
	if (InPath.StartsWith(TEXT("~"), ESearchCase::CaseSensitive))
	{
		const char* Home = getenv("HOME");
		InPath = InPath.Replace(TEXT("~"), *FString(Home ? Home : ""), ESearchCase::CaseSensitive);
	}
}

void FPaths::NormalizeDirectoryName(FString& InPath)
{
	InPath.ReplaceInline(TEXT("\\"), TEXT("/"), ESearchCase::CaseSensitive);
	// One trailing '/' goes, unless it belongs to "//" or a drive's ":/".
	if (InPath.EndsWith(TEXT("/"), ESearchCase::CaseSensitive) && !InPath.EndsWith(TEXT("//"), ESearchCase::CaseSensitive)
		&& !InPath.EndsWith(TEXT(":/"), ESearchCase::CaseSensitive))
	{
		InPath.LeftChopInline(1);
	}
	if (InPath.StartsWith(TEXT("~"), ESearchCase::CaseSensitive))
	{
		const char* Home = getenv("HOME");
		InPath = InPath.Replace(TEXT("~"), *FString(Home ? Home : ""), ESearchCase::CaseSensitive);
	}
}

bool FPaths::CollapseRelativeDirectories(FString& InPath)
{
	// Each "/.." takes the folder before it away. A path that starts with ".." or "/.." cannot be
	// collapsed (false); folders whose names begin with ".." (like "/..x") are ordinary folders.
	// Afterwards every "./" is removed, wherever it stands, as the engine does.
	const FString ParentDir = TEXT("/..");
	for (;;)
	{
		if (InPath.IsEmpty()) { break; }
		if (InPath.StartsWith(TEXT(".."), ESearchCase::CaseSensitive) || InPath.StartsWith(ParentDir, ESearchCase::CaseSensitive)) { return false; }

		int32 Index = InPath.Find(ParentDir, ESearchCase::CaseSensitive);
		while (Index != INDEX_NONE && InPath.Len() > Index + 3 && InPath[Index + 3] != '/')
		{
			Index = InPath.Find(ParentDir, ESearchCase::CaseSensitive, ESearchDir::FromStart, Index + 3);
		}
		if (Index == INDEX_NONE) { break; }

		// The start of the folder "/.." removes, skipping "/." folders on the way.
		int32 Previous = Index;
		for (;;)
		{
			Previous = FMath::Max(0, InPath.Find(TEXT("/"), ESearchCase::CaseSensitive, ESearchDir::FromEnd, Previous - 1));
			if (Previous == 0) { break; }
			if (Index - Previous > 1 && (InPath[Previous + 1] != '.' || InPath[Previous + 2] != '/')) { break; }
		}
		// A drive letter is never removed.
		const int32 Colon = InPath.Find(TEXT(":"), ESearchCase::CaseSensitive, ESearchDir::FromStart, Previous);
		if (Colon >= 0 && Colon < Index) { return false; }

		InPath = InPath.Left(Previous) + InPath.Mid(Index + 3);
	}
	InPath.ReplaceInline(TEXT("./"), TEXT(""), ESearchCase::CaseSensitive);
	return true;
}

// Relative paths are relative to the binaries folder, as everywhere in the engine.
FString FPaths::ConvertRelativePathToFull(const FString& InPath) { return ConvertRelativePathToFull(FString(FPlatformProcess::BaseDir()), InPath); }

FString FPaths::ConvertRelativePathToFull(const FString& BasePath, const FString& InPath)
{
	FString Path = IsRelative(InPath) ? BasePath / InPath : InPath;
	NormalizeFilename(Path);
	CollapseRelativeDirectories(Path);
	return Path.IsEmpty() ? FString(TEXT("/")) : Path;
}

bool FPaths::IsRelative(const FString& InPath)
{
	const int32 Len = InPath.Len();
	const bool bRooted = Len > 0 && (InPath[0] == '/'
		|| (Len >= 2 && ((InPath[0] == '\\' && InPath[1] == '\\') || (InPath[1] == ':' && ((InPath[0] >= 'A' && InPath[0] <= 'Z') || (InPath[0] >= 'a' && InPath[0] <= 'z'))))));
	return !bRooted;
}

bool FPaths::FileExists(const FString& InPath) { return IFileManager::Get().FileExists(*InPath); }
bool FPaths::DirectoryExists(const FString& InPath) { return IFileManager::Get().DirectoryExists(*InPath); }

bool FPaths::IsUnderDirectory(const FString& InPath, const FString& InDirectory)
{
	FString Path = ConvertRelativePathToFull(InPath);
	FString Dir = ConvertRelativePathToFull(InDirectory);
	if (!Dir.EndsWith(TEXT("/"))) { Dir += TEXT("/"); }
	return Path.StartsWith(Dir, ESearchCase::CaseSensitive) || (Path + TEXT("/")).Equals(Dir);
}

bool FPaths::MakePathRelativeTo(FString& InPath, const TCHAR* InRelativeTo)
{
	FString Target = ConvertRelativePathToFull(InPath);
	FString Base = GetPath(ConvertRelativePathToFull(FString(InRelativeTo)));
	TArray<FString> TargetParts, BaseParts;
	Target.ParseIntoArray(TargetParts, TEXT("/"), true);
	Base.ParseIntoArray(BaseParts, TEXT("/"), true);
	int32 Common = 0;
	while (Common < TargetParts.Num() && Common < BaseParts.Num() && TargetParts[Common].Equals(BaseParts[Common])) { ++Common; }
	FString Result;
	for (int32 Index = Common; Index < BaseParts.Num(); ++Index) { Result += TEXT("../"); }
	for (int32 Index = Common; Index < TargetParts.Num(); ++Index)
	{
		Result += TargetParts[Index];
		if (Index + 1 < TargetParts.Num()) { Result += TEXT("/"); }
	}
	InPath = Result;
	return true;
}
