#include "MOLDARIImport.h"
#include "MOLDARIArchiveDownload.h"
#include "MOLDARIImportJobs.h"
#include "MOLDARIZipReader.h"

#include "AssetRegistry/AssetData.h"
#include "AssetRegistry/AssetRegistryModule.h"
#include "AssetRegistry/IAssetRegistry.h"
#include "AssetToolsModule.h"
#include "AutomatedAssetImportData.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "HAL/FileManager.h"
#include "IAssetTools.h"
#include "Interfaces/IPluginManager.h"
#include "Misc/CString.h"
#include "Misc/Paths.h"
#include "Misc/ScopedSlowTask.h"
#include "Modules/ModuleManager.h"
#include "Templates/Casts.h"
#include "UObject/UObjectGlobals.h"

namespace
{
	IAssetRegistry& GetAssetRegistry()
	{
		return FModuleManager::LoadModuleChecked<FAssetRegistryModule>(TEXT("AssetRegistry")).Get();
	}

	TArray<FAssetData> ScanAndList(IAssetRegistry& AssetRegistry, const FString& ContentPath)
	{
		AssetRegistry.ScanPathsSynchronous({ ContentPath }, true, false);
		TArray<FAssetData> Assets;
		AssetRegistry.GetAssetsByPath(FName(*ContentPath), Assets, true, false);
		return Assets;
	}

	int32 ImportFile(const FString& File, const FString& DestinationPath)
	{
		UAutomatedAssetImportData* Request = NewObject<UAutomatedAssetImportData>(GetTransientPackage());
		Request->Filenames.Add(File);
		Request->DestinationPath = DestinationPath;
		Request->bReplaceExisting = false;
		IAssetTools& AssetTools = FModuleManager::GetModuleChecked<FAssetToolsModule>(TEXT("AssetTools")).Get();
		return AssetTools.ImportAssetsAutomated(Request).Num();
	}

	// One stage of the main-thread work: the editor's progress for the slow task, the job's step.
	void EnterStep(FScopedSlowTask& SlowTask, MOLDARIJobs::EImportStep Step, const TCHAR* Text)
	{
		SlowTask.EnterProgressFrame(1.0f, FText::FromString(Text));
		MOLDARIJobs::EnterStep(Step);
		MOLDARIImport::OnImportStep().Broadcast(SlowTask, Step);
	}

	// Every static or skeletal mesh under ContentPath, for the job's list of what it made.
	void ReportMeshesUnder(IAssetRegistry& AssetRegistry, const FString& ContentPath)
	{
		TArray<FAssetData> Assets;
		AssetRegistry.GetAssetsByPath(FName(*ContentPath), Assets, true, false);
		for (const FAssetData& AssetData : Assets)
		{
			UObject* Asset = AssetData.GetAsset();
			if (Cast<UStaticMesh>(Asset) || Cast<USkeletalMesh>(Asset))
			{
				MOLDARIJobs::ReportMesh(Asset->GetPathName());
			}
		}
	}

	// The editor imports USD files only while its USD Importer plugin is enabled (this plugin's
	// descriptor asks for it; a project can still switch it off).
	bool IsUsdImporterEnabled()
	{
		const TSharedPtr<IPlugin> UsdImporter = IPluginManager::Get().FindPlugin(TEXT("USDImporter"));
		return UsdImporter.IsValid() && UsdImporter->IsEnabled();
	}

	void ImportUsdz(const FString& ArchivePath, const FString& Name, int32 MaxCandidates)
	{
		FScopedSlowTask SlowTask(2.0f, FText::FromString(FString::Printf(TEXT("Importing %s"), *Name)));
		SlowTask.MakeDialog();
		UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Importing USDZ: %s"), *ArchivePath);
		if (!IsUsdImporterEnabled())
		{
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] Cannot import USDZ: the USD Importer plugin is not enabled (%s)"), *Name);
			MOLDARIJobs::ReportFailure(TEXT("Cannot import USDZ: the USD Importer plugin is not enabled"));
			IFileManager::Get().Delete(*ArchivePath, false, false, true);
			return;
		}

		// The first candidate folder that holds no asset; suffixes always go on the name as
		// received, so they never pile up.
		IAssetRegistry& AssetRegistry = GetAssetRegistry();
		FString UniqueName = Name;
		int32 Suffix = 0;
		while (ScanAndList(AssetRegistry, FString(MOLDARI_IMPORT_ROOT) + TEXT("/") + UniqueName).Num() > 0)
		{
			if (++Suffix >= MaxCandidates)
			{
				UE_LOG(LogTemp, Error, TEXT("[MOLDARI] No free folder for %s"), *Name);
				MOLDARIJobs::ReportFailure(FString::Printf(TEXT("No free folder for %s"), *Name));
				IFileManager::Get().Delete(*ArchivePath, false, false, false);
				return;
			}
			UniqueName = FString::Printf(TEXT("%s_%d"), *Name, Suffix);
		}

