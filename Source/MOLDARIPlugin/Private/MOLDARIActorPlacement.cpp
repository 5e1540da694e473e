#include "MOLDARIImport.h"
#include "MOLDARIImportJobs.h"

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
#include "Math/Transform.h"
#include "Templates/Casts.h"

namespace
{
	// What differs between placing a static and a skeletal mesh; the procedure is the same.
	struct FStaticPlacement
	{
		using FActor = AStaticMeshActor;
		using FMesh = UStaticMesh;
		static void LogSpawnFailed()
		{
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] SpawnActor failed"));
			MOLDARIJobs::ReportFailure(TEXT("SpawnActor failed"));
		}
		static void LogPlaced(const FString& Name) { UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Placed AStaticMeshActor: %s"), *Name); }
		static void GiveMesh(AStaticMeshActor* Actor, UStaticMesh* Mesh) { Actor->GetStaticMeshComponent()->SetStaticMesh(Mesh); }
	};

	struct FSkeletalPlacement
	{
		using FActor = ASkeletalMeshActor;
		using FMesh = USkeletalMesh;
		static void LogSpawnFailed()
		{
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] SpawnActor (skeletal) failed"));
			MOLDARIJobs::ReportFailure(TEXT("SpawnActor (skeletal) failed"));
		}
		static void LogPlaced(const FString& Name) { UE_LOG(LogTemp, Log, TEXT("[MOLDARI] Placed ASkeletalMeshActor: %s"), *Name); }
		static void GiveMesh(ASkeletalMeshActor* Actor, USkeletalMesh* Mesh) { Actor->GetSkeletalMeshComponent()->SetSkeletalMesh(Mesh, true); }
	};

	template <class TPlacement>
	void PlaceMeshActor(typename TPlacement::FMesh* Mesh, const FString& Name)
	{
		if (!GEditor)
		{
			MOLDARIJobs::ReportFailure(TEXT("No editor"));
			return;
		}
		UWorld* World = GEditor->GetEditorWorldContext(false).World();
		if (!World)
		{
			UE_LOG(LogTemp, Error, TEXT("[MOLDARI] No editor world"));
			MOLDARIJobs::ReportFailure(TEXT("No editor world"));
			return;
		}

		FActorSpawnParameters SpawnParams;
		SpawnParams.ObjectFlags = RF_Transactional;
		AActor* Spawned = World->SpawnActor(TPlacement::FActor::StaticClass(), &FTransform::Identity, SpawnParams);
		if (!Spawned)
		{
			TPlacement::LogSpawnFailed();
			return;
		}
		typename TPlacement::FActor* Actor = CastChecked<typename TPlacement::FActor>(Spawned);
		TPlacement::GiveMesh(Actor, Mesh);
		// The label is the import's name as given; two imports of one name share it.
		Actor->SetActorLabel(Name, true);
		// Joins the current selection rather than replacing it.
		GEditor->SelectActor(Actor, true, true, false, false);
		GEditor->RedrawAllViewports(true);
		TPlacement::LogPlaced(Name);
		MOLDARIJobs::ReportActor(Name);
	}
}

void PlaceStaticMeshActor(UStaticMesh* Mesh, const FString& Name)
{
	PlaceMeshActor<FStaticPlacement>(Mesh, Name);
}

void PlaceSkeletalMeshActor(USkeletalMesh* Mesh, const FString& Name)
{
	PlaceMeshActor<FSkeletalPlacement>(Mesh, Name);
}
