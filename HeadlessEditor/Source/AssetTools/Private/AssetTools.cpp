// The asset tools: ImportAssetsAutomated and the importers it picks by file extension.
#include "AssetToolsModule.h"
#include "IAssetTools.h"
#include "AutomatedAssetImportData.h"
#include "AssetRegistry/AssetRegistryModule.h"
#include "UObject/UObjectGlobals.h"
#include "Misc/PackageName.h"
#include "Misc/Paths.h"
#include "HAL/FileManager.h"
#include "Modules/ModuleManager.h"
#include "ContentBrowserModule.h"
#include "IContentBrowserSingleton.h"
#include "Framework/Notifications/NotificationManager.h"
#include "Widgets/Notifications/SNotificationList.h"

#include "AssetImporterRegistry.h"
#include "UObjectHost.h"

#include <mutex>
#include <vector>

DEFINE_LOG_CATEGORY(LogAssetTools);

namespace
{
	struct FImporterEntry
	{
		FString Name;
		TArray<FString> Extensions;   // lower-case, no dot
		UE::HeadlessEditor::FAssetImporter Import;
		UE::HeadlessEditor::EExistingAssetCheck ExistingAssetCheck = UE::HeadlessEditor::EExistingAssetCheck::WholeFile;
	};

	struct FImporters
	{
		std::mutex Mutex;
		std::vector<FImporterEntry> Entries;
	};

	FImporters& Importers()
	{
		static FImporters Instance;
		return Instance;
	}

	FString ExtensionOf(const FString& FilenameOrExtension)
	{
		FString Ext = FilenameOrExtension.Contains(TEXT("/")) || FilenameOrExtension.Contains(TEXT(".")) ? FPaths::GetExtension(FilenameOrExtension) : FilenameOrExtension;
		return Ext.ToLower();
	}

	bool FindImporter(const FString& Filename, FImporterEntry& Out)
	{
		const FString Ext = ExtensionOf(Filename);
		if (Ext.IsEmpty()) { return false; }
		FImporters& I = Importers();
		std::lock_guard<std::mutex> Lock(I.Mutex);
		for (auto It = I.Entries.rbegin(); It != I.Entries.rend(); ++It)
		{
			if (It->Extensions.Contains(Ext)) { Out = *It; return true; }
		}
		return false;
	}

	FString NormalizeContentPath(const FString& Path)
	{
		FString Result = Path.TrimStartAndEnd();
		while (Result.Len() > 1 && Result.EndsWith(TEXT("/"))) { Result.LeftChopInline(1); }
		return Result;
	}

	// The asset exists in memory or as a file on disk (which is not loaded for this).
	bool AssetExists(const FString& PackageName, const FString& AssetName)
	{
		if (UPackage* Package = UE::HeadlessEditor::FindPackage(PackageName))
		{
			if (StaticFindObject(nullptr, Package, *AssetName)) { return true; }
			if (Package->IsFullyLoaded()) { return false; }
		}
		return FPackageName::DoesPackageExist(PackageName);
	}

	class FAssetToolsImpl final : public IAssetTools
	{
	public:
		TArray<UObject*> ImportAssetsAutomated(const UAutomatedAssetImportData* ImportData) override
		{
			TArray<UObject*> Result;
			if (!IsValid(ImportData))
			{
				UE_LOG(LogAssetTools, Error, TEXT("ImportAssetsAutomated: no import data given"));
				return Result;
			}
			if (ImportData->Factory || !ImportData->FactoryName.IsEmpty())
			{
				UE_LOG(LogAssetTools, Warning, TEXT("ImportAssetsAutomated: this editor picks importers by file extension only; the factory '%s' given is not used"),
					ImportData->Factory ? TEXT("(object)") : *ImportData->FactoryName);
			}
			if (!ImportData->LevelToLoad.IsEmpty())
			{
				UE_LOG(LogAssetTools, Warning, TEXT("ImportAssetsAutomated: LevelToLoad '%s' is not loaded by this editor"), *ImportData->LevelToLoad);
			}
			if (ImportData->Filenames.Num() == 0)
			{
				UE_LOG(LogAssetTools, Warning, TEXT("ImportAssetsAutomated: no files to import"));
				return Result;
			}
			for (const FString& Filename : ImportData->Filenames)
			{
				Result.Append(UE::HeadlessEditor::ImportOneFile(Filename, ImportData->DestinationPath, ImportData->bReplaceExisting));
			}
			return Result;
		}