		// The USD importer names the folder after the file, so the file takes the free name.
		FString ImportPath = ArchivePath;
		if (UniqueName != Name)
		{
			ImportPath = FPaths::GetPath(ArchivePath);
			ImportPath.PathAppend(*UniqueName, UniqueName.Len());
			ImportPath += TEXT(".usdz");
			IFileManager::Get().Move(*ImportPath, *ArchivePath, true, false, false, false);
		}

		const FString ContentPath = FString(MOLDARI_IMPORT_ROOT) + TEXT("/") + UniqueName;
		MOLDARIJobs::ReportContentPath(ContentPath);
		EnterStep(SlowTask, MOLDARIJobs::EImportStep::ImportingModel, TEXT("Importing the model"));
		const int32 Imported = ImportFile(ImportPath, MOLDARI_IMPORT_ROOT);
		UE_LOG(LogTemp, Log, TEXT("[MOLDARI] ImportAssetsAutomated returned %d asset(s)"), Imported);
		if (Imported == 0)
		{
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] USDZ import produced no asset: %s"), *UniqueName);
			MOLDARIJobs::ReportFailure(TEXT("USDZ import produced no asset"));
		}
		ReportMeshesUnder(AssetRegistry, ContentPath);

		EnterStep(SlowTask, MOLDARIJobs::EImportStep::Saving, TEXT("Saving"));
		SaveImportedPackages(ContentPath);
		IFileManager::Get().Delete(*ImportPath, false, false, false);
		UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Done (USDZ): %s"), *UniqueName);
	}

	// The engine's part of a ZIP import, on the main thread: the model of the extracted folder,
	// its material, the actors, the source copies and the saved assets. The extracted folder is
	// removed at the end (the archive is its caller's).
	void ImportExtractedZip(const FString& ExtractDir, const FString& Name, const FString& DestPath)
	{
		// One progress frame per stage, as the job's steps.
		FScopedSlowTask SlowTask(5.0f, FText::FromString(FString::Printf(TEXT("Importing %s"), *Name)));
		SlowTask.MakeDialog();
		MOLDARIJobs::ReportContentPath(DestPath);
		IFileManager& FileManager = IFileManager::Get();

		TArray<FString> Models;
		FileManager.FindFilesRecursive(Models, *ExtractDir, TEXT("*.fbx"), true, false, true);
		// macOS archivers add "__MACOSX/._model.fbx" resource forks, which are not models.
		Models.RemoveAll([&ExtractDir](const FString& Path) { return MOLDARIImport::IsMacResourceFork(ExtractDir, Path); });
		if (Models.Num() == 0)
		{
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] No .fbx found in ZIP"));
			MOLDARIJobs::ReportFailure(TEXT("No .fbx found in ZIP"));
			FileManager.DeleteDirectory(*ExtractDir, false, true);
			return;
		}
		const FString& Model = Models[0];

		EnterStep(SlowTask, MOLDARIJobs::EImportStep::ImportingModel, TEXT("Importing the model"));
		UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Importing FBX: %s"), *Model);
		const int32 Imported = ImportFile(Model, DestPath);
		UE_LOG(LogTemp, Log, TEXT("[MOLDARI] ImportAssetsAutomated returned %d asset(s)"), Imported);

		// The registry, not the importer's result, says what the folder holds. The engine's
		// importer makes one mesh per mesh node of the file (one skeletal mesh per skeleton): the
		// model is all of them.
		TArray<UStaticMesh*> StaticMeshes;
		TArray<USkeletalMesh*> SkeletalMeshes;
		for (const FAssetData& AssetData : ScanAndList(GetAssetRegistry(), DestPath))
		{
			UObject* Asset = AssetData.GetAsset();
			if (USkeletalMesh* SkeletalMesh = Cast<USkeletalMesh>(Asset))
			{
				SkeletalMeshes.Add(SkeletalMesh);
				MOLDARIJobs::ReportMesh(SkeletalMesh->GetPathName());
			}
			else if (UStaticMesh* StaticMesh = Cast<UStaticMesh>(Asset))
			{
				StaticMeshes.Add(StaticMesh);
				MOLDARIJobs::ReportMesh(StaticMesh->GetPathName());
			}
		}

		EnterStep(SlowTask, MOLDARIJobs::EImportStep::BuildingMaterial, TEXT("Building the material"));
		if (SkeletalMeshes.Num() + StaticMeshes.Num() > 0)
		{
			CreatePBRMaterialForMeshes(StaticMeshes, SkeletalMeshes, ExtractDir, DestPath, Name);
		}
		EnterStep(SlowTask, MOLDARIJobs::EImportStep::Placing, TEXT("Placing in the level"));
		if (SkeletalMeshes.Num() + StaticMeshes.Num() > 0)
		{
			// Each mesh at the origin, labelled Name, Name_1, Name_2, ... (skeletal meshes first).
			int32 Placed = 0;
			auto NextLabel = [&Name, &Placed]() { return Placed++ == 0 ? Name : FString::Printf(TEXT("%s_%d"), *Name, Placed - 1); };
			for (USkeletalMesh* Mesh : SkeletalMeshes)
			{
				PlaceSkeletalMeshActor(Mesh, NextLabel());
			}
			for (UStaticMesh* Mesh : StaticMeshes)
			{
				PlaceStaticMeshActor(Mesh, NextLabel());
			}
		}
		else
		{
			UE_LOG(LogTemp, Warning, TEXT("[MOLDARI] No mesh asset found after import"));
			MOLDARIJobs::ReportFailure(TEXT("No mesh asset found after import"));
		}

		EnterStep(SlowTask, MOLDARIJobs::EImportStep::CopyingSources, TEXT("Copying the source files"));
		CopySourceFiles(ExtractDir, Name);
		EnterStep(SlowTask, MOLDARIJobs::EImportStep::Saving, TEXT("Saving"));
		SaveImportedPackages(DestPath);
		FileManager.DeleteDirectory(*ExtractDir, false, true);
		UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Done: %s"), *Name);
	}

	// A stored archive sits in a folder of its own under TempDir: it goes with the archive.
	void RemoveArchiveFolder(const FString& ArchivePath)
	{
		const FString ArchiveFolder = FPaths::GetPath(ArchivePath);
		if (MOLDARIIntake::IsTempArchiveFolder(ArchiveFolder))
		{
			IFileManager::Get().DeleteDirectory(*ArchiveFolder, false, true);
		}
	}
}

