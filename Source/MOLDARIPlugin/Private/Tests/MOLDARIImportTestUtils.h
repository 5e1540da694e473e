// Helpers shared by the import tests: the plugin's log lines as they are written, scratch
// folders, and the real test models read in place.
#pragma once

#include "CoreMinimal.h"
#include "HAL/FileManager.h"
#include "HAL/PlatformMisc.h"
#include "Interfaces/IPluginManager.h"
#include "Misc/AutomationTest.h"
#include "Misc/FileHelper.h"
#include "Misc/OutputDeviceRedirector.h"
#include "Misc/ScopeLock.h"
#include "Misc/Paths.h"

namespace MOLDARIImportTest
{
	// Records the "[MOLDARI] " lines of LogTemp, with their level, while it lives. It says it can
	// be used from any thread, so the editor hands it each line at once, on the thread that logs
	// it (downloads end on the HTTP thread), instead of later on its logging thread.
	class FLogCapture : public FOutputDevice
	{
	public:
		struct FLine
		{
			ELogVerbosity::Type Verbosity;
			FString Text;
		};

		FLogCapture() { GLog->AddOutputDevice(this); }
		virtual ~FLogCapture() override { GLog->RemoveOutputDevice(this); }

		virtual bool CanBeUsedOnAnyThread() const override { return true; }
		virtual bool CanBeUsedOnMultipleThreads() const override { return true; }
		virtual void Serialize(const TCHAR* V, ELogVerbosity::Type Verbosity, const FName& Category) override
		{
			const FString Text(V);
			if (Category == FName(TEXT("LogTemp")) && Text.StartsWith(TEXT("[MOLDARI] ")))
			{
				FScopeLock Lock(&Mutex);
				Lines.Add({ static_cast<ELogVerbosity::Type>(Verbosity & ELogVerbosity::VerbosityMask), Text });
			}
		}

		TArray<FLine> GetLines() const
		{
			FScopeLock Lock(&Mutex);
			return Lines;
		}

		TArray<FString> Texts() const
		{
			TArray<FString> Out;
			for (const FLine& Line : GetLines()) { Out.Add(Line.Text); }
			return Out;
		}

		bool Contains(const FString& Text) const { return IndexOf(Text) != INDEX_NONE; }

		int32 IndexOf(const FString& Text, int32 From = 0) const
		{
			const TArray<FLine> Snapshot = GetLines();
			for (int32 Index = From; Index < Snapshot.Num(); ++Index)
			{
				if (Snapshot[Index].Text.Equals(Text, ESearchCase::CaseSensitive)) { return Index; }
			}
			return INDEX_NONE;
		}

		int32 CountStartingWith(const FString& Prefix) const
		{
			int32 Count = 0;
			for (const FLine& Line : GetLines()) { Count += Line.Text.StartsWith(Prefix, ESearchCase::CaseSensitive) ? 1 : 0; }
			return Count;
		}

		bool Has(const FString& Text, ELogVerbosity::Type Verbosity) const
		{
			const TArray<FLine> Snapshot = GetLines();
			const int32 Index = IndexOf(Text);
			return Index != INDEX_NONE && Snapshot[Index].Verbosity == Verbosity;
		}

	private:
		mutable FCriticalSection Mutex;
		TArray<FLine> Lines;
	};

	// The lines, in order and with their exact letters (the engine's TestEqual ignores case).
	inline bool TestLinesEqual(FAutomationTestBase& Test, const TCHAR* What, const TArray<FString>& Actual, const TArray<FString>& Expected)
	{
		return Test.TestEqualSensitive(What, FString::Join(Actual, TEXT("\n")), FString::Join(Expected, TEXT("\n")));
	}

	// A fresh, empty folder under Saved/Temp/MOLDARITests.
	inline FString MakeScratchDir(const FString& Leaf)
	{
		const FString Dir = FPaths::ConvertRelativePathToFull(FPaths::ProjectSavedDir()) / TEXT("Temp/MOLDARITests") / Leaf;
		IFileManager::Get().DeleteDirectory(*Dir, false, true);
		IFileManager::Get().MakeDirectory(*Dir, true);
		return Dir;
	}

	// The shared test models: MOLDARI_TESTDATA when set, else "shared/testdata" beside the
	// plugin's folder (the checkout's layout). Found the same way in every editor.
	inline FString TestDataDir()
	{
		const FString Configured = FPlatformMisc::GetEnvironmentVariable(TEXT("MOLDARI_TESTDATA"));
		if (!Configured.IsEmpty())
		{
			return FPaths::ConvertRelativePathToFull(Configured);
		}
		const TSharedPtr<IPlugin> Plugin = IPluginManager::Get().FindPlugin(TEXT("MOLDARIPlugin"));
		return FPaths::ConvertRelativePathToFull(Plugin.IsValid() ? Plugin->GetBaseDir() / TEXT("../shared/testdata") : FString(TEXT("../shared/testdata")));
	}

	// Where the download leaves the archive of the import Name, and a file or bytes put there.
	inline FString TempArchivePath(const FString& Name, const TCHAR* Extension = TEXT(".zip"))
	{
		return FPaths::ConvertRelativePathToFull(FPaths::ProjectSavedDir()) / TEXT("Temp/MOLDARI") / Name + Extension;
	}

	inline FString StageArchive(const FString& Source, const FString& Name, const TCHAR* Extension = TEXT(".zip"))
	{
		const FString Path = TempArchivePath(Name, Extension);
		IFileManager::Get().MakeDirectory(*FPaths::GetPath(Path), true);
		IFileManager::Get().Copy(*Path, *Source);
		return Path;
	}

	inline FString StageBytes(const TArray<uint8>& Bytes, const FString& Name)
	{
		const FString Path = TempArchivePath(Name);
		FFileHelper::SaveArrayToFile(Bytes, *Path);
		return Path;
	}

	// The folder the archive's files of the import Name are copied to, in full.
	inline FString SourceCopyOnDisk(const FString& Name)
	{
		return FPaths::ConvertRelativePathToFull(FPaths::ProjectDir()) / TEXT("SourceArt/MOLDARIImports") / Name;
	}

	// The on-disk folder of "/Game/MOLDARIImports/" + Name.
	inline FString ImportFolderOnDisk(const FString& Name)
	{
		return FPaths::ConvertRelativePathToFull(FPaths::ProjectContentDir()) / TEXT("MOLDARIImports") / Name;
	}
}
