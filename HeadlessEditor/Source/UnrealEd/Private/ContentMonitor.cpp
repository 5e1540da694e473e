#include "ContentMonitor.h"

#include "AssetImporterRegistry.h"
#include "AssetToolsModule.h"
#include "AutomatedAssetImportData.h"
#include "ConsoleCommands.h"
#include "Containers/Ticker.h"
#include "IAssetTools.h"
#include "Misc/Paths.h"
#include "Modules/ModuleManager.h"
#include "UObject/UObjectGlobals.h"

#include <filesystem>
#include <map>
#include <string>

DEFINE_LOG_CATEGORY_STATIC(LogAutoReimportManager, Log, All);

namespace
{
	using namespace UE::HeadlessEditor;
	namespace fs = std::filesystem;

	// The editor's default threshold: a change counts once the file has been still this long.
	constexpr double StableSeconds = 3.0;
	constexpr float ScanIntervalSeconds = 0.5f;

	struct FFileState
	{
		fs::file_time_type WriteTime;
		uintmax_t Size = 0;
		double ChangedAt = 0.0;   // when the size or time last changed; 0 for a known, settled file
	};

	struct FMonitor
	{
		bool bRunning = false;
		FTSTicker::FDelegateHandle Ticker;
		double Clock = 0.0;
		std::map<std::string, FFileState> Files;
		TArray<FString> Pending;
		int32 PromptedCount = 0;
	};

	FMonitor& Monitor()
	{
		static FMonitor Instance;
		return Instance;
	}

	fs::path ContentRoot()
	{
		return fs::path(TCHAR_TO_UTF8(*FPaths::ConvertRelativePathToFull(FPaths::ProjectContentDir())));
	}

	bool IsWatched(const fs::path& File, const fs::path& Root)
	{
		const fs::path Relative = File.lexically_relative(Root);
		if (Relative.empty() || *Relative.begin() == "Localization")
		{
			return false;
		}
		return !FindAssetImporterName(FString(File.extension().string().c_str())).IsEmpty();
	}

	// Every watched file with its size and time; bInitial marks them settled.
	void Scan(bool bInitial)
	{
		FMonitor& M = Monitor();
		const fs::path Root = ContentRoot();
		std::error_code Ec;
		std::map<std::string, FFileState> Seen;
		for (fs::recursive_directory_iterator It(Root, fs::directory_options::skip_permission_denied, Ec), End; !Ec && It != End; It.increment(Ec))
		{
			if (!It->is_regular_file(Ec) || !IsWatched(It->path(), Root))
			{
				continue;
			}
			FFileState State{ It->last_write_time(Ec), It->file_size(Ec), 0.0 };
			const auto Known = M.Files.find(It->path().string());
			if (bInitial)
			{
				State.ChangedAt = 0.0;
			}
			else if (Known == M.Files.end())
			{
				State.ChangedAt = M.Clock;
			}
			else if (Known->second.WriteTime != State.WriteTime || Known->second.Size != State.Size)
			{
				State.ChangedAt = M.Clock;
			}
			else
			{
				State.ChangedAt = Known->second.ChangedAt;
			}
			Seen.emplace(It->path().string(), State);
		}
		M.Files.swap(Seen);
	}

	bool Tick(float DeltaSeconds)
	{
		FMonitor& M = Monitor();
		M.Clock += DeltaSeconds;
		Scan(false);
		for (auto& Entry : M.Files)
		{
			if (Entry.second.ChangedAt > 0.0 && M.Clock - Entry.second.ChangedAt >= StableSeconds)
			{
				M.Pending.AddUnique(FString(Entry.first.c_str()));
				Entry.second.ChangedAt = 0.0;
			}
		}
		// The editor's question, again whenever more changes join it.
		if (M.Pending.Num() > M.PromptedCount)
		{
			M.PromptedCount = M.Pending.Num();
			if (M.Pending.Num() == 1)
			{
				UE_LOG(LogAutoReimportManager, Display, TEXT("A change to a source content file has been detected. Would you like to import it? (%s)"), *M.Pending[0]);
			}
			else
			{
				UE_LOG(LogAutoReimportManager, Display, TEXT("%d changes to source content files have been detected. Would you like to import them?"), M.Pending.Num());
			}
		}
		return true;
	}

	// "Import": each file becomes an asset named after it, in the content path of its folder.
	void ImportPending()
	{
		FMonitor& M = Monitor();
		const FString Root = FString(ContentRoot().string().c_str());
		IAssetTools& AssetTools = FModuleManager::LoadModuleChecked<FAssetToolsModule>(TEXT("AssetTools")).Get();
		for (const FString& File : M.Pending)
		{
			FString Folder = FPaths::GetPath(File.RightChop(Root.Len()));
			UAutomatedAssetImportData* Request = NewObject<UAutomatedAssetImportData>(GetTransientPackage());
			Request->Filenames.Add(File);
			Request->DestinationPath = FString(TEXT("/Game")) / Folder;
			Request->bReplaceExisting = false;
			const int32 Imported = AssetTools.ImportAssetsAutomated(Request).Num();
			ConsolePrint(FString::Printf(TEXT("%s: %d asset(s)"), *File, Imported));
		}
		M.Pending.Reset();
		M.PromptedCount = 0;
	}

	const bool GRegistered = [] {
		RegisterConsoleCommand(TEXT("content-changes"), TEXT("content-changes [import|ignore]"),
			TEXT("list the source files that changed under Content/, or answer the editor's question about them"), [](const TArray<FString>& Args) {
				FMonitor& M = Monitor();
				if (Args.Num() == 1 && Args[0] == TEXT("import")) { ImportPending(); return; }
				if (Args.Num() == 1 && Args[0] == TEXT("ignore")) { M.Pending.Reset(); M.PromptedCount = 0; ConsolePrint(TEXT("changes ignored")); return; }
				if (Args.Num() != 0) { ConsolePrint(TEXT("usage: content-changes [import|ignore]")); return; }
				for (const FString& File : M.Pending) { ConsolePrint(File); }
				ConsolePrint(FString::Printf(TEXT("%d change(s) waiting"), M.Pending.Num()));
			});
		return true;
	}();
}

namespace UE::HeadlessEditor
{
	void StartContentMonitor()
	{
		FMonitor& M = Monitor();
		if (M.bRunning)
		{
			return;
		}
		M.bRunning = true;
		Scan(true);
		M.Ticker = FTSTicker::GetCoreTicker().AddTicker(FTickerDelegate::CreateStatic(&Tick), ScanIntervalSeconds);
	}

	void StopContentMonitor()
	{
		FMonitor& M = Monitor();
		if (!M.bRunning)
		{
			return;
		}
		FTSTicker::GetCoreTicker().RemoveTicker(M.Ticker);
		M.bRunning = false;
	}

	TArray<FString> GetPendingContentChanges()
	{
		return Monitor().Pending;
	}
}
