// Long package names and their files: "/Game/" is the project's Content/ folder.
#include "Misc/PackageName.h"
#include "Misc/Paths.h"
#include "HAL/FileManager.h"

#include "UObjectHost.h"

namespace
{
	const TCHAR* const GameRoot = TEXT("/Game/");

	bool HasForbiddenCharacter(const FString& Name)
	{
		for (TCHAR C : Name)
		{
			if (C < 32 || C == 127) { return true; }
			switch (C)
			{
			case '\\': case ':': case '*': case '?': case '"': case '<': case '>': case '|': case '\'': case ',': case '.': case ' ': case '&': case '!': case '~': case '@': case '#':
				return true;
			default: break;
			}
		}
		return false;
	}

	// The file name under Content/ for a name below "/Game/" (the part after the root), or false.
	bool SplitGameName(const FString& LongName, FString& OutRelative)
	{
		if (!LongName.StartsWith(GameRoot, ESearchCase::CaseSensitive)) { return false; }
		OutRelative = LongName.RightChop(FString(GameRoot).Len());
		return true;
	}
}

const FString& FPackageName::GetAssetPackageExtension()
{
	static const FString Extension(TEXT(".uasset"));
	return Extension;
}

const FString& FPackageName::GetMapPackageExtension()
{
	static const FString Extension(TEXT(".umap"));
	return Extension;
}

bool FPackageName::IsPackageExtension(const TCHAR* Ext)
{
	const FString E(Ext ? Ext : TEXT(""));
	return E.Equals(TEXT("uasset"), ESearchCase::IgnoreCase) || E.Equals(TEXT("umap"), ESearchCase::IgnoreCase);
}

bool FPackageName::IsValidLongPackageName(const FString& InLongPackageName, bool bIncludeReadOnlyRoots, FText* OutReason)
{
	const FString& Name = InLongPackageName;
	if (Name.Len() < 2 || Name[0] != '/' || Name.EndsWith(TEXT("/")) || Name.Contains(TEXT("//")) || Name.Len() > 1024) { return false; }
	TArray<FString> Parts;
	Name.ParseIntoArray(Parts, TEXT("/"), false);
	// Parts[0] is the empty text before the leading '/'; a root and a name follow.
	if (Parts.Num() < 3) { return false; }
	for (int32 I = 1; I < Parts.Num(); ++I)
	{
		if (Parts[I].IsEmpty() || HasForbiddenCharacter(Parts[I])) { return false; }
	}
	return true;
}

bool FPackageName::IsValidPath(const FString& InPath)
{
	FString Path = InPath;
	if (Path.EndsWith(TEXT("/"))) { Path.LeftChopInline(1); }
	if (Path.Len() < 2 || Path[0] != '/' || Path.Contains(TEXT("//"))) { return false; }
	TArray<FString> Parts;
	Path.ParseIntoArray(Parts, TEXT("/"), false);
	for (int32 I = 1; I < Parts.Num(); ++I)
	{
		if (Parts[I].IsEmpty() || HasForbiddenCharacter(Parts[I])) { return false; }
	}
	return Parts.Num() >= 2;
}

bool FPackageName::TryConvertLongPackageNameToFilename(const FString& InLongPackageName, FString& OutFilename, const FString& InExtension)
{
	FString Relative;
	if (!IsValidLongPackageName(InLongPackageName) || !SplitGameName(InLongPackageName, Relative)) { return false; }
	OutFilename = FPaths::ProjectContentDir() + Relative + InExtension;
	return true;
}

FString FPackageName::LongPackageNameToFilename(const FString& InLongPackageName, const FString& InExtension)
{
	FString Result;
	if (!TryConvertLongPackageNameToFilename(InLongPackageName, Result, InExtension))
	{
		UE_LOG(LogUObjectGlobals, Fatal, TEXT("LongPackageNameToFilename failed to convert '%s'. Path does not map to any roots."), *InLongPackageName);
	}
	return Result;
}

