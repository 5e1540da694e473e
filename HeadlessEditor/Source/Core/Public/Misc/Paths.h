#pragma once
#include "HAL/Platform.h"
#include "Containers/UnrealString.h"

class CORE_API FPaths
{
public:
	// Project folders end in '/'. They are relative to the binaries folder (BaseDir), as the engine
	// gives them on Linux and for a project on the engine's drive on Windows.
	static FString ProjectDir();
	static const FString& ProjectSavedDir();
	static FString ProjectContentDir();
	static FString ProjectLogDir();
	static FString ProjectPluginsDir();
	static FString ProjectIntermediateDir();
	static FString EngineDir();
	static FString EngineContentDir();
	static FString EnginePluginsDir();
	static FString RootDir();
	static FString LaunchDir();
	static FString GetProjectFilePath();

	static FString GetCleanFilename(const FString& InPath);
	static FString GetBaseFilename(const FString& InPath, bool bRemovePath = true);
	static FString GetExtension(const FString& InPath, bool bIncludeDot = false);
	static FString GetPath(const FString& InPath);
	static FString GetPathLeaf(const FString& InPath);
	static FString ChangeExtension(const FString& InPath, const FString& InNewExtension);
	static void NormalizeFilename(FString& InPath);
	static void NormalizeDirectoryName(FString& InPath);
	static bool CollapseRelativeDirectories(FString& InPath);
	static FString ConvertRelativePathToFull(const FString& InPath);
	static FString ConvertRelativePathToFull(const FString& BasePath, const FString& InPath);
	static bool IsRelative(const FString& InPath);
	static bool FileExists(const FString& InPath);
	static bool DirectoryExists(const FString& InPath);
	static bool IsUnderDirectory(const FString& InPath, const FString& InDirectory);
	static bool MakePathRelativeTo(FString& InPath, const TCHAR* InRelativeTo);

	// The first part, then each further one appended with operator/= (so an empty part still adds
	// a separator after a path that does not end in one), as the engine combines paths.
	template <typename FirstType, typename... PathTypes>
	static FString Combine(FirstType&& InFirst, PathTypes&&... InPaths)
	{
		FString Result(InFirst);
		((Result /= FString(InPaths)), ...);
		return Result;
	}
};