		TArray<UObject*> ImportAssets(const TArray<FString>& Files, const FString& DestinationPath) override
		{
			TArray<UObject*> Result;
			for (const FString& Filename : Files) { Result.Append(UE::HeadlessEditor::ImportOneFile(Filename, DestinationPath, true)); }
			return Result;
		}

		void SyncBrowserToAssets(const TArray<UObject*>& AssetsToSync) override
		{
			FModuleManager::LoadModuleChecked<FContentBrowserModule>(TEXT("ContentBrowser")).Get().SyncBrowserToAssets(AssetsToSync, /*bAllowLockedBrowsers=*/true);
		}

		void SyncBrowserToAssets(const TArray<FAssetData>& AssetsToSync) override
		{
			FModuleManager::LoadModuleChecked<FContentBrowserModule>(TEXT("ContentBrowser")).Get().SyncBrowserToAssets(AssetsToSync, /*bAllowLockedBrowsers=*/true);
		}
	};

	FAssetToolsImpl& Tools()
	{
		static FAssetToolsImpl Instance;
		return Instance;
	}

	const bool GRegistered = (FModuleManager::Get().RegisterStaticallyLinkedModule(FName(TEXT("AssetTools")),
		FModuleManager::FInitializeStaticallyLinkedModule::CreateLambda([] { return static_cast<IModuleInterface*>(new FAssetToolsModule()); })), true);
}

IAssetTools& IAssetTools::Get() { return Tools(); }

void FAssetToolsModule::StartupModule() { FModuleManager::Get().LoadModule(FName(TEXT("AssetRegistry"))); }
void FAssetToolsModule::ShutdownModule() {}
IAssetTools& FAssetToolsModule::Get() const { return Tools(); }

FAssetToolsModule& FAssetToolsModule::GetModule()
{
	return FModuleManager::LoadModuleChecked<FAssetToolsModule>(FName(TEXT("AssetTools")));
}

bool FAssetToolsModule::IsModuleLoaded()
{
	return FModuleManager::Get().IsModuleLoaded(FName(TEXT("AssetTools")));
}

namespace UE::HeadlessEditor
{
	void RegisterAssetImporter(const FString& ImporterName, const TArray<FString>& Extensions, FAssetImporter Importer, EExistingAssetCheck ExistingAssetCheck)
	{
		FImporterEntry Entry{ ImporterName, {}, std::move(Importer), ExistingAssetCheck };
		for (const FString& Ext : Extensions)
		{
			FString Clean = Ext.StartsWith(TEXT(".")) ? Ext.RightChop(1) : Ext;
			Entry.Extensions.Add(Clean.ToLower());
		}
		FImporters& I = Importers();
		std::lock_guard<std::mutex> Lock(I.Mutex);
		I.Entries.push_back(std::move(Entry));
	}

	void UnregisterAssetImporter(const FString& ImporterName)
	{
		FImporters& I = Importers();
		std::lock_guard<std::mutex> Lock(I.Mutex);
		std::erase_if(I.Entries, [&ImporterName](const FImporterEntry& E) { return E.Name == ImporterName; });
	}

	FString FindAssetImporterName(const FString& FilenameOrExtension)
	{
		FImporterEntry Entry;
		return FindImporter(FilenameOrExtension, Entry) ? Entry.Name : FString();
	}