bool FPackageName::TryConvertFilenameToLongPackageName(const FString& InFilename, FString& OutPackageName, FString* OutFailureReason)
{
	// Relative and full file names both map (the content folder is relative to the binaries folder).
	FString Full = FPaths::ConvertRelativePathToFull(InFilename);
	FPaths::NormalizeFilename(Full);
	FString Content = FPaths::ConvertRelativePathToFull(FPaths::ProjectContentDir());
	if (!Content.EndsWith(TEXT("/"))) { Content += TEXT("/"); }
	if (!Full.StartsWith(Content, ESearchCase::CaseSensitive))
	{
		if (OutFailureReason) { *OutFailureReason = FString::Printf(TEXT("%s is not under %s"), *Full, *Content); }
		return false;
	}
	FString Relative = Full.RightChop(Content.Len());
	const FString Extension = FPaths::GetExtension(Relative, true);
	if (!Extension.IsEmpty() && IsPackageExtension(*Extension.RightChop(1))) { Relative.LeftChopInline(Extension.Len()); }
	const FString Name = FString(GameRoot) + Relative;
	if (!IsValidLongPackageName(Name))
	{
		if (OutFailureReason) { *OutFailureReason = FString::Printf(TEXT("'%s' is not a valid long package name"), *Name); }
		return false;
	}
	OutPackageName = Name;
	return true;
}

FString FPackageName::FilenameToLongPackageName(const FString& InFilename)
{
	FString Result;
	FString Reason;
	if (!TryConvertFilenameToLongPackageName(InFilename, Result, &Reason))
	{
		UE_LOG(LogUObjectGlobals, Fatal, TEXT("FilenameToLongPackageName failed to convert '%s'. %s"), *InFilename, *Reason);
	}
	return Result;
}

FString FPackageName::GetLongPackagePath(const FString& InLongPackageName)
{
	int32 Slash = INDEX_NONE;
	return InLongPackageName.FindLastChar('/', Slash) ? InLongPackageName.Left(Slash) : InLongPackageName;
}

FString FPackageName::GetShortName(const FString& InLongPackageName)
{
	int32 Slash = INDEX_NONE;
	FString Name = InLongPackageName.FindLastChar('/', Slash) ? InLongPackageName.RightChop(Slash + 1) : InLongPackageName;
	int32 Dot = INDEX_NONE;
	if (Name.FindChar('.', Dot)) { Name.LeftInline(Dot); }
	return Name;
}

FString FPackageName::ObjectPathToPackageName(const FString& InObjectPath)
{
	int32 Dot = INDEX_NONE;
	return InObjectPath.FindChar('.', Dot) ? InObjectPath.Left(Dot) : InObjectPath;
}

FString FPackageName::ObjectPathToObjectName(const FString& InObjectPath)
{
	int32 Dot = INDEX_NONE;
	if (!InObjectPath.FindChar('.', Dot)) { return InObjectPath; }
	FString Rest = InObjectPath.RightChop(Dot + 1);
	int32 Colon = INDEX_NONE;
	if (Rest.FindLastChar(':', Colon)) { Rest.RightChopInline(Colon + 1); }
	return Rest;
}

FString FPackageName::GetPackageMountPoint(const FString& InPackagePath)
{
	if (InPackagePath.StartsWith(GameRoot, ESearchCase::CaseSensitive) || InPackagePath.Equals(TEXT("/Game"))) { return GameRoot; }
	return FString();
}

bool FPackageName::DoesPackageExist(const FString& LongPackageName, FString* OutFilename)
{
	for (const FString* Extension : { &GetAssetPackageExtension(), &GetMapPackageExtension() })
	{
		FString Filename;
		if (TryConvertLongPackageNameToFilename(LongPackageName, Filename, *Extension) && IFileManager::Get().FileExists(*Filename))
		{
			if (OutFilename) { *OutFilename = Filename; }
			return true;
		}
	}
	return false;
}

void FPackageName::QueryRootContentPaths(TArray<FString>& OutRootContentPaths)
{
	OutRootContentPaths.Reset();
	OutRootContentPaths.Add(GameRoot);
}
