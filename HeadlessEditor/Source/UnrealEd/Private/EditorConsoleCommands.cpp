// Console command `actors`: the actors of the editor world's level with their label, class, mesh,
// transform and whether they are selected.
#include "Editor.h"
#include "Selection.h"
#include "Engine/World.h"
#include "Engine/StaticMesh.h"
#include "Engine/SkeletalMesh.h"
#include "Components/StaticMeshComponent.h"
#include "Components/SkeletalMeshComponent.h"
#include "GameFramework/Actor.h"

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
		const TArray<AActor*> Actors = World->GetActors();
		for (const AActor* Actor : Actors)
		{
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
		ConsolePrint(FString::Printf(TEXT("%d actor(s) in %s"), Actors.Num(), *World->GetName()));
	}

	const bool GRegistered = [] {
		RegisterConsoleCommand(TEXT("actors"), TEXT("actors"), TEXT("list the editor level's actors: label, class, mesh, location, rotation, scale, selected"), ListActors);
		return true;
	}();
}
