// UAutomatedAssetImportData: one request for IAssetTools::ImportAssetsAutomated.
#pragma once

#include "CoreMinimal.h"
#include "UObject/Object.h"
#include "UObject/ObjectPtr.h"

class UFactory;
class FJsonObject;

class UNREALED_API UAutomatedAssetImportData : public UObject
{
	DECLARE_CLASS(UAutomatedAssetImportData, UObject, CLASS_None, CASTCLASS_None, TEXT("/Script/UnrealEd"), UNREALED_API)

	FString GroupName;                   // display name of the import group
	TArray<FString> Filenames;           // absolute paths of the files to import
	FString DestinationPath;             // content path, e.g. "/Game/Folder"
	FString FactoryName;                 // empty: the importer is chosen by file extension
	bool bReplaceExisting = false;
	bool bSkipReadOnly = false;
	TObjectPtr<UFactory> Factory;        // explicit factory, else null
	FString LevelToLoad;                 // map to load before importing, else empty
	TSharedPtr<FJsonObject> ImportGroupJsonData;

	// Files to import and a destination are given.
	bool IsValid() const;
	// Reads "GroupName", "Filenames", "DestinationPath", "FactoryName", "bReplaceExisting",
	// "bSkipReadOnly" and "LevelToLoad" from the JSON object of an import group.
	void Initialize(TSharedPtr<FJsonObject> InImportGroupJsonData);
	FString GetDisplayName() const;
};
