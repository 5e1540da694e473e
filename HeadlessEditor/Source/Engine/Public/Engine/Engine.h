// UEngine and FWorldContext: the engine object and the worlds it runs.
#pragma once

#include "UObject/Object.h"

class UWorld;

enum class EWorldType : uint8 { None, Game, Editor, PIE, EditorPreview, GamePreview, GameRPC, Inactive };

struct ENGINE_API FWorldContext
{
	EWorldType WorldType = EWorldType::None;

	FORCEINLINE UWorld* World() const { return ThisCurrentWorld; }
	void SetCurrentWorld(UWorld* World) { ThisCurrentWorld = World; }

private:
	UWorld* ThisCurrentWorld = nullptr;
};

class ENGINE_API UEngine : public UObject
{
	DECLARE_CLASS(UEngine, UObject, CLASS_None, CASTCLASS_None, TEXT("/Script/Engine"), ENGINE_API)
};

// The running engine (in the editor, the editor engine).
extern ENGINE_API UEngine* GEngine;
