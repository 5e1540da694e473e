// The asset registry: package-file summaries found by scans and saves, plus the assets in memory.
#include "AssetRegistry/AssetRegistryModule.h"
#include "AssetRegistry/IAssetRegistry.h"
#include "UObject/UObjectGlobals.h"
#include "Misc/PackageName.h"
#include "Misc/Paths.h"
#include "HAL/FileManager.h"
#include "Modules/ModuleManager.h"

#include "AssetRegistryHost.h"
#include "UObjectHost.h"
#include "HeadlessString.h"

#include <map>
#include <mutex>
#include <set>

DEFINE_LOG_CATEGORY(LogAssetRegistry);

namespace
{
	std::u16string Lower(const FString& S) { return UE::HeadlessEditor::GetStdString(S.ToLower()); }

	FString NormalizePath(const FString& Path)
	{
		FString Result = Path;
		while (Result.Len() > 1 && Result.EndsWith(TEXT("/"))) { Result.LeftChopInline(1); }
		return Result;
	}

	bool IsUnderPath(const FString& PackagePath, const FString& Path, bool bRecursive)
	{
		if (PackagePath.Equals(Path, ESearchCase::IgnoreCase)) { return true; }
		return bRecursive && PackagePath.StartsWith(Path + TEXT("/"), ESearchCase::IgnoreCase);
	}

	struct FDiskPackage
	{
		FString Filename;
		TArray<FAssetData> Assets;
	};

	class FAssetRegistryImpl final : public IAssetRegistry
	{
	public:
		FAssetRegistryImpl()
		{
			UE::HeadlessEditor::OnPackageSaved().AddLambda([this](UPackage* Package, const FString& Filename) { OnSaved(Package, Filename); });
		}

		void Reset()
		{
			std::lock_guard<std::recursive_mutex> Lock(Mutex);
			DiskPackages.clear();
			ScannedPaths.clear();
		}

		void ScanPathsSynchronous(const TArray<FString>& InPaths, bool bForceRescan, bool bIgnoreDenyListScanFilters) override
		{
			for (const FString& InPath : InPaths)
			{
				const FString Path = NormalizePath(InPath);
				FString Filename;
				if (FPackageName::IsValidLongPackageName(Path) && FPackageName::DoesPackageExist(Path, &Filename))
				{
					ScanFile(Path, Filename);
					// A name can be both a package and a folder ("/Game/A" and "/Game/A/B").
				}
				ScanFolder(Path, bForceRescan);
			}
		}

		void ScanFilesSynchronous(const TArray<FString>& InFilePaths, bool bForceRescan) override
		{
			for (const FString& File : InFilePaths)
			{
				FString PackageName;
				if (FPackageName::TryConvertFilenameToLongPackageName(File, PackageName)) { ScanFile(PackageName, FPaths::ConvertRelativePathToFull(File)); }
				else { UE_LOG(LogAssetRegistry, Warning, TEXT("ScanFilesSynchronous: %s is not under a mounted content folder"), *File); }
			}
		}

		bool GetAssetsByPath(FName PackagePath, TArray<FAssetData>& OutAssetData, bool bRecursive, bool bIncludeOnlyOnDiskAssets) const override
		{
			return GetAssetsByPaths({ PackagePath }, OutAssetData, bRecursive, bIncludeOnlyOnDiskAssets);
		}

		bool GetAssetsByPaths(TArray<FName> PackagePaths, TArray<FAssetData>& OutAssetData, bool bRecursive, bool bIncludeOnlyOnDiskAssets) const override
		{
			TArray<FString> Paths;
			for (const FName& Name : PackagePaths) { if (!Name.IsNone()) { Paths.Add(NormalizePath(Name.ToString())); } }
			Collect([&Paths, bRecursive](const FAssetData& Data) {
				const FString PackagePath = Data.PackagePath.ToString();
				for (const FString& Path : Paths) { if (IsUnderPath(PackagePath, Path, bRecursive)) { return true; } }
				return false;
			}, bIncludeOnlyOnDiskAssets, OutAssetData);
			return true;
		}

		bool GetAssetsByPackageName(FName PackageName, TArray<FAssetData>& OutAssetData, bool bIncludeOnlyOnDiskAssets, bool bSkipARFilteredAssets) const override
		{
			Collect([PackageName](const FAssetData& Data) { return Data.PackageName == PackageName; }, bIncludeOnlyOnDiskAssets, OutAssetData);
			return true;
		}

		bool GetAssetsByClass(FTopLevelAssetPath ClassPathName, TArray<FAssetData>& OutAssetData, bool bSearchSubClasses) const override
		{
			UClass* Base = FindObject<UClass>(ClassPathName);
			Collect([&](const FAssetData& Data) {
				if (Data.AssetClassPath == ClassPathName) { return true; }
				UClass* Class = bSearchSubClasses && Base ? FindObject<UClass>(Data.AssetClassPath) : nullptr;
				return Class && Class->IsChildOf(Base);
			}, false, OutAssetData);
			return true;
		}