	FAssetImportContext::FAssetImportContext(const FString& InFilename, const FString& InDestinationPath, bool bInReplaceExisting)
		: Filename(InFilename), DestinationPath(NormalizeContentPath(InDestinationPath)), bReplaceExisting(bInReplaceExisting)
	{
	}

	FString FAssetImportContext::MakeAssetName(const FString& FilenameOrBaseName)
	{
		FString Name = FPaths::GetBaseFilename(FilenameOrBaseName);
		// The characters object and package names may not hold, as the engine sanitises them.
		for (TCHAR& C : Name)
		{
			if (C < 32 || C == 127 || FString(TEXT(" \"',.:&!~@#(){}[]=;^%$`/\\*?<>|")).Contains(FString::Chr(C), ESearchCase::CaseSensitive)) { C = '_'; }
		}
		return Name;
	}

	UObject* FAssetImportContext::FindExistingAsset(const FString& PackagePath, const FString& AssetName) const
	{
		const FString PackageName = NormalizeContentPath(PackagePath) + TEXT("/") + AssetName;
		if (!FPackageName::IsValidLongPackageName(PackageName)) { return nullptr; }
		if (!AssetExists(PackageName, AssetName)) { return nullptr; }
		return StaticLoadObject(UObject::StaticClass(), nullptr, *(PackageName + TEXT(".") + AssetName));
	}

	UObject* FAssetImportContext::CreateAsset(UClass* Class, const FString& PackagePath, const FString& AssetName)
	{
		const FString PackageName = NormalizeContentPath(PackagePath) + TEXT("/") + AssetName;
		FString Unused;
		if (!Class || AssetName.IsEmpty() || !FPackageName::IsValidLongPackageName(PackageName) || !FPackageName::TryConvertLongPackageNameToFilename(PackageName, Unused))
		{
			UE_LOG(LogAssetTools, Error, TEXT("Cannot create asset '%s' in '%s' while importing %s: not a valid asset path"), *AssetName, *PackagePath, *Filename);
			return nullptr;
		}
		UObject* Existing = FindExistingAsset(PackagePath, AssetName);
		if (Existing && !bReplaceExisting)
		{
			UE_LOG(LogAssetTools, Warning, TEXT("Skipping import of '%s' into %s: asset %s already exists and bReplaceExisting is false"),
				*Filename, *PackageName, *Existing->GetPathName());
			return nullptr;
		}
		UPackage* Package = CreatePackage(*PackageName);
		if (!Package) { return nullptr; }
		Package->FullyLoad();
		if (Existing && Existing->GetClass() != Class)
		{
			UE_LOG(LogAssetTools, Warning, TEXT("Replacing %s (a %s) with a new %s"), *Existing->GetPathName(), *Existing->GetClass()->GetName(), *Class->GetName());
			FAssetRegistryModule::AssetDeleted(Existing);
			DestroyObject(Existing);
			Existing = nullptr;
		}
		UObject* Object = UE::CoreUObject::Private::StaticNewObject(Class, Package, FName(AssetName), RF_Public | RF_Standalone);
		if (!Object) { return nullptr; }
		if (!Existing) { NewObjects.Add(Object); }
		ImportedObjects.AddUnique(Object);
		Object->MarkPackageDirty();
		FAssetRegistryModule::AssetCreated(Object);
		return Object;
	}

	TArray<UObject*> FAssetImportContext::ImportFile(const FString& OtherFilename, const FString& PackagePath)
	{
		TArray<UObject*> Result = ImportOneFile(OtherFilename, PackagePath, bReplaceExisting);
		if (Result.Num() == 0 && !bReplaceExisting)
		{
			if (UObject* Existing = FindExistingAsset(PackagePath, MakeAssetName(OtherFilename))) { Result.Add(Existing); }
		}
		for (UObject* Object : Result) { ImportedObjects.AddUnique(Object); }
		return Result;
	}

	void FAssetImportContext::AddImportedObject(UObject* Object)
	{
		if (IsValid(Object)) { ImportedObjects.AddUnique(Object); }
	}

