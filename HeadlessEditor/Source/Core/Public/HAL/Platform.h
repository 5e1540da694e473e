// Platform types and macros of the engine's Linux build: TCHAR is a 16-bit code unit.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint8_t  uint8;
typedef uint16_t uint16;
typedef uint32_t uint32;
typedef uint64_t uint64;
typedef int8_t   int8;
typedef int16_t  int16;
typedef int32_t  int32;
typedef int64_t  int64;
typedef size_t   SIZE_T;
typedef ptrdiff_t SSIZE_T;
typedef uintptr_t UPTRINT;
typedef intptr_t  PTRINT;

typedef char     ANSICHAR;
typedef wchar_t  WIDECHAR;
typedef char8_t  UTF8CHAR;
typedef char16_t UTF16CHAR;
typedef char32_t UTF32CHAR;
typedef char16_t TCHAR;

#define TEXT_PASTE(x) u ## x
#define TEXT(x) TEXT_PASTE(x)

#ifndef PLATFORM_WINDOWS
#define PLATFORM_WINDOWS 0
#endif
#ifndef PLATFORM_LINUX
#define PLATFORM_LINUX 1
#endif
#define PLATFORM_UNIX 1
#define PLATFORM_MAC 0

#ifndef WITH_EDITOR
#define WITH_EDITOR 1
#endif
#ifndef WITH_EDITORONLY_DATA
#define WITH_EDITORONLY_DATA 1
#endif
#ifndef WITH_DEV_AUTOMATION_TESTS
#define WITH_DEV_AUTOMATION_TESTS 1
#endif
#ifndef UE_BUILD_SHIPPING
#define UE_BUILD_SHIPPING 0
#endif
#define DO_CHECK 1

#define INDEX_NONE (-1)
#define MAX_int32 ((int32)0x7fffffff)
#define MIN_int32 ((int32)0x80000000)
#define MAX_uint32 ((uint32)0xffffffff)
#define MAX_int64 ((int64)0x7fffffffffffffffLL)
#define MAX_uint64 ((uint64)0xffffffffffffffffULL)
#define MAX_uint16 ((uint16)0xffff)
#define MAX_uint8 ((uint8)0xff)

#define FORCEINLINE inline __attribute__((always_inline))
#define FORCENOINLINE __attribute__((noinline))
#define DLLEXPORT __attribute__((visibility("default")))
#define DLLIMPORT __attribute__((visibility("default")))
#define UE_NODISCARD [[nodiscard]]
#define LINE_TERMINATOR TEXT("\n")

// Third-party headers are wrapped by these in engine code; nothing to silence here.
#define THIRD_PARTY_INCLUDES_START
#define THIRD_PARTY_INCLUDES_END
// Code that must still call a deprecated declaration wraps the call in these.
#define PRAGMA_DISABLE_DEPRECATION_WARNINGS _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wdeprecated-declarations\"")
#define PRAGMA_ENABLE_DEPRECATION_WARNINGS _Pragma("GCC diagnostic pop")

#define UE_ARRAY_COUNT(Array) (sizeof(Array) / sizeof((Array)[0]))
#define ARRAY_COUNT(Array) UE_ARRAY_COUNT(Array)

// Export macros of the engine's modules: everything the stand-in exports is public.
#define CORE_API DLLEXPORT
#define COREUOBJECT_API DLLEXPORT
#define ENGINE_API DLLEXPORT
#define SOCKETS_API DLLEXPORT
#define HTTP_API DLLEXPORT
#define JSON_API DLLEXPORT
#define PROJECTS_API DLLEXPORT
#define SLATE_API DLLEXPORT
#define SLATECORE_API DLLEXPORT
#define TOOLMENUS_API DLLEXPORT
#define UNREALED_API DLLEXPORT
#define ASSETTOOLS_API DLLEXPORT
#define ASSETREGISTRY_API DLLEXPORT
#define MATERIALEDITOR_API DLLEXPORT
#define CONTENTBROWSER_API DLLEXPORT
