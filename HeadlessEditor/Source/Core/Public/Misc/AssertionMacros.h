// check/verify/ensure as the engine's development builds have them: checks stay on.
#pragma once

#include "HAL/Platform.h"

namespace UE::HeadlessEditor
{
	[[noreturn]] CORE_API void AssertFailed(const char* Expr, const char* File, int Line, const char* Message);
	CORE_API void EnsureFailed(const char* Expr, const char* File, int Line);
}

#define check(expr) do { if (!(expr)) { ::UE::HeadlessEditor::AssertFailed(#expr, __FILE__, __LINE__, ""); } } while (0)
#define checkf(expr, format, ...) do { if (!(expr)) { ::UE::HeadlessEditor::AssertFailed(#expr, __FILE__, __LINE__, "checkf"); } } while (0)
#define verify(expr) do { if (!(expr)) { ::UE::HeadlessEditor::AssertFailed(#expr, __FILE__, __LINE__, ""); } } while (0)
#define verifyf(expr, format, ...) verify(expr)
#define checkNoEntry() ::UE::HeadlessEditor::AssertFailed("Enclosing block should never be called", __FILE__, __LINE__, "")
#define checkSlow(expr) check(expr)
#define ensure(expr) ((expr) || (::UE::HeadlessEditor::EnsureFailed(#expr, __FILE__, __LINE__), false))
#define ensureMsgf(expr, format, ...) ensure(expr)