	TArray<UObject*> ImportOneFile(const FString& InFilename, const FString& InDestinationPath, bool bReplaceExisting)
	{
		const FString Filename = FPaths::ConvertRelativePathToFull(InFilename);
		const FString DestinationPath = NormalizeContentPath(InDestinationPath);
		FString Probe;
		if (!FPackageName::IsValidPath(DestinationPath) || !FPackageName::TryConvertLongPackageNameToFilename(DestinationPath + TEXT("/X"), Probe))
		{
			UE_LOG(LogAssetTools, Error, TEXT("Failed to import '%s'. '%s' is not a valid content path."), *Filename, *InDestinationPath);
			return {};
		}
		if (!IFileManager::Get().FileExists(*Filename))
		{
			UE_LOG(LogAssetTools, Error, TEXT("Failed to import '%s'. The file does not exist."), *Filename);
			return {};
		}
		FImporterEntry Importer;
		if (!FindImporter(Filename, Importer))
		{
			// The engine also shows the message in a failed notification.
			const FText Message = FText::FromString(FString::Printf(TEXT("Failed to import '%s'. Unknown extension '%s'."), *Filename, *FPaths::GetExtension(Filename)));
			FNotificationInfo Info(Message);
			Info.ExpireDuration = 3.0f;
			Info.bUseLargeFont = false;
			Info.bFireAndForget = true;
			Info.bUseSuccessFailIcons = true;
			FSlateNotificationManager::Get().AddNotification(Info)->SetCompletionState(SNotificationItem::CS_Fail);
			UE_LOG(LogAssetTools, Warning, TEXT("%s"), *Message.ToString());
			return {};
		}
		const FString AssetName = FAssetImportContext::MakeAssetName(Filename);
		if (!bReplaceExisting && Importer.ExistingAssetCheck == EExistingAssetCheck::WholeFile && FPackageName::IsValidLongPackageName(DestinationPath + TEXT("/") + AssetName) && AssetExists(DestinationPath + TEXT("/") + AssetName, AssetName))
		{
			UE_LOG(LogAssetTools, Warning, TEXT("Skipping import of '%s': asset %s/%s already exists and bReplaceExisting is false"), *Filename, *DestinationPath, *AssetName);
			return {};
		}

		UE_LOG(LogAssetTools, Log, TEXT("Importing '%s' into %s with the %s importer"), *Filename, *DestinationPath, *Importer.Name);
		FAssetImportContext Context(Filename, DestinationPath, bReplaceExisting);
		if (!Importer.Import(Context))
		{
			// Nothing half-made stays behind.
			const TArray<UObject*> New = Context.GetNewObjects();
			for (int32 I = New.Num() - 1; I >= 0; --I)
			{
				if (!IsValid(New[I])) { continue; }
				UPackage* Package = New[I]->GetOutermost();
				FAssetRegistryModule::AssetDeleted(New[I]);
				DestroyObject(New[I]);
				if (Package && GetObjectsWithOuter(Package, false).Num() == 0 && !FPackageName::DoesPackageExist(Package->GetName())) { DestroyObject(Package); }
			}
			// The engine's Interchange road keeps its results in the "Interchange" message log, not the
			// output log, so the failure shows there at Display only.
			if (Importer.ExistingAssetCheck == UE::HeadlessEditor::EExistingAssetCheck::PerAsset) { UE_LOG(LogAssetTools, Display, TEXT("Failed to import '%s'."), *Filename); }
			else { UE_LOG(LogAssetTools, Error, TEXT("Failed to import '%s'."), *Filename); }
			return {};
		}
		TArray<UObject*> Result;
		for (UObject* Object : Context.GetImportedObjects())
		{
			if (!IsValid(Object)) { continue; }
			Object->MarkPackageDirty();
			Result.Add(Object);
		}
		UE_LOG(LogAssetTools, Log, TEXT("Imported '%s': %d asset(s)"), *Filename, Result.Num());
		return Result;
	}
}