		bool GetAllAssets(TArray<FAssetData>& OutAssetData, bool bIncludeOnlyOnDiskAssets) const override
		{
			Collect([](const FAssetData&) { return true; }, bIncludeOnlyOnDiskAssets, OutAssetData);
			return true;
		}

		FAssetData GetAssetByObjectPath(const FString& ObjectPath, bool bIncludeOnlyOnDiskAssets) const override
		{
			const FName PackageName(FPackageName::ObjectPathToPackageName(ObjectPath));
			const FName AssetName(FPackageName::ObjectPathToObjectName(ObjectPath));
			TArray<FAssetData> Found;
			Collect([&](const FAssetData& Data) { return Data.PackageName == PackageName && Data.AssetName == AssetName; }, bIncludeOnlyOnDiskAssets, Found);
			return Found.Num() > 0 ? Found[0] : FAssetData();
		}

		bool HasAssets(const FName PackagePath, const bool bRecursive) const override
		{
			TArray<FAssetData> Found;
			GetAssetsByPath(PackagePath, Found, bRecursive, false);
			return Found.Num() > 0;
		}

		void SearchAllAssets(bool bSynchronousSearch) override
		{
			TArray<FString> Roots;
			FPackageName::QueryRootContentPaths(Roots);
			ScanPathsSynchronous(Roots, false, false);
		}

		void AssetCreated(UObject* NewAsset) override
		{
			// In-memory assets are listed from the object table; nothing else to learn. A missing
			// asset is worth a line, as it is usually a caller's mistake.
			UE_CLOG(!IsValid(NewAsset), LogAssetRegistry, Warning, TEXT("AssetCreated called with no live object"));
		}

		void AssetDeleted(UObject* DeletedAsset) override
		{
			const FAssetData Data(DeletedAsset);
			if (!Data.IsValid()) { return; }
			std::lock_guard<std::recursive_mutex> Lock(Mutex);
			auto Found = DiskPackages.find(Lower(Data.PackageName.ToString()));
			if (Found == DiskPackages.end()) { return; }
			// Gone until a scan finds its file again.
			Found->second.Assets.RemoveAll([&Data](const FAssetData& Other) { return Other.AssetName == Data.AssetName; });
		}

	private:
		void ScanFolder(const FString& Path, bool bForceRescan)
		{
			FString Probe;
			if (!FPackageName::TryConvertLongPackageNameToFilename(Path + TEXT("/X"), Probe))
			{
				UE_LOG(LogAssetRegistry, Warning, TEXT("ScanPathsSynchronous: '%s' is not under a mounted content path"), *Path);
				return;
			}
			const FString Folder = FPaths::GetPath(Probe);
			{
				std::lock_guard<std::recursive_mutex> Lock(Mutex);
				if (!bForceRescan)
				{
					for (const std::u16string& Scanned : ScannedPaths)
					{
						const FString S(Scanned.c_str());
						if (IsUnderPath(Path.ToLower(), S, true)) { return; }
					}
				}
				// Files that are gone are forgotten; the folder is read afresh.
				for (auto It = DiskPackages.begin(); It != DiskPackages.end();)
				{
					const FString PackagePath = FPackageName::GetLongPackagePath(FString(It->first.c_str()));
					if (IsUnderPath(PackagePath, Path, true)) { It = DiskPackages.erase(It); }
					else { ++It; }
				}
				ScannedPaths.insert(Lower(Path));
			}
			if (!IFileManager::Get().DirectoryExists(*Folder)) { return; }
			TArray<FString> Files;
			IFileManager::Get().FindFilesRecursive(Files, *Folder, TEXT("*"), true, false, true);
			Files.Sort([](const FString& A, const FString& B) { return A.ToLower() < B.ToLower(); });
			for (const FString& File : Files)
			{
				const FString Extension = FPaths::GetExtension(File);
				if (!FPackageName::IsPackageExtension(*Extension)) { continue; }
				FString PackageName;
				if (!FPackageName::TryConvertFilenameToLongPackageName(File, PackageName))
				{
					UE_LOG(LogAssetRegistry, Warning, TEXT("Skipping %s: its name is not a valid package name"), *File);
					continue;
				}
				ScanFile(PackageName, File);
			}
		}

