// The editor world as actor placement uses it: spawn at a transform, label, give a mesh, select,
// redraw, and the console's list of actors.
#include "EditingTestSupport.h"

#include "Editor.h"
#include "Selection.h"
#include "Engine/Engine.h"
#include "Engine/Level.h"
#include "Engine/World.h"
#include "Engine/StaticMesh.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMeshActor.h"
#include "Animation/SkeletalMeshActor.h"
#include "Components/StaticMeshComponent.h"
#include "Components/SkeletalMeshComponent.h"

#include "ConsoleCommands.h"
#include "EditorHost.h"
#include "HeadlessString.h"
#include "EngineHost.h"

using namespace AssetTest;
using namespace EditingTest;

namespace
{
	class WorldTest : public FProjectTest
	{
	protected:
		UWorld* World = nullptr;

		void SetUp() override
		{
			FProjectTest::SetUp();
			World = UE::HeadlessEditor::ResetEditorWorld();
		}

		// What `actors` prints, line by line.
		std::vector<std::string> ActorsCommand()
		{
			ClearLog();
			testing::internal::CaptureStdout();
			EXPECT_TRUE(UE::HeadlessEditor::ExecuteConsoleCommand(TEXT("actors")));
			const std::string Out = testing::internal::GetCapturedStdout();
			std::vector<std::string> Lines;
			size_t Start = 0;
			for (size_t End; (End = Out.find('\n', Start)) != std::string::npos; Start = End + 1) { Lines.push_back(Out.substr(Start, End - Start)); }
			return Lines;
		}
	};
}

TEST_F(WorldTest, TheEditorHasOneWorldWithALevel)
{
	ASSERT_NE(GEditor, nullptr);
	EXPECT_EQ(GEngine, GEditor);
	FWorldContext& Context = GEditor->GetEditorWorldContext(false);
	EXPECT_EQ(&Context, &GEditor->GetEditorWorldContext(true));
	EXPECT_EQ(Context.World(), World);
	EXPECT_EQ(Context.WorldType, EWorldType::Editor);
	ASSERT_NE(World->GetCurrentLevel(), nullptr);
	EXPECT_EQ(World->GetCurrentLevel(), World->PersistentLevel.Get());
	EXPECT_TRUE(LiveActors(World).IsEmpty());
	// Unloading every package (a new run of the program) leaves the unsaved map alone.
	Restart();
	EXPECT_EQ(GEditor->GetEditorWorldContext().World(), World);
}

TEST_F(WorldTest, ActorsArePlacedLabelledSelectedAndListed)
{
	UStaticMesh* Mesh = MakeAsset<UStaticMesh>(TEXT("/Game/Place/SM_Chair"));
	USkeletalMesh* Skinned = MakeAsset<USkeletalMesh>(TEXT("/Game/Place/SK_Hero"));
	FActorSpawnParameters Params;
	Params.ObjectFlags = RF_Transactional;

	AActor* Spawned = World->SpawnActor(AStaticMeshActor::StaticClass(), &FTransform::Identity, Params);
	ASSERT_NE(Spawned, nullptr);
	AStaticMeshActor* Chair = CastChecked<AStaticMeshActor>(Spawned);
	EXPECT_EQ(Chair->GetLevel(), World->GetCurrentLevel());
	EXPECT_EQ(Chair->GetWorld(), World);
	EXPECT_TRUE(Chair->GetName().StartsWith(TEXT("StaticMeshActor_")));
	EXPECT_TRUE(Chair->HasAnyFlags(RF_Transactional));
	ASSERT_NE(Chair->GetStaticMeshComponent(), nullptr);
	EXPECT_EQ(Chair->GetRootComponent(), Chair->GetStaticMeshComponent());
	EXPECT_TRUE(Chair->GetStaticMeshComponent()->SetStaticMesh(Mesh));
	EXPECT_FALSE(Chair->GetStaticMeshComponent()->SetStaticMesh(Mesh));
	EXPECT_EQ(Chair->GetActorLabel(), Chair->GetName());
	Chair->SetActorLabel(TEXT("Chair"), true);
	EXPECT_EQ(Chair->GetActorLabel(), "Chair");
	EXPECT_TRUE(Chair->GetActorTransform().Equals(FTransform::Identity));
	GEditor->SelectActor(Chair, true, true, false, false);
	const int32 Redraws = UE::HeadlessEditor::GetViewportRedrawCount();
	GEditor->RedrawAllViewports(true);
	EXPECT_EQ(UE::HeadlessEditor::GetViewportRedrawCount(), Redraws + 1);

	// A second actor with the same label joins the selection; a skeletal one gets its pose reset.
	auto* Twin = CastChecked<AStaticMeshActor>(World->SpawnActor(AStaticMeshActor::StaticClass(), &FTransform::Identity, Params));
	Twin->SetActorLabel(TEXT("Chair"));
	GEditor->SelectActor(Twin, true, true, false, false);
	const FTransform Moved(FRotator(0, 90, 0), FVector(100, -50, 25), FVector(2, 2, 2));
	auto* Hero = CastChecked<ASkeletalMeshActor>(World->SpawnActor(ASkeletalMeshActor::StaticClass(), &Moved, Params));
	Hero->GetSkeletalMeshComponent()->SetSkeletalMesh(Skinned, true);
	EXPECT_EQ(Hero->GetSkeletalMeshComponent()->GetSkeletalMeshAsset(), Skinned);
	EXPECT_EQ(FHeadlessAssets::GetNumPoseReinits(*Hero->GetSkeletalMeshComponent()), 1);
	Hero->SetActorLabel(TEXT("Hero"));
	EXPECT_TRUE(Hero->GetActorLocation().Equals(FVector(100, -50, 25)));
	EXPECT_TRUE(Hero->GetActorRotation().Equals(FRotator(0, 90, 0)));

	EXPECT_EQ(GEditor->GetSelectedActorCount(), 2);
	TArray<AActor*> Selected;
	GEditor->GetSelectedActors()->GetSelectedObjects(Selected);
	EXPECT_EQ(Selected, (TArray<AActor*>{ Chair, Twin }));

	const std::vector<std::string> Lines = ActorsCommand();
	ASSERT_EQ(Lines.size(), 4u);
	EXPECT_EQ(Lines[0], "Chair  StaticMeshActor  mesh=/Game/Place/SM_Chair.SM_Chair  location=(0, 0, 0)  rotation=(P=0, Y=0, R=0)  scale=(1, 1, 1)  selected");
	EXPECT_EQ(Lines[1].substr(0, 7), "Chair  ");
	EXPECT_EQ(Lines[2], "Hero  SkeletalMeshActor  mesh=/Game/Place/SK_Hero.SK_Hero  location=(100, -50, 25)  rotation=(P=0, Y=90, R=0)  scale=(2, 2, 2)  -");
	EXPECT_EQ(Lines[3], "3 actor(s) in " + UE::HeadlessEditor::ToUtf8(World->GetName()));

	// Deselecting, and a hidden actor that is only selected when asked to be.
	GEditor->SelectActor(Chair, false, true);
	Hero->bHiddenEd = true;
	GEditor->SelectActor(Hero, true, true, false);
	EXPECT_FALSE(GEditor->GetSelectedActors()->IsSelected(Hero));
	GEditor->SelectActor(Hero, true, true, true);
	EXPECT_TRUE(GEditor->GetSelectedActors()->IsSelected(Hero));
	EXPECT_EQ(GEditor->GetSelectedActorCount(), 2);
	GEditor->SelectNone(true, true);
	EXPECT_EQ(GEditor->GetSelectedActorCount(), 0);
}

