// Saving the dirty packages under an import's content folder.
#include "MOLDARIImport.h"
#include "MOLDARIImportTestUtils.h"

#include "AssetRegistry/AssetRegistryModule.h"
#include "Engine/Texture2D.h"
#include "Engine/World.h"
#include "Misc/AutomationTest.h"
#include "Misc/PackageName.h"
#include "UObject/Package.h"
#include "UObject/UObjectGlobals.h"

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	using namespace MOLDARIImportTest;
	const EAutomationTestFlags ImportTestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;

	// A dirty in-memory asset in its own package under ContentPath.
	template <class T>
	T* MakeDirtyAsset(const FString& ContentPath, const TCHAR* AssetName)
	{
		UPackage* Package = CreatePackage(*(ContentPath / AssetName));
		T* Asset = NewObject<T>(Package, FName(AssetName), RF_Public | RF_Standalone);
		FAssetRegistryModule::AssetCreated(Asset);
		Asset->MarkPackageDirty();
		return Asset;
	}
}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIPackageSaverTest, "MOLDARI.Import.PackageSaver", ImportTestFlags)
bool FMOLDARIPackageSaverTest::RunTest(const FString& Parameters)
{
	const FString ContentPath = TEXT("/Game/MOLDARIImports/SaverTest");
	IFileManager::Get().DeleteDirectory(*ImportFolderOnDisk(TEXT("SaverTest")), false, true);

	{
		FLogCapture Log;
		SaveImportedPackages(TEXT("/Game/MOLDARIImports/SaverNothingHere"));
		TestLinesEqual(*this, TEXT("empty path: only the count"), Log.Texts(), { TEXT("[MOLDARI] Saved 0 .uasset file(s) to disk") });
	}

	MakeDirtyAsset<UTexture2D>(ContentPath, TEXT("T_One"));
	MakeDirtyAsset<UTexture2D>(ContentPath / TEXT("Textures"), TEXT("T_Deep"));
	MakeDirtyAsset<UWorld>(ContentPath, TEXT("L_Level"));

	FString TextureFile, DeepFile, LevelFile;
	FPackageName::TryConvertLongPackageNameToFilename(ContentPath / TEXT("T_One"), TextureFile, FPackageName::GetAssetPackageExtension());
	FPackageName::TryConvertLongPackageNameToFilename(ContentPath / TEXT("Textures/T_Deep"), DeepFile, FPackageName::GetAssetPackageExtension());
	FPackageName::TryConvertLongPackageNameToFilename(ContentPath / TEXT("L_Level"), LevelFile, FPackageName::GetMapPackageExtension());
	{
		FLogCapture Log;
		SaveImportedPackages(ContentPath);
		TestTrue(TEXT("texture saved"), Log.Has(FString(TEXT("[MOLDARI] Saved: ")) + TextureFile, ELogVerbosity::Log));
		TestTrue(TEXT("sub-folder saved"), Log.Has(FString(TEXT("[MOLDARI] Saved: ")) + DeepFile, ELogVerbosity::Log));
		TestTrue(TEXT("level saved as a map"), Log.Has(FString(TEXT("[MOLDARI] Saved: ")) + LevelFile, ELogVerbosity::Log));
		TestEqualSensitive(TEXT("closing line last"), Log.Texts().Last(), FString(TEXT("[MOLDARI] Saved 3 .uasset file(s) to disk")));
	}
	TestTrue(TEXT(".uasset on disk"), IFileManager::Get().FileExists(*TextureFile));
	TestTrue(TEXT(".umap on disk"), IFileManager::Get().FileExists(*LevelFile));
	TestFalse(TEXT("no level .uasset"), IFileManager::Get().FileExists(*FPaths::ChangeExtension(LevelFile, TEXT(".uasset"))));

	// Clean packages are neither saved again nor counted.
	{
		FLogCapture Log;
		SaveImportedPackages(ContentPath);
		TestLinesEqual(*this, TEXT("second save"), Log.Texts(), { TEXT("[MOLDARI] Saved 0 .uasset file(s) to disk") });
	}
	return true;
}

#endif