		void ScanFile(const FString& PackageName, const FString& Filename)
		{
			UE::HeadlessEditor::FPackageFileSummary Summary;
			FString Error;
			if (!UE::HeadlessEditor::ReadPackageFileSummary(Filename, Summary, Error))
			{
				UE_LOG(LogAssetRegistry, Warning, TEXT("Skipping %s: %s"), *Filename, *Error);
				std::lock_guard<std::recursive_mutex> Lock(Mutex);
				DiskPackages.erase(Lower(PackageName));
				return;
			}
			FDiskPackage Package;
			Package.Filename = Filename;
			const FName Name(PackageName);
			const FName Path(FPackageName::GetLongPackagePath(PackageName));
			for (const UE::HeadlessEditor::FPackageFileAsset& Asset : Summary.Assets)
			{
				Package.Assets.Add(FAssetData(Name, Path, Asset.AssetName, Asset.ClassPath));
			}
			std::lock_guard<std::recursive_mutex> Lock(Mutex);
			DiskPackages[Lower(PackageName)] = std::move(Package);
		}

		void OnSaved(UPackage* Package, const FString& Filename)
		{
			FString PackageName;
			if (!FPackageName::TryConvertFilenameToLongPackageName(Filename, PackageName)) { return; }
			FDiskPackage Disk;
			Disk.Filename = Filename;
			for (UObject* Object : UE::HeadlessEditor::GetObjectsWithOuter(Package, false))
			{
				if (Object->HasAnyFlags(RF_Transient)) { continue; }
				Disk.Assets.Add(FAssetData(FName(PackageName), FName(FPackageName::GetLongPackagePath(PackageName)), Object->GetFName(), Object->GetClass()->GetClassPathName()));
			}
			std::lock_guard<std::recursive_mutex> Lock(Mutex);
			DiskPackages[Lower(PackageName)] = std::move(Disk);
		}

		// Disk entries, then the assets in memory (which win for packages that are loaded), sorted.
		void Collect(const TFunction<bool(const FAssetData&)>& Filter, bool bOnlyOnDisk, TArray<FAssetData>& Out) const
		{
			std::map<std::pair<std::u16string, std::u16string>, FAssetData> Found;
			std::set<std::u16string> LoadedPackages;
			if (!bOnlyOnDisk)
			{
				for (UPackage* Package : UE::HeadlessEditor::GetLoadedPackages())
				{
					if (Package->IsFullyLoaded()) { LoadedPackages.insert(Lower(Package->GetName())); }
				}
			}
			{
				std::lock_guard<std::recursive_mutex> Lock(Mutex);
				for (const auto& Pair : DiskPackages)
				{
					if (LoadedPackages.count(Pair.first)) { continue; }
					for (const FAssetData& Data : Pair.second.Assets)
					{
						if (Filter(Data)) { Found[{ Pair.first, Lower(Data.AssetName.ToString()) }] = Data; }
					}
				}
			}
			if (!bOnlyOnDisk)
			{
				for (UPackage* Package : UE::HeadlessEditor::GetLoadedPackages())
				{
					for (UObject* Object : UE::HeadlessEditor::GetObjectsWithOuter(Package, false))
					{
						if (!Object->IsAsset()) { continue; }
						const FAssetData Data(Object);
						if (Data.IsValid() && Filter(Data)) { Found[{ Lower(Data.PackageName.ToString()), Lower(Data.AssetName.ToString()) }] = Data; }
					}
				}
			}
			for (auto& Pair : Found) { Out.Add(std::move(Pair.second)); }
		}

		mutable std::recursive_mutex Mutex;
		std::map<std::u16string, FDiskPackage> DiskPackages;   // lower-cased package name
		std::set<std::u16string> ScannedPaths;                 // lower-cased content paths
	};

	FAssetRegistryImpl& Registry()
	{
		static FAssetRegistryImpl Instance;
		return Instance;
	}

	const bool GRegistered = (FModuleManager::Get().RegisterStaticallyLinkedModule(FName(TEXT("AssetRegistry")),
		FModuleManager::FInitializeStaticallyLinkedModule::CreateLambda([] { return static_cast<IModuleInterface*>(new FAssetRegistryModule()); })), true);
}

IAssetRegistry* IAssetRegistry::Get() { return &Registry(); }
IAssetRegistry& IAssetRegistry::GetChecked() { return Registry(); }

void FAssetRegistryModule::StartupModule() { Registry(); }
void FAssetRegistryModule::ShutdownModule() {}
IAssetRegistry& FAssetRegistryModule::Get() const { return Registry(); }
IAssetRegistry& FAssetRegistryModule::GetRegistry() { return Registry(); }
void FAssetRegistryModule::AssetCreated(UObject* NewAsset) { Registry().AssetCreated(NewAsset); }
void FAssetRegistryModule::AssetDeleted(UObject* DeletedAsset) { Registry().AssetDeleted(DeletedAsset); }

namespace UE::HeadlessEditor
{
	void ResetAssetRegistry() { Registry().Reset(); }
}
