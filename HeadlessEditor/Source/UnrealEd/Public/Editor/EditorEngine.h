// UEditorEngine: the editor's engine: its one editor world, the actor selection, the viewports.
#pragma once

#include "Engine/Engine.h"

class AActor;
class USelection;

class UNREALED_API UEditorEngine : public UEngine
{
	DECLARE_CLASS(UEditorEngine, UEngine, CLASS_Transient, CASTCLASS_None, TEXT("/Script/UnrealEd"), UNREALED_API)

	// The context of the world the level editor shows (there is exactly one).
	FWorldContext& GetEditorWorldContext(bool bEnsureIsGWorld = false);

	// Adds the actor to the selection, or takes it out. A hidden actor is only selected with
	// bSelectEvenIfHidden. The current selection is not cleared first.
	virtual void SelectActor(AActor* Actor, bool bInSelected, bool bNotify, bool bSelectEvenIfHidden = false, bool bForceRefresh = false);
	virtual void SelectNone(bool bNoteSelectionChange, bool bDeselectBSPSurfs, bool WarnAboutManyActors = true);
	USelection* GetSelectedActors() const { return SelectedActors; }
	int32 GetSelectedActorCount() const;

	// The headless editor has no viewports: the request is counted and said once in the log.
	void RedrawAllViewports(bool bInvalidateHitProxies = true);

	void PostInitProperties() override;
protected:
	void SerializeProperties(FPropertyArchive& Ar) override;

private:
	FWorldContext EditorWorldContext;
	TObjectPtr<USelection> SelectedActors;
};
