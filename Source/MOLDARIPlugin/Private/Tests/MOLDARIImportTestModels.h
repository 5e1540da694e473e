// A test archive's model imported as the import road does it, so a single step can be tested on
// the real meshes: extracted, optionally altered, its FBX imported under a content folder.
#pragma once

#include "MOLDARIImportTestUtils.h"
#include "MOLDARIZipReader.h"

#include "AssetRegistry/AssetRegistryModule.h"
#include "AssetRegistry/IAssetRegistry.h"
#include "AssetToolsModule.h"
#include "AutomatedAssetImportData.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "IAssetTools.h"
#include "Misc/FileHelper.h"
#include "Modules/ModuleManager.h"
#include "Templates/Function.h"
#include "UObject/UObjectGlobals.h"

namespace MOLDARIImportTest
{
	struct FImportedModel
	{
		FString ExtractDir;
		FString DestPath;
		// Every mesh the import made (one per mesh node of the file), and the first of each kind.
		TArray<UStaticMesh*> StaticMeshes;
		TArray<USkeletalMesh*> SkeletalMeshes;
		UStaticMesh* StaticMesh = nullptr;
		USkeletalMesh* SkeletalMesh = nullptr;
	};

	inline FImportedModel ImportArchiveModel(const FString& ArchiveFile, const FString& Name,
		TFunction<void(const FString&)> AlterExtraction = nullptr)
	{
		FImportedModel Model;
		Model.DestPath = FString(TEXT("/Game/MOLDARIImports/")) + Name;
		ExtractZipArchive(TestDataDir() / TEXT("archives") / ArchiveFile, Model.ExtractDir);
		if (AlterExtraction) { AlterExtraction(Model.ExtractDir); }

		TArray<FString> Models;
		IFileManager::Get().FindFilesRecursive(Models, *Model.ExtractDir, TEXT("*.fbx"), true, false, true);
		if (Models.Num() == 0) { return Model; }
		UAutomatedAssetImportData* Request = NewObject<UAutomatedAssetImportData>(GetTransientPackage());
		Request->Filenames.Add(Models[0]);
		Request->DestinationPath = Model.DestPath;
		FModuleManager::GetModuleChecked<FAssetToolsModule>(TEXT("AssetTools")).Get().ImportAssetsAutomated(Request);

		IAssetRegistry& Registry = FModuleManager::LoadModuleChecked<FAssetRegistryModule>(TEXT("AssetRegistry")).Get();
		Registry.ScanPathsSynchronous({ Model.DestPath }, true, false);
		TArray<FAssetData> Assets;
		Registry.GetAssetsByPath(FName(*Model.DestPath), Assets, true, false);
		for (const FAssetData& Asset : Assets)
		{
			UObject* Object = Asset.GetAsset();
			if (UStaticMesh* Static = Cast<UStaticMesh>(Object)) { Model.StaticMeshes.Add(Static); }
			if (USkeletalMesh* Skeletal = Cast<USkeletalMesh>(Object)) { Model.SkeletalMeshes.Add(Skeletal); }
		}
		Model.StaticMesh = Model.StaticMeshes.Num() > 0 ? Model.StaticMeshes[0] : nullptr;
		Model.SkeletalMesh = Model.SkeletalMeshes.Num() > 0 ? Model.SkeletalMeshes[0] : nullptr;
		return Model;
	}

	inline void WriteMetadata(const FString& ExtractDir, const FString& Json)
	{
		FFileHelper::SaveStringToFile(Json, *(ExtractDir / TEXT("metadata.json")));
	}
}
