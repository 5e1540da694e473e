// Reflection macros (empty: the headless editor has no header tool), object, save, load and class
// flags, and DECLARE_CLASS, which gives a class its Super, ThisClass and StaticClass.
#pragma once

#include "CoreTypes.h"

#define UCLASS(...)
#define USTRUCT(...)
#define UENUM(...)
#define UPROPERTY(...)
#define UFUNCTION(...)
#define UINTERFACE(...)
#define UMETA(...)
#define UPARAM(...)
#define GENERATED_BODY(...)
#define GENERATED_UCLASS_BODY(...)
#define GENERATED_USTRUCT_BODY(...)
#define GENERATED_IINTERFACE_BODY(...)

enum EObjectFlags
{
	RF_NoFlags = 0x00000000,
	RF_Public = 0x00000001,
	RF_Standalone = 0x00000002,
	RF_MarkAsNative = 0x00000004,
	RF_Transactional = 0x00000008,
	RF_ClassDefaultObject = 0x00000010,
	RF_ArchetypeObject = 0x00000020,
	RF_Transient = 0x00000040,
	RF_MarkAsRootSet = 0x00000080,
	RF_TagGarbageTemp = 0x00000100,
	RF_NeedInitialization = 0x00000200,
	RF_NeedLoad = 0x00000400,
	RF_KeepForCooker = 0x00000800,
	RF_NeedPostLoad = 0x00001000,
	RF_NeedPostLoadSubobjects = 0x00002000,
	RF_NewerVersionExists = 0x00004000,
	RF_BeginDestroyed = 0x00008000,
	RF_FinishDestroyed = 0x00010000,
	RF_BeingRegenerated = 0x00020000,
	RF_DefaultSubObject = 0x00040000,
	RF_WasLoaded = 0x00080000,
	RF_TextExportTransient = 0x00100000,
	RF_LoadCompleted = 0x00200000,
	RF_InheritableComponentTemplate = 0x00400000,
	RF_DuplicateTransient = 0x00800000,
	RF_StrongRefOnFrame = 0x01000000,
	RF_NonPIEDuplicateTransient = 0x02000000,
	RF_WillBeLoaded = 0x08000000,
	RF_HasExternalPackage = 0x10000000,
	RF_AllocatedInSharedPage = 0x80000000,
};

// RF_Public | RF_Standalone must stay an EObjectFlags, as the engine's ENUM_CLASS_FLAGS makes it.
inline constexpr EObjectFlags operator|(EObjectFlags A, EObjectFlags B) { return static_cast<EObjectFlags>(static_cast<uint32>(A) | static_cast<uint32>(B)); }
inline constexpr EObjectFlags operator&(EObjectFlags A, EObjectFlags B) { return static_cast<EObjectFlags>(static_cast<uint32>(A) & static_cast<uint32>(B)); }
inline constexpr EObjectFlags operator~(EObjectFlags A) { return static_cast<EObjectFlags>(~static_cast<uint32>(A)); }
inline EObjectFlags& operator|=(EObjectFlags& A, EObjectFlags B) { return A = A | B; }
inline EObjectFlags& operator&=(EObjectFlags& A, EObjectFlags B) { return A = A & B; }

enum ESaveFlags
{
	SAVE_None = 0x00000000,
	SAVE_NoError = 0x00000001,
	SAVE_FromAutosave = 0x00000002,
	SAVE_KeepDirty = 0x00000004,
	SAVE_KeepGUID = 0x00000008,
	SAVE_Async = 0x00000010,
	SAVE_Unversioned = 0x00000020,
	SAVE_CutdownPackage = 0x00000040,
	SAVE_KeepEditorOnlyCookedPackages = 0x00000080,
	SAVE_Concurrent = 0x00000100,
	SAVE_DiffOnly = 0x00000200,
	SAVE_DiffCallstack = 0x00000400,
	SAVE_ComputeHash = 0x00000800,
	SAVE_CompareLinker = 0x00001000,
	SAVE_BulkDataByReference = 0x00002000,
};

enum ELoadFlags
{
	LOAD_None = 0x00000000,
	LOAD_NoWarn = 0x00000002,
	LOAD_Quiet = 0x00002000,
};

enum EClassFlags : uint32
{
	CLASS_None = 0x00000000u,
	CLASS_Abstract = 0x00000001u,
	CLASS_Native = 0x00000008u,
	CLASS_Transient = 0x00000010u,
	CLASS_Intrinsic = 0x10000000u,
};
inline constexpr EClassFlags operator|(EClassFlags A, EClassFlags B) { return static_cast<EClassFlags>(static_cast<uint32>(A) | static_cast<uint32>(B)); }

// Cast flags of the engine's intrinsic classes; the headless editor's classes use none.
enum EClassCastFlags : uint64
{
	CASTCLASS_None = 0x0000000000000000,
};

class UClass;

// In a class body, as the engine's generated code (or an intrinsic class) declares it: Super,
// ThisClass, StaticClass, StaticPackage and the static class flags. The class's one UClass is
// defined in its module's source file.
#define DECLARE_CLASS(TClass, TSuperClass, TStaticFlags, TStaticCastFlags, TPackage, TRequiredAPI) \
private: \
	static UClass* GetPrivateStaticClass(); \
public: \
	static constexpr EClassFlags StaticClassFlags = EClassFlags(TStaticFlags); \
	typedef TSuperClass Super; \
	typedef TClass ThisClass; \
	inline static UClass* StaticClass() { return GetPrivateStaticClass(); } \
	inline static const TCHAR* StaticPackage() { return TPackage; } \
	inline static EClassCastFlags StaticClassCastFlags() { return TStaticCastFlags; }
