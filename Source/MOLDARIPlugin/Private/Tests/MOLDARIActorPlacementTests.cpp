// Placing an imported mesh in the edited level.
#include "MOLDARIImport.h"
#include "MOLDARIImportTestUtils.h"

#include "Animation/SkeletalMeshActor.h"
#include "Components/SkeletalMeshComponent.h"
#include "Components/StaticMeshComponent.h"
#include "Editor.h"
#include "Editor/EditorEngine.h"
#include "Engine/Engine.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "Engine/StaticMeshActor.h"
#include "Engine/World.h"
#include "EngineUtils.h"
#include "Misc/AutomationTest.h"
#include "Selection.h"
#include "UObject/UObjectGlobals.h"

#if WITH_DEV_AUTOMATION_TESTS

namespace
{
	using namespace MOLDARIImportTest;
	const EAutomationTestFlags ImportTestFlags = EAutomationTestFlags::EditorContext | EAutomationTestFlags::EngineFilter;

	template <class T>
	TArray<T*> ActorsLabelled(const FString& Label)
	{
		TArray<T*> Found;
		UWorld* World = GEditor->GetEditorWorldContext(false).World();
		for (T* Actor : TActorRange<T>(World))
		{
			if (Actor->GetActorLabel().Equals(Label, ESearchCase::CaseSensitive)) { Found.Add(Actor); }
		}
		return Found;
	}

}

IMPLEMENT_SIMPLE_AUTOMATION_TEST(FMOLDARIActorPlacementTest, "MOLDARI.Import.ActorPlacement", ImportTestFlags)
bool FMOLDARIActorPlacementTest::RunTest(const FString& Parameters)
{
	if (!TestNotNull(TEXT("editor"), GEditor)) { return false; }
	USelection* Selection = GEditor->GetSelectedActors();

	UStaticMesh* StaticMesh = NewObject<UStaticMesh>(GetTransientPackage(), FName(TEXT("SM_PlacementTest")));
	{
		FLogCapture Log;
		PlaceStaticMeshActor(StaticMesh, TEXT("Placed_Static"));
		TestLinesEqual(*this, TEXT("static lines"), Log.Texts(), { TEXT("[MOLDARI] Placed AStaticMeshActor: Placed_Static") });
	}
	TArray<AStaticMeshActor*> Statics = ActorsLabelled<AStaticMeshActor>(TEXT("Placed_Static"));
	if (TestEqual(TEXT("one static actor"), Statics.Num(), 1))
	{
		TestTrue(TEXT("static mesh given"), Statics[0]->GetStaticMeshComponent()->GetStaticMesh() == StaticMesh);
		TestTrue(TEXT("static selected"), Selection->IsSelected(Statics[0]));
		TestNotEqual(TEXT("label is not the object name"), Statics[0]->GetName(), FString(TEXT("Placed_Static")));
		TestTrue(TEXT("static at the origin, unturned, unscaled"), Statics[0]->GetActorTransform().Equals(FTransform::Identity));
	}

	// Same name twice: two actors with one label, both selected.
	USkeletalMesh* SkeletalMesh = NewObject<USkeletalMesh>(GetTransientPackage(), FName(TEXT("SK_PlacementTest")));
	{
		FLogCapture Log;
		PlaceSkeletalMeshActor(SkeletalMesh, TEXT("Placed_Skeletal"));
		PlaceSkeletalMeshActor(SkeletalMesh, TEXT("Placed_Skeletal"));
		TestLinesEqual(*this, TEXT("skeletal lines"), Log.Texts(), { TEXT("[MOLDARI] Placed ASkeletalMeshActor: Placed_Skeletal"),
			TEXT("[MOLDARI] Placed ASkeletalMeshActor: Placed_Skeletal") });
	}
	TArray<ASkeletalMeshActor*> Skeletals = ActorsLabelled<ASkeletalMeshActor>(TEXT("Placed_Skeletal"));
	if (TestEqual(TEXT("two skeletal actors"), Skeletals.Num(), 2))
	{
		for (ASkeletalMeshActor* Actor : Skeletals)
		{
			TestTrue(TEXT("skeletal mesh given"), Actor->GetSkeletalMeshComponent()->GetSkeletalMeshAsset() == SkeletalMesh);
			TestTrue(TEXT("skeletal selected"), Selection->IsSelected(Actor));
			TestTrue(TEXT("skeletal at the origin, unturned, unscaled"), Actor->GetActorTransform().Equals(FTransform::Identity));
		}
	}
	TestTrue(TEXT("earlier selection kept"), Statics.Num() == 1 && Selection->IsSelected(Statics[0]));
	return true;
}

#endif
