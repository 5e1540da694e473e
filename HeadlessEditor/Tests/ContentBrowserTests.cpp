// The Content Browser module: loaded by name like the engine's, its syncs recorded and logged;
// IAssetTools forwards its syncs to it with locked browsers allowed, as the engine's does.
#include "AssetTestSupport.h"

#include "ContentBrowserModule.h"
#include "Engine/StaticMesh.h"
#include "IAssetTools.h"
#include "IContentBrowserSingleton.h"
#include "UObject/Package.h"

#include "ContentBrowserHost.h"
#include "LogCapture.h"

using namespace AssetTest;

class ContentBrowserTest : public FProjectTest {};

TEST_F(ContentBrowserTest, SyncsRecordTheAssetsObjectPathsAndAreLogged)
{
	FHeadlessContentBrowser::Reset();
	TestLog::FCapture Log(TEXT("LogContentBrowser"));
	FContentBrowserModule& Module = FModuleManager::LoadModuleChecked<FContentBrowserModule>(TEXT("ContentBrowser"));
	EXPECT_EQ(&Module.Get(), &IContentBrowserSingleton::Get());

	const FTopLevelAssetPath MeshClass(TEXT("/Script/Engine.StaticMesh"));
	Module.Get().SyncBrowserToAssets(TArray<FAssetData>{ FAssetData(FName(TEXT("/Game/A/SM_Chair")), FName(TEXT("/Game/A")), FName(TEXT("SM_Chair")), MeshClass),
		FAssetData(FName(TEXT("/Game/A/SM_Table")), FName(TEXT("/Game/A")), FName(TEXT("SM_Table")), MeshClass) });

	const FHeadlessContentBrowser::FSync Sync = FHeadlessContentBrowser::GetLastSync();
	ASSERT_EQ(Sync.ObjectPaths.Num(), 2);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Sync.ObjectPaths[0]), "/Game/A/SM_Chair.SM_Chair");
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(Sync.ObjectPaths[1]), "/Game/A/SM_Table.SM_Table");
	EXPECT_FALSE(Sync.bAllowLockedBrowsers); // the engine's defaults
	EXPECT_TRUE(Sync.bFocusContentBrowser);
	EXPECT_TRUE(Sync.InstanceName.IsNone());
	EXPECT_EQ(Log.Count(ELogVerbosity::Display, "Content Browser: showing 2 asset(s): /Game/A/SM_Chair.SM_Chair, /Game/A/SM_Table.SM_Table"), 1);

	// Objects are synced by path, skipping null; IAssetTools allows locked browsers.
	UStaticMesh* Mesh = NewObject<UStaticMesh>(CreatePackage(TEXT("/Game/Props/SM_Lamp")), FName(TEXT("SM_Lamp")), RF_Public | RF_Standalone);
	IContentBrowserSingleton::Get().SyncBrowserToAssets(TArray<UObject*>{ nullptr, Mesh }, false, false);
	const FHeadlessContentBrowser::FSync ByObject = FHeadlessContentBrowser::GetLastSync();
	ASSERT_EQ(ByObject.ObjectPaths.Num(), 1);
	EXPECT_EQ(UE::HeadlessEditor::ToUtf8(ByObject.ObjectPaths[0]), "/Game/Props/SM_Lamp.SM_Lamp");
	EXPECT_FALSE(ByObject.bFocusContentBrowser);

	IAssetTools::Get().SyncBrowserToAssets(TArray<UObject*>{ Mesh });
	EXPECT_TRUE(FHeadlessContentBrowser::GetLastSync().bAllowLockedBrowsers);
	IAssetTools::Get().SyncBrowserToAssets(TArray<FAssetData>{});
	EXPECT_EQ(FHeadlessContentBrowser::GetLastSync().ObjectPaths.Num(), 0);
	EXPECT_EQ(FHeadlessContentBrowser::GetNumSyncs(), 4);
}
