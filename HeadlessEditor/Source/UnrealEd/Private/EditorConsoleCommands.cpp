// Console command `actors`: the actors of the editor world's level with their label, class, mesh,
// transform and whether they are selected.
#include "EngineUtils.h"
#include "Editor.h"
#include "Selection.h"
#include "Engine/World.h"
#include "Engine/StaticMesh.h"
#include "Engine/SkeletalMesh.h"
#include "Components/StaticMeshComponent.h"
#include "Components/SkeletalMeshComponent.h"
#include "GameFramework/Actor.h"
#include "Engine/StaticMeshActor.h"
#include "Animation/SkeletalMeshActor.h"
#include "UObject/UObjectGlobals.h"
#include "Misc/PackageName.h"

#include "ConsoleCommands.h"

namespace
{
	using namespace UE::HeadlessEditor;

	FString MeshOf(const AActor* Actor)
	{
		const UObject* Mesh = nullptr;
		if (const auto* StaticComponent = Cast<UStaticMeshComponent>(Actor->GetRootComponent())) { Mesh = StaticComponent->GetStaticMesh(); }
		else if (const auto* SkinnedComponent = Cast<USkinnedMeshComponent>(Actor->GetRootComponent())) { Mesh = SkinnedComponent->GetSkinnedAsset(); }
		else { return TEXT("-"); }
		return Mesh ? Mesh->GetPathName() : FString(TEXT("(none)"));
	}

	void ListActors(const TArray<FString>& Args)
	{
		if (Args.Num() != 0) { ConsolePrint(TEXT("usage: actors")); return; }
		UWorld* World = GEditor ? GEditor->GetEditorWorldContext().World() : nullptr;
		if (!World) { ConsolePrint(TEXT("(no editor world)")); return; }
		int32 NumActors = 0;
		for (const AActor* Actor : TActorRange<AActor>(World))
		{
			++NumActors;
			// "+ 0.0" turns -0 into 0, which reads better.
			const FVector L = Actor->GetActorLocation() + FVector::ZeroVector;
			const FRotator Rot = Actor->GetActorRotation();
			const FRotator R(Rot.Pitch + 0.0, Rot.Yaw + 0.0, Rot.Roll + 0.0);
			const FVector S = Actor->GetActorScale3D() + FVector::ZeroVector;
			const bool bSelected = GEditor->GetSelectedActors() && GEditor->GetSelectedActors()->IsSelected(Actor);
			ConsolePrint(FString::Printf(TEXT("%s  %s  mesh=%s  location=(%g, %g, %g)  rotation=(P=%g, Y=%g, R=%g)  scale=(%g, %g, %g)  %s"),
				*Actor->GetActorLabel(), *Actor->GetClass()->GetName(), *MeshOf(Actor), L.X, L.Y, L.Z, R.Pitch, R.Yaw, R.Roll, S.X, S.Y, S.Z,
				bSelected ? TEXT("selected") : TEXT("-")));
		}
		ConsolePrint(FString::Printf(TEXT("%d actor(s) in %s"), NumActors, *World->GetName()));
	}

	// Places a mesh asset at the origin as actor placement does: spawn, mesh, label, select, redraw.
	void PlaceMesh(const TArray<FString>& Args)
	{
		if (Args.Num() < 1 || Args.Num() > 2) { ConsolePrint(TEXT("usage: place MESH [LABEL]   (MESH is an asset path such as /Game/A/SM_Chair)")); return; }
		UWorld* World = GEditor ? GEditor->GetEditorWorldContext().World() : nullptr;
		// "/Game/A/SM_X" names the asset of that package, not the package.
		const FString Path = Args[0].Contains(TEXT(".")) ? Args[0] : Args[0] + TEXT(".") + FPackageName::GetShortName(Args[0]);
		UObject* Mesh = LoadObject<UObject>(nullptr, *Path, nullptr, LOAD_Quiet);
		if (!World || !(Cast<UStaticMesh>(Mesh) || Cast<USkeletalMesh>(Mesh)))
		{
			ConsolePrint(FString::Printf(TEXT("%s is not a static or skeletal mesh"), *Args[0]));
			return;
		}
		const bool bStatic = Mesh->IsA(UStaticMesh::StaticClass());
		AActor* Actor = World->SpawnActor(bStatic ? AStaticMeshActor::StaticClass() : ASkeletalMeshActor::StaticClass(), &FTransform::Identity, FActorSpawnParameters());
		if (!Actor) { ConsolePrint(TEXT("SpawnActor failed")); return; }
		if (bStatic) { CastChecked<AStaticMeshActor>(Actor)->GetStaticMeshComponent()->SetStaticMesh(Cast<UStaticMesh>(Mesh)); }
		else { CastChecked<ASkeletalMeshActor>(Actor)->GetSkeletalMeshComponent()->SetSkeletalMesh(Cast<USkeletalMesh>(Mesh), true); }
		Actor->SetActorLabel(Args.Num() == 2 ? Args[1] : Mesh->GetName(), true);
		GEditor->SelectActor(Actor, true, true, false, false);
		GEditor->RedrawAllViewports(true);
		ConsolePrint(FString::Printf(TEXT("placed %s (%s)"), *Actor->GetActorLabel(), *Actor->GetName()));
	}

	const bool GRegistered = [] {
		RegisterConsoleCommand(TEXT("place"), TEXT("place MESH [LABEL]"), TEXT("place a static or skeletal mesh at the origin, labelled and selected, as an import does"), PlaceMesh);
		RegisterConsoleCommand(TEXT("actors"), TEXT("actors"), TEXT("list the editor level's actors: label, class, mesh, location, rotation, scale, selected"), ListActors);
		return true;
	}();
}
