// Console commands over the asset registry and asset tools: `assets [PATH]` and `import FILE... DEST`.
#include "AssetRegistry/AssetRegistryModule.h"
#include "AssetToolsModule.h"
#include "AutomatedAssetImportData.h"
#include "UObject/UObjectGlobals.h"
#include "Misc/PackageName.h"
#include "Modules/ModuleManager.h"

#include "ConsoleCommands.h"
#include "UObjectHost.h"

namespace
{
	using namespace UE::HeadlessEditor;

	FString SaveState(const FAssetData& Data)
	{
		UPackage* Package = FindPackage(Data.PackageName.ToString());
		if (Package && Package->IsDirty()) { return TEXT("dirty"); }
		if (FPackageName::DoesPackageExist(Data.PackageName.ToString())) { return TEXT("saved"); }
		return TEXT("not saved");
	}

	void ListAssets(const TArray<FString>& Args)
	{
		if (Args.Num() > 1) { ConsolePrint(TEXT("usage: assets [PATH]")); return; }
		FString Path = Args.Num() == 1 ? Args[0] : FString(TEXT("/Game"));
		while (Path.Len() > 1 && Path.EndsWith(TEXT("/"))) { Path.LeftChopInline(1); }
		if (!FPackageName::IsValidPath(Path)) { ConsolePrint(FString::Printf(TEXT("'%s' is not a content path (e.g. /Game/Folder)"), *Path)); return; }
		IAssetRegistry& Registry = FModuleManager::LoadModuleChecked<FAssetRegistryModule>(FName(TEXT("AssetRegistry"))).Get();
		Registry.ScanPathsSynchronous({ Path }, false);
		TArray<FAssetData> Assets;
		Registry.GetAssetsByPath(FName(Path), Assets, true, false);
		if (Assets.Num() == 0) { ConsolePrint(FString::Printf(TEXT("(no assets under %s)"), *Path)); return; }
		for (const FAssetData& Data : Assets)
		{
			ConsolePrint(FString::Printf(TEXT("%s  %s  %s  %s"), *Data.AssetName.ToString(), *Data.AssetClassPath.GetAssetName().ToString(),
				*Data.PackageName.ToString(), *SaveState(Data)));
		}
		ConsolePrint(FString::Printf(TEXT("%d asset(s)"), Assets.Num()));
	}

	void ImportFiles(const TArray<FString>& Args)
	{
		if (Args.Num() < 2) { ConsolePrint(TEXT("usage: import FILE... DEST   (DEST is a content path such as /Game/Imported)")); return; }
		UAutomatedAssetImportData* Request = NewObject<UAutomatedAssetImportData>(GetTransientPackage());
		for (int32 I = 0; I + 1 < Args.Num(); ++I) { Request->Filenames.Add(Args[I]); }
		Request->DestinationPath = Args.Last();
		const TArray<UObject*> Imported = FAssetToolsModule::GetModule().Get().ImportAssetsAutomated(Request);
		for (UObject* Object : Imported)
		{
			ConsolePrint(FString::Printf(TEXT("%s  %s"), *Object->GetPathName(), *Object->GetClass()->GetName()));
		}
		ConsolePrint(FString::Printf(TEXT("%d asset(s) imported"), Imported.Num()));
		DestroyObject(Request);
	}

	const bool GRegistered = [] {
		RegisterConsoleCommand(TEXT("assets"), TEXT("assets [PATH]"), TEXT("list the assets under a content path (default /Game): name, class, package, dirty or saved"), ListAssets);
		RegisterConsoleCommand(TEXT("import"), TEXT("import FILE... DEST"), TEXT("import files into a content path, as ImportAssetsAutomated does"), ImportFiles);
		return true;
	}();
}
