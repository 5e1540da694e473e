// How a headless-editor class gets its one UClass: IMPLEMENT_HEADLESS_CLASS in the class's .cpp
// file (the engine's generated code does this for a UCLASS). The class body has DECLARE_CLASS.
#pragma once

#include <new>
#include <type_traits>

#include "UObject/ObjectMacros.h"
#include "UObject/Class.h"

namespace UE::CoreUObject::Private
{
	// Placement-constructs an object of the class in memory of the class's size (null for abstract classes).
	using FObjectConstructor = UObject* (*)(void* Memory);
	template <typename T>
	UObject* ConstructObject(void* Memory)
	{
		if constexpr (std::is_abstract_v<T>) { return nullptr; }
		else { return new (Memory) T(); }
	}
	COREUOBJECT_API UClass* RegisterNativeClass(const TCHAR* CppName, const TCHAR* ModuleName, UClass* SuperClass,
		uint32 Size, FObjectConstructor Constructor, EClassFlags Flags);
}

// The one UClass of the class, named "/Script/<Module>.<Name without prefix>". It is defined out of
// line so the plugin (built with hidden visibility) and the host share one UClass; the registrar
// makes the class findable by path before anyone has asked for it. The flags must be the ones the
// class body gives DECLARE_CLASS.
#define IMPLEMENT_HEADLESS_CLASS(TClass, TModule, TClassFlags) \
	static_assert(TClass::StaticClassFlags == EClassFlags(TClassFlags), "IMPLEMENT_HEADLESS_CLASS and DECLARE_CLASS disagree on " #TClass "'s flags"); \
	UClass* TClass::GetPrivateStaticClass() \
	{ \
		static UClass* const Class = UE::CoreUObject::Private::RegisterNativeClass(TEXT(#TClass), TEXT(#TModule), \
			Super::StaticClass(), sizeof(TClass), &UE::CoreUObject::Private::ConstructObject<TClass>, TClassFlags); \
		return Class; \
	} \
	namespace { [[maybe_unused]] UClass* const GHeadlessClassRegistrar_##TClass = TClass::StaticClass(); }
