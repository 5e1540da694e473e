#pragma once
#include "HAL/Platform.h"
#include "Logging/LogMacros.h"

DECLARE_LOG_CATEGORY_EXTERN(LogTemp, Log, All);
DECLARE_LOG_CATEGORY_EXTERN(LogInit, Log, All);
DECLARE_LOG_CATEGORY_EXTERN(LogExit, Log, All);
DECLARE_LOG_CATEGORY_EXTERN(LogSockets, Log, All);
DECLARE_LOG_CATEGORY_EXTERN(LogHttp, Log, All);
DECLARE_LOG_CATEGORY_EXTERN(LogJson, Log, All);
DECLARE_LOG_CATEGORY_EXTERN(LogModuleManager, Log, All);
DECLARE_LOG_CATEGORY_EXTERN(LogPluginManager, Log, All);
DECLARE_LOG_CATEGORY_EXTERN(LogAutomationTest, Log, All);
DECLARE_LOG_CATEGORY_EXTERN(LogSlate, Log, All);
DECLARE_LOG_CATEGORY_EXTERN(LogToolMenus, Log, All);
DECLARE_LOG_CATEGORY_EXTERN(LogHeadlessEditor, Log, All);

// Frame number of the main loop; written by the main thread only.
extern CORE_API uint64 GFrameCounter;
extern CORE_API bool GIsEditor;
extern CORE_API bool GIsRunningUnattendedScript;
// The editor's feedback context (warnings, slow-task progress); the log in the stand-in.
extern CORE_API class FFeedbackContext* GWarn;
// True while a slow task shows its progress dialog.
extern CORE_API bool GIsSlowTask;
CORE_API bool IsInGameThread();