TEST_F(WorldTest, SpawnRefusesWhatIsNotAConcreteActorOrANameTaken)
{
	ClearLog();
	EXPECT_EQ(World->SpawnActor(nullptr, &FTransform::Identity), nullptr);
	EXPECT_EQ(World->SpawnActor(UStaticMesh::StaticClass(), &FTransform::Identity), nullptr);
	EXPECT_TRUE(Logged("SpawnActor failed because StaticMesh is not an actor class"));
	FActorSpawnParameters Named;
	Named.Name = FName(TEXT("Only"));
	ASSERT_NE(World->SpawnActor(AStaticMeshActor::StaticClass(), nullptr, Named), nullptr);
	EXPECT_EQ(World->SpawnActor(AStaticMeshActor::StaticClass(), nullptr, Named), nullptr);
	EXPECT_TRUE(Logged("SpawnActor failed because an object named Only already exists"));
	EXPECT_EQ(LiveActors(World).Num(), 1);
	// The typed forms.
	AStaticMeshActor* Typed = World->SpawnActor<AStaticMeshActor>();
	ASSERT_NE(Typed, nullptr);
	EXPECT_EQ(World->SpawnActor<AStaticMeshActor>(ASkeletalMeshActor::StaticClass(), FTransform::Identity), nullptr);
	const FVector Where(1, 2, 3);
	AActor* AtPoint = World->SpawnActor(ASkeletalMeshActor::StaticClass(), &Where);
	ASSERT_NE(AtPoint, nullptr);
	EXPECT_TRUE(AtPoint->GetActorLocation().Equals(Where));
	EXPECT_EQ(LiveActors(World).Num(), 3);
}

TEST(TransformTest, RotatorsAndQuaternionsConvertBothWays)
{
	const FRotator Cases[] = { { 0, 0, 0 }, { 0, 90, 0 }, { 30, -45, 10 }, { -60, 170, -120 }, { 89, 0, 0 } };
	for (const FRotator& R : Cases)
	{
		EXPECT_TRUE(R.Quaternion().Rotator().Equals(R, 1e-6)) << R.Pitch << " " << R.Yaw << " " << R.Roll;
	}
	const FQuat Yaw90 = FRotator(0, 90, 0).Quaternion();
	EXPECT_NEAR(Yaw90.Z, std::sqrt(0.5), 1e-12);
	EXPECT_NEAR(Yaw90.W, std::sqrt(0.5), 1e-12);
	EXPECT_TRUE(FTransform::Identity.GetRotation().IsIdentity());
	EXPECT_EQ(FTransform::Identity.GetScale3D(), FVector(1, 1, 1));
	EXPECT_EQ(FTransform::Identity.GetLocation(), FVector(0, 0, 0));
}
