// The editor engine: GEditor, its world (an unsaved map in the transient package, so nothing ever
// saves it), the actor selection and the viewport redraw requests.
#include "Editor.h"
#include "Editor/EditorEngine.h"
#include "Selection.h"
#include "Engine/Engine.h"
#include "Engine/Level.h"
#include "Engine/World.h"
#include "GameFramework/Actor.h"
#include "UObject/UObjectGlobals.h"
#include "UObject/PropertyArchive.h"

#include "EditorHost.h"
#include "UObjectHost.h"
#include "HeadlessClass.h"

#include <atomic>

DEFINE_LOG_CATEGORY_STATIC(LogEditor, Log, All);

IMPLEMENT_HEADLESS_CLASS(UEditorEngine, UnrealEd, CLASS_Transient)
IMPLEMENT_HEADLESS_CLASS(USelection, UnrealEd, CLASS_Transient)

namespace
{
	std::atomic<int32> GRedrawCount{ 0 };

	UWorld* MakeEditorWorld()
	{
		UWorld* World = NewObject<UWorld>(GetTransientPackage(), NAME_None, RF_Transactional);
		ULevel* Level = NewObject<ULevel>(World, FName(TEXT("PersistentLevel")), RF_Transactional);
		Level->OwningWorld = World;
		World->PersistentLevel = Level;
		World->SetCurrentLevel(Level);
		return World;
	}

	UEditorEngine* MakeEditorEngine()
	{
		UEditorEngine* Editor = NewObject<UEditorEngine>(GetTransientPackage(), FName(TEXT("EditorEngine")), RF_NoFlags);
		GEngine = Editor;
		return Editor;
	}
}

// Made when the library loads: the editor is there before any plugin starts.
UEditorEngine* GEditor = MakeEditorEngine();

// --- Selection ----------------------------------------------------------------------------------

void USelection::Select(UObject* InObject)
{
	if (IsValid(InObject) && !IsSelected(InObject)) { SelectedObjects.Add(InObject); }
}

void USelection::Deselect(UObject* InObject)
{
	SelectedObjects.RemoveAll([InObject](const TObjectPtr<UObject>& Selected) { return Selected.Get() == InObject; });
}

void USelection::DeselectAll(UClass* InClass)
{
	SelectedObjects.RemoveAll([InClass](const TObjectPtr<UObject>& Selected) { return !Selected || !InClass || Selected->IsA(InClass); });
}

bool USelection::IsSelected(const UObject* InObject) const
{
	if (!InObject) { return false; }
	for (const TObjectPtr<UObject>& Selected : SelectedObjects) { if (Selected.Get() == InObject) { return true; } }
	return false;
}

TArray<UObject*> USelection::GetLive() const
{
	TArray<UObject*> Live;
	for (const TObjectPtr<UObject>& Selected : SelectedObjects) { if (IsValid(Selected.Get())) { Live.Add(Selected.Get()); } }
	return Live;
}

int32 USelection::Num() const { return GetLive().Num(); }

UObject* USelection::GetSelectedObject(int32 InIndex) const
{
	const TArray<UObject*> Live = GetLive();
	return Live.IsValidIndex(InIndex) ? Live[InIndex] : nullptr;
}

void USelection::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	Ar.Property(TEXT("SelectedObjects"), SelectedObjects);
}

// --- Editor engine ------------------------------------------------------------------------------

void UEditorEngine::PostInitProperties()
{
	Super::PostInitProperties();
	SelectedActors = NewObject<USelection>(this, FName(TEXT("SelectedActors")), RF_Transactional);
	EditorWorldContext.WorldType = EWorldType::Editor;
	EditorWorldContext.SetCurrentWorld(MakeEditorWorld());
}

FWorldContext& UEditorEngine::GetEditorWorldContext(bool bEnsureIsGWorld)
{
	// The world is never left dangling: one destroyed behind the editor's back is replaced.
	if (!IsValid(EditorWorldContext.World())) { EditorWorldContext.SetCurrentWorld(MakeEditorWorld()); }
	return EditorWorldContext;
}

void UEditorEngine::SelectActor(AActor* Actor, bool bInSelected, bool bNotify, bool bSelectEvenIfHidden, bool bForceRefresh)
{
	if (!IsValid(Actor) || !SelectedActors) { return; }
	if (!bInSelected)
	{
		SelectedActors->Deselect(Actor);
		return;
	}
	if (Actor->IsHiddenEd() && !bSelectEvenIfHidden) { return; }
	SelectedActors->Select(Actor);
}

void UEditorEngine::SelectNone(bool bNoteSelectionChange, bool bDeselectBSPSurfs, bool WarnAboutManyActors)
{
	if (SelectedActors) { SelectedActors->DeselectAll(); }
}

int32 UEditorEngine::GetSelectedActorCount() const
{
	return SelectedActors ? SelectedActors->Num() : 0;
}

void UEditorEngine::RedrawAllViewports(bool bInvalidateHitProxies)
{
	if (GRedrawCount.fetch_add(1) == 0)
	{
		UE_LOG(LogEditor, Warning, TEXT("RedrawAllViewports: the headless editor has no viewports, so nothing is drawn (this is said once)"));
	}
}

void UEditorEngine::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	Ar.Property(TEXT("SelectedActors"), SelectedActors);
}

namespace UE::HeadlessEditor
{
	UWorld* ResetEditorWorld()
	{
		if (!GEditor) { return nullptr; }
		FWorldContext& Context = GEditor->GetEditorWorldContext();
		if (GEditor->GetSelectedActors()) { GEditor->GetSelectedActors()->DeselectAll(); }
		UWorld* Old = Context.World();
		Context.SetCurrentWorld(MakeEditorWorld());
		DestroyObject(Old);
		return Context.World();
	}

	int32 GetViewportRedrawCount() { return GRedrawCount.load(); }
}
