// The arguments and result of UPackage::SavePackage / UPackage::Save.
#pragma once

#include "CoreMinimal.h"
#include "HAL/FileManager.h"
#include "Misc/OutputDevice.h"
#include "UObject/ObjectMacros.h"

class ITargetPlatform;
class FArchiveCookData;
class FSavePackageContext;

struct FSavePackageArgs
{
	const ITargetPlatform* TargetPlatform = nullptr;
	FArchiveCookData* ArchiveCookData = nullptr;
	EObjectFlags TopLevelFlags = RF_NoFlags;
	uint32 SaveFlags = SAVE_None;
	bool bForceByteSwapping = false;
	bool bWarnOfLongFilename = true;
	bool bSlowTask = true;
	FDateTime FinalTimeStamp;
	FOutputDevice* Error = GError;
	FSavePackageContext* SavePackageContext = nullptr;

	FSavePackageArgs() = default;
	FSavePackageArgs(const FSavePackageArgs&) = default;
	FSavePackageArgs& operator=(const FSavePackageArgs&) = default;
	bool IsCooking() const { return ArchiveCookData != nullptr; }
};

enum class ESavePackageResult
{
	Success,
	Canceled,
	Error,
	MissingFile,
	ReplaceCompleted,
	ContainsEditorOnlyData,
	ReferencedOnlyByEditorOnlyData,
	DifferentContent,
	GenerateStub,
	Timeout,
	EmptyPackage,
};

struct FSavePackageResultStruct
{
	ESavePackageResult Result = ESavePackageResult::Error;
	int64 TotalFileSize = 0;

	FSavePackageResultStruct() = default;
	FSavePackageResultStruct(ESavePackageResult InResult) : Result(InResult) {}
	bool IsSuccessful() const { return Result == ESavePackageResult::Success || Result == ESavePackageResult::GenerateStub || Result == ESavePackageResult::ReplaceCompleted; }
	bool operator==(ESavePackageResult Other) const { return Result == Other; }
	bool operator!=(ESavePackageResult Other) const { return Result != Other; }
};
