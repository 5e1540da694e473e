#include "Misc/Paths.h"
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

	int32 LastSeparator(const FString& Path)
	{
		for (int32 Index = Path.Len() - 1; Index >= 0; --Index)
		{
			if (Path[Index] == '/' || Path[Index] == '\\') { return Index; }
		}
		return INDEX_NONE;
	}
}

namespace UE::HeadlessEditor
{
	void SetProjectDir(const FString& InProjectDir)
	{
		FString Dir = FPaths::ConvertRelativePathToFull(InProjectDir);
		while (Dir.Len() > 1 && Dir.EndsWith(TEXT("/"))) { Dir.LeftChopInline(1); }
		FProjectPaths& P = Project();
		P.Name = FPaths::GetCleanFilename(Dir);
		if (P.Name.IsEmpty()) { P.Name = TEXT("Project"); }
		P.ProjectDir = Dir + TEXT("/");
		P.SavedDir = P.ProjectDir + TEXT("Saved/");
	}

	const FString& GetProjectName() { return Project().Name; }
}

FString FPaths::ProjectDir()
{
	if (Project().ProjectDir.IsEmpty()) { UE::HeadlessEditor::SetProjectDir(CurrentDir()); }
	return Project().ProjectDir;
}
const FString& FPaths::ProjectSavedDir()
{
	if (Project().ProjectDir.IsEmpty()) { UE::HeadlessEditor::SetProjectDir(CurrentDir()); }
	return Project().SavedDir;
}
FString FPaths::ProjectContentDir() { return ProjectDir() + TEXT("Content/"); }
FString FPaths::ProjectLogDir() { return ProjectSavedDir() + TEXT("Logs/"); }
FString FPaths::ProjectPluginsDir() { return ProjectDir() + TEXT("Plugins/"); }
FString FPaths::ProjectIntermediateDir() { return ProjectDir() + TEXT("Intermediate/"); }
FString FPaths::EngineDir() { return FString(FPlatformProcess::BaseDir()); }
FString FPaths::EngineContentDir() { return EngineDir() + TEXT("Content/"); }
FString FPaths::GetProjectFilePath() { return ProjectDir() + UE::HeadlessEditor::GetProjectName() + TEXT(".uproject"); }

FString FPaths::GetCleanFilename(const FString& InPath)
{
	// Separators at the end are set aside first, so "a/b/" gives "b".
	int32 End = InPath.Len();
	while (End > 0 && (InPath[End - 1] == '/' || InPath[End - 1] == '\\')) { --End; }
	const FString Trimmed = InPath.Left(End);
	const int32 Sep = LastSeparator(Trimmed);
	return Sep == INDEX_NONE ? Trimmed : Trimmed.RightChop(Sep + 1);
}

FString FPaths::GetBaseFilename(const FString& InPath, bool bRemovePath)
{
	FString Result = bRemovePath ? GetCleanFilename(InPath) : InPath;
	const int32 Sep = LastSeparator(Result);
	int32 Dot = INDEX_NONE;
	Result.FindLastChar('.', Dot);
	if (Dot != INDEX_NONE && Dot > Sep) { Result.LeftInline(Dot); }
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

void FPaths::NormalizeFilename(FString& InPath) { InPath.ReplaceCharInline('\\', '/', ESearchCase::CaseSensitive); }

void FPaths::NormalizeDirectoryName(FString& InPath)
{
	NormalizeFilename(InPath);
	while (InPath.Len() > 1 && InPath.EndsWith(TEXT("/"))) { InPath.LeftChopInline(1); }
}

bool FPaths::CollapseRelativeDirectories(FString& InPath)
{
	TArray<FString> Parts;
	const bool bAbsolute = InPath.StartsWith(TEXT("/"));
	InPath.ParseIntoArray(Parts, TEXT("/"), true);
	TArray<FString> Out;
	for (const FString& Part : Parts)
	{
		if (Part.Equals(TEXT("."))) { continue; }
		if (Part.Equals(TEXT("..")))
		{
			if (Out.Num() == 0 || Out.Last().Equals(TEXT(".."))) { return false; }
			Out.Pop();
			continue;
		}
		Out.Add(Part);
	}
	const bool bTrailing = InPath.EndsWith(TEXT("/"));
	InPath = (bAbsolute ? FString(TEXT("/")) : FString()) + FString::Join(Out, TEXT("/"));
	if (bTrailing && !InPath.EndsWith(TEXT("/"))) { InPath += TEXT("/"); }
	return true;
}

FString FPaths::ConvertRelativePathToFull(const FString& InPath) { return ConvertRelativePathToFull(CurrentDir(), InPath); }

FString FPaths::ConvertRelativePathToFull(const FString& BasePath, const FString& InPath)
{
	FString Path = InPath;
	NormalizeFilename(Path);
	if (IsRelative(Path)) { Path = BasePath / Path; }
	CollapseRelativeDirectories(Path);
	return Path;
}

bool FPaths::IsRelative(const FString& InPath) { return !InPath.StartsWith(TEXT("/")) && !InPath.StartsWith(TEXT("\\")); }
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