bool ExtractArchiveForImport(const FString& ArchivePath, FString& OutExtractDir)
{
	MOLDARIJobs::EnterStep(MOLDARIJobs::EImportStep::Extracting);
	const EZipExtractResult Extracted = ExtractZipArchive(ArchivePath, OutExtractDir);
	if (Extracted == EZipExtractResult::CannotRead)
	{
		MOLDARIJobs::ReportFailure(TEXT("Cannot read ZIP"));
		return false;
	}
	if (Extracted == EZipExtractResult::NoEndRecord)
	{
		MOLDARIJobs::ReportFailure(TEXT("Invalid ZIP (no EOCD)"));
		IFileManager::Get().Delete(*ArchivePath, false, false, false);
		return false;
	}
	return true;
}

void ImportExtractedArchive(const FString& ExtractDir, const FString& Name)
{
	ImportExtractedZip(ExtractDir, Name, FString(MOLDARI_IMPORT_ROOT) + TEXT("/") + Name);
}

MOLDARIImport::FOnImportStep& MOLDARIImport::OnImportStep()
{
	static FOnImportStep Delegate;
	return Delegate;
}

void MOLDARIImport::ImportUsdzWithFolderBound(const FString& ArchivePath, const FString& Name, int32 MaxCandidates)
{
	ImportUsdz(ArchivePath, Name, MaxCandidates);
}

bool MOLDARIImport::IsMacResourceFork(const FString& ExtractDir, const FString& Path)
{
	FString Relative = Path.StartsWith(ExtractDir, ESearchCase::CaseSensitive) ? Path.RightChop(ExtractDir.Len()) : Path;
	Relative.ReplaceInline(TEXT("\\"), TEXT("/"));
	if (FPaths::GetCleanFilename(Relative).StartsWith(TEXT("._"), ESearchCase::CaseSensitive))
	{
		return true;
	}
	TArray<FString> Parts;
	Relative.ParseIntoArray(Parts, TEXT("/"), true);
	for (int32 Index = 0; Index + 1 < Parts.Num(); ++Index)
	{
		if (Parts[Index].Equals(TEXT("__MACOSX"), ESearchCase::IgnoreCase))
		{
			return true;
		}
	}
	return false;
}

void ImportArchive(const FString& ArchivePath, const FString& Name, const FString& Kind)
{
	if (FCString::Stricmp(*Kind, TEXT("usdz")) == 0)
	{
		ImportUsdz(ArchivePath, Name, MOLDARIImport::MaxFolderCandidates);
		RemoveArchiveFolder(ArchivePath);
		return;
	}
	FString ExtractDir;
	if (!ExtractArchiveForImport(ArchivePath, ExtractDir))
	{
		RemoveArchiveFolder(ArchivePath);
		return;
	}
	ImportExtractedArchive(ExtractDir, Name);
	IFileManager::Get().Delete(*ArchivePath, false, false, false);
	RemoveArchiveFolder(ArchivePath);
}
