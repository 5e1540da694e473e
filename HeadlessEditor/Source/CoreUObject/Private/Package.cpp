// Packages: the transient package, CreatePackage, loading and saving through the package file.
#include "UObject/Package.h"
#include "UObject/UObjectGlobals.h"
#include "Misc/PackageName.h"
#include "HAL/FileManager.h"

#include "ObjectTable.h"
#include "PackageFile.h"
#include "UObjectHost.h"
#include "HeadlessClass.h"

DEFINE_LOG_CATEGORY(LogSavePackage);

IMPLEMENT_HEADLESS_CLASS(UPackage, CoreUObject, CLASS_None)

UPackage* GetTransientPackage()
{
	static UPackage* const Package = [] {
		UPackage* Made = static_cast<UPackage*>(UE::CoreUObject::Private::StaticNewObject(UPackage::StaticClass(), nullptr, FName(TEXT("/Engine/Transient")), RF_Transient | RF_Public));
		Made->MarkAsFullyLoaded();
		return Made;
	}();
	return Package;
}

UPackage* CreatePackage(const TCHAR* InPackageName)
{
	const FString Name(InPackageName ? InPackageName : TEXT(""));
	if (!FPackageName::IsValidLongPackageName(Name))
	{
		UE_LOG(LogUObjectGlobals, Error, TEXT("CreatePackage: '%s' is not a valid long package name"), *Name);
		return nullptr;
	}
	if (UPackage* Existing = UE::HeadlessEditor::FindPackage(Name)) { return Existing; }
	return static_cast<UPackage*>(UE::CoreUObject::Private::StaticNewObject(UPackage::StaticClass(), nullptr, FName(Name), RF_Public));
}

UPackage* LoadPackage(UPackage* InOuter, const TCHAR* InLongPackageName, uint32 LoadFlags)
{
	FString Name = InLongPackageName ? FString(InLongPackageName) : (InOuter ? InOuter->GetName() : FString());
	const bool bQuiet = (LoadFlags & (LOAD_Quiet | LOAD_NoWarn)) != 0;
	// A file name is accepted too, as the engine does.
	if (Name.EndsWith(FPackageName::GetAssetPackageExtension()) || Name.EndsWith(FPackageName::GetMapPackageExtension()))
	{
		FString AsPackage;
		if (!FPackageName::TryConvertFilenameToLongPackageName(Name, AsPackage))
		{
			UE_CLOG(!bQuiet, LogLinker, Error, TEXT("LoadPackage: %s is not under a mounted content folder"), *Name);
			return nullptr;
		}
		Name = AsPackage;
	}
	UPackage* Package = InOuter ? InOuter : UE::HeadlessEditor::FindPackage(Name);
	if (Package && (Package->IsFullyLoaded() || UE::HeadlessEditor::GetObjectsWithOuter(Package, false).Num() > 0))
	{
		return Package;
	}
	FString Filename;
	if (!FPackageName::DoesPackageExist(Name, &Filename))
	{
		UE_CLOG(!bQuiet, LogLinker, Warning, TEXT("LoadPackage: no file for package %s"), *Name);
		return nullptr;
	}
	return UE::CoreUObject::Private::LoadPackageFile(Package, Name, Filename, bQuiet);
}

void UPackage::FullyLoad()
{
	if (bHasBeenFullyLoaded || this == GetTransientPackage()) { return; }
	// Objects made in memory win: a package that already holds some is not read over them.
	if (UE::HeadlessEditor::GetObjectsWithOuter(this, false).Num() == 0)
	{
		FString Filename;
		if (FPackageName::DoesPackageExist(GetName(), &Filename))
		{
			UE::CoreUObject::Private::LoadPackageFile(this, GetName(), Filename, false);
		}
	}
	bHasBeenFullyLoaded = true;
}

void UPackage::SetDirtyFlag(bool bInIsDirty)
{
	if (this == GetTransientPackage()) { return; }
	bDirty = bInIsDirty;
}

bool UPackage::SavePackage(UPackage* InOuter, UObject* InAsset, const TCHAR* Filename, const FSavePackageArgs& SaveArgs)
{
	return Save(InOuter, InAsset, Filename, SaveArgs).IsSuccessful();
}

FSavePackageResultStruct UPackage::Save(UPackage* InOuter, UObject* InAsset, const TCHAR* Filename, const FSavePackageArgs& SaveArgs)
{
	auto Fail = [&SaveArgs](const FString& Message) {
		UE_LOG(LogSavePackage, Error, TEXT("%s"), *Message);
		if (SaveArgs.Error && SaveArgs.Error != GError && !(SaveArgs.SaveFlags & SAVE_NoError)) { SaveArgs.Error->Log(ELogVerbosity::Error, *Message); }
		return FSavePackageResultStruct(ESavePackageResult::Error);
	};
	if (!IsValid(InOuter)) { return Fail(TEXT("SavePackage: no package given")); }
	if (InOuter == GetTransientPackage() || InOuter->HasAnyFlags(RF_Transient)) { return Fail(FString::Printf(TEXT("SavePackage: %s is transient and cannot be saved"), *InOuter->GetName())); }
	if (!Filename || !*Filename) { return Fail(FString::Printf(TEXT("SavePackage: no file name for %s"), *InOuter->GetName())); }
	if (InAsset && (!IsValid(InAsset) || InAsset->GetOutermost() != InOuter))
	{
		return Fail(FString::Printf(TEXT("SavePackage: %s is not in package %s"), *InAsset->GetPathName(), *InOuter->GetName()));
	}

	FString Error;
	int64 FileSize = 0;
	if (!UE::CoreUObject::Private::WritePackageFile(InOuter, FString(Filename), Error, FileSize))
	{
		return Fail(FString::Printf(TEXT("Error saving '%s': %s"), Filename, *Error));
	}
	FObjectTableAccess::SetLoadedFilename(InOuter, FString(Filename));
	if (!(SaveArgs.SaveFlags & SAVE_KeepDirty)) { InOuter->SetDirtyFlag(false); }
	InOuter->MarkAsFullyLoaded();
	UE_LOG(LogSavePackage, Log, TEXT("Saved package %s to %s (%lld bytes)"), *InOuter->GetName(), Filename, static_cast<long long>(FileSize));
	UE::HeadlessEditor::OnPackageSaved().Broadcast(InOuter, FString(Filename));
	FSavePackageResultStruct Result(ESavePackageResult::Success);
	Result.TotalFileSize = FileSize;
	return Result;
}

namespace UE::HeadlessEditor
{
	FOnPackageSaved& OnPackageSaved()
	{
		static FOnPackageSaved Delegate;
		return Delegate;
	}
}
