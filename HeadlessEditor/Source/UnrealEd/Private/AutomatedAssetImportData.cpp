#include "AutomatedAssetImportData.h"
#include "Dom/JsonObject.h"
#include "Misc/PackageName.h"
#include "HeadlessClass.h"

IMPLEMENT_HEADLESS_CLASS(UAutomatedAssetImportData, UnrealEd, CLASS_None)

bool UAutomatedAssetImportData::IsValid() const
{
	return Filenames.Num() > 0 && !DestinationPath.IsEmpty() && FPackageName::IsValidPath(DestinationPath);
}

void UAutomatedAssetImportData::Initialize(TSharedPtr<FJsonObject> InImportGroupJsonData)
{
	ImportGroupJsonData = InImportGroupJsonData;
	if (!ImportGroupJsonData) { return; }
	ImportGroupJsonData->TryGetStringField(TEXT("GroupName"), GroupName);
	ImportGroupJsonData->TryGetStringArrayField(TEXT("Filenames"), Filenames);
	ImportGroupJsonData->TryGetStringField(TEXT("DestinationPath"), DestinationPath);
	ImportGroupJsonData->TryGetStringField(TEXT("FactoryName"), FactoryName);
	ImportGroupJsonData->TryGetBoolField(TEXT("bReplaceExisting"), bReplaceExisting);
	ImportGroupJsonData->TryGetBoolField(TEXT("bSkipReadOnly"), bSkipReadOnly);
	ImportGroupJsonData->TryGetStringField(TEXT("LevelToLoad"), LevelToLoad);
}

FString UAutomatedAssetImportData::GetDisplayName() const
{
	return GroupName.IsEmpty() ? GetName() : GroupName;
}
