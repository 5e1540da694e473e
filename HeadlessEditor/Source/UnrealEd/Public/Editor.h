// GEditor: the editor engine (null when the engine runs without the editor).
#pragma once

#include "Editor/EditorEngine.h"

extern UNREALED_API class UEditorEngine* GEditor;
