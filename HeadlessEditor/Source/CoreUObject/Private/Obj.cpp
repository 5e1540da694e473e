// The object table: every object made by NewObject or loaded from a package, with its class, name
// and outer, until DestroyObject. Classes are registered natively and live for the process.
#include "UObject/Object.h"
#include "UObject/Class.h"
#include "UObject/Package.h"
#include "UObject/UObjectGlobals.h"
#include "UObject/UnrealType.h"
#include "UObject/PropertyArchive.h"
#include "Misc/PackageName.h"

#include "ObjectTable.h"
#include "UObjectHost.h"
#include "HeadlessString.h"
#include "HeadlessClass.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <unordered_map>
#include <vector>

DEFINE_LOG_CATEGORY(LogUObjectGlobals);

using namespace UE::CoreUObject::Private;

namespace
{
	struct FPendingIdentity
	{
		UClass* Class = nullptr;
		FName Name;
		UObject* Outer = nullptr;
		EObjectFlags Flags = RF_NoFlags;
		uint32 Id = 0;
	};
	// Set by StaticNewObject just before it constructs an object: the first UObjectBase constructor
	// to run takes it, so the identity is there before any constructor body runs.
	thread_local FPendingIdentity* GPendingIdentity = nullptr;

	struct FOuterNameKey
	{
		const UObject* Outer;
		int32 Name;
		bool operator==(const FOuterNameKey& Other) const { return Outer == Other.Outer && Name == Other.Name; }
	};
	struct FOuterNameHash
	{
		size_t operator()(const FOuterNameKey& Key) const { return std::hash<const void*>()(Key.Outer) ^ (static_cast<size_t>(Key.Name) * 0x9E3779B97F4A7C15ull); }
	};

	struct FObjectTable
	{
		std::recursive_mutex Mutex;
		std::vector<UObject*> Objects;   // creation order
		std::unordered_map<const UObjectBase*, size_t> Index;
		std::unordered_map<FOuterNameKey, UObject*, FOuterNameHash> ByOuterAndName;
		std::map<std::u16string, int32> NameCounters;   // per class, for NAME_None
		uint32 NextId = 1;

		void Add(UObject* Object)
		{
			Index[Object] = Objects.size();
			Objects.push_back(Object);
			ByOuterAndName[{ Object->GetOuter(), Object->GetFName().GetComparisonIndex() }] = Object;
		}
		void Remove(UObject* Object)
		{
			auto Found = Index.find(Object);
			if (Found == Index.end()) { return; }
			const size_t At = Found->second;
			Objects.erase(Objects.begin() + static_cast<std::ptrdiff_t>(At));
			Index.erase(Found);
			for (size_t I = At; I < Objects.size(); ++I) { Index[Objects[I]] = I; }
			auto ByName = ByOuterAndName.find({ Object->GetOuter(), Object->GetFName().GetComparisonIndex() });
			if (ByName != ByOuterAndName.end() && ByName->second == Object) { ByOuterAndName.erase(ByName); }
		}
		UObject* Find(const UObject* Outer, FName Name)
		{
			auto Found = ByOuterAndName.find({ Outer, Name.GetComparisonIndex() });
			return Found == ByOuterAndName.end() ? nullptr : Found->second;
		}
	};

	FObjectTable& Table()
	{
		static FObjectTable Instance;
		return Instance;
	}

	struct FClassRegistry
	{
		std::recursive_mutex Mutex;
		std::vector<UClass*> Classes;
		std::unordered_map<std::u16string, UClass*> ByPath;   // lower-cased "/Script/Module.Name"
		UClass* ClassClass = nullptr;
	};

	FClassRegistry& Classes()
	{
		static FClassRegistry Instance;
		return Instance;
	}

	// Visits object references only, and can replace them.
	class FReferenceVisitor final : public FPropertyArchive
	{
	public:
		explicit FReferenceVisitor(TFunction<UObject*(UObject*)> InOnReference) : FPropertyArchive(false), OnReference(std::move(InOnReference)) {}

		void Property(const TCHAR*, bool&) override {}
		void Property(const TCHAR*, uint8&) override {}
		void Property(const TCHAR*, int32&) override {}
		void Property(const TCHAR*, uint32&) override {}
		void Property(const TCHAR*, int64&) override {}
		void Property(const TCHAR*, float&) override {}
		void Property(const TCHAR*, double&) override {}
		void Property(const TCHAR*, FString&) override {}
		void Property(const TCHAR*, FName&) override {}
		void Property(const TCHAR*, UObject*& Value) override { if (Value) { Value = OnReference(Value); } }
		void Property(const TCHAR*, TArray<uint8>&) override {}
		void Property(const TCHAR*, TArray<int32>&) override {}
		void Property(const TCHAR*, TArray<uint32>&) override {}
		void Property(const TCHAR*, TArray<float>&) override {}
		void Property(const TCHAR*, TArray<FString>&) override {}
		void Property(const TCHAR*, TArray<FName>&) override {}
		void Property(const TCHAR*, TArray<UObject*>& Value) override
		{
			for (UObject*& Item : Value) { if (Item) { Item = OnReference(Item); } }
		}

	private:
		TFunction<UObject*(UObject*)> OnReference;
	};

	void CollectInner(const UObject* Outer, bool bNested, TArray<UObject*>& Out)
	{
		FObjectTable& T = Table();
		const int32 Start = Out.Num();
		for (UObject* Object : T.Objects) { if (Object->GetOuter() == Outer) { Out.Add(Object); } }
		if (!bNested) { return; }
		const int32 End = Out.Num();
		for (int32 I = Start; I < End; ++I) { CollectInner(Out[I], true, Out); }
	}

	FString ClassNameOf(const UObjectBase* Object)
	{
		const UClass* Class = Object->GetClass();
		return Class ? Class->GetName() : FString(TEXT("Object"));
	}
}

namespace UE::CoreUObject::Private
{
	int32& LoadingDepth()
	{
		static thread_local int32 Depth = 0;
		return Depth;
	}

	bool IsInObjectTable(const UObjectBase* Object)
	{
		std::lock_guard<std::recursive_mutex> Lock(Table().Mutex);
		return Table().Index.count(Object) != 0;
	}

	UClass* RegisterNativeClass(const TCHAR* CppName, const TCHAR* ModuleName, UClass* SuperClass, uint32 Size, FObjectConstructor Constructor, EClassFlags Flags)
	{
		FClassRegistry& Registry = Classes();
		std::lock_guard<std::recursive_mutex> Lock(Registry.Mutex);
		UClass* Class = new UClass();
		const FString Cpp(CppName);
		// The engine's names drop the U/A prefix: UStaticMesh is "StaticMesh".
		const FString Name = (Cpp.Len() > 1 && (Cpp[0] == 'U' || Cpp[0] == 'A')) ? Cpp.RightChop(1) : Cpp;
		FObjectTableAccess::SetIdentity(Class, Registry.ClassClass, FName(Name), nullptr, RF_Public | RF_MarkAsNative);
		const FTopLevelAssetPath Path(FName(FString(TEXT("/Script/")) + ModuleName), FName(Name));
		FObjectTableAccess::InitClass(Class, SuperClass, Path, Flags | CLASS_Native, Size, Constructor);
		Registry.Classes.push_back(Class);
		Registry.ByPath[UE::HeadlessEditor::GetStdString(Path.ToString().ToLower())] = Class;
		if (Cpp == TEXT("UClass"))
		{
			// Classes registered before UClass itself get their class now.
			Registry.ClassClass = Class;
			for (UClass* Existing : Registry.Classes) { FObjectTableAccess::SetClass(Existing, Class); }
		}
		return Class;
	}

	UObject* StaticNewObject(const UClass* InClass, UObject* Outer, FName Name, EObjectFlags Flags)
	{
		UClass* Class = const_cast<UClass*>(InClass);
		if (!Class)
		{
			UE_LOG(LogUObjectGlobals, Error, TEXT("NewObject: no class given"));
			return nullptr;
		}
		if (Class->HasAnyClassFlags(CLASS_Abstract) || !FObjectTableAccess::GetConstructor(Class))
		{
			UE_LOG(LogUObjectGlobals, Error, TEXT("NewObject: class %s is abstract; no object can be made of it"), *Class->GetName());
			return nullptr;
		}
		const bool bIsPackage = Class->IsChildOf(UPackage::StaticClass());
		if (!Outer && !bIsPackage)
		{
			UE_LOG(LogUObjectGlobals, Error, TEXT("NewObject: an object of class %s needs an outer"), *Class->GetName());
			return nullptr;
		}
		if (Outer && !IsValid(Outer))
		{
			UE_LOG(LogUObjectGlobals, Error, TEXT("NewObject: the outer of a new %s is not a live object"), *Class->GetName());
			return nullptr;
		}

		FObjectTable& T = Table();
		std::lock_guard<std::recursive_mutex> Lock(T.Mutex);
		if (Name.IsNone())
		{
			const FString Base = Class->GetName();
			int32& Counter = T.NameCounters[UE::HeadlessEditor::GetStdString(Base.ToLower())];
			do { Name = FName(FString::Printf(TEXT("%s_%d"), *Base, Counter++)); } while (T.Find(Outer, Name));
		}

		FPendingIdentity Pending{ Class, Name, Outer, Flags, 0 };
		if (UObject* Existing = T.Find(Outer, Name))
		{
			if (Existing->GetClass() != Class)
			{
				UE_LOG(LogUObjectGlobals, Error, TEXT("Cannot replace existing object %s of class %s with a new object of class %s"),
					*Existing->GetPathName(), *ClassNameOf(Existing), *Class->GetName());
				return nullptr;
			}
			// Replaced in place, as the engine does: the same address, constructed anew. Objects
			// inside the old one go with it.
			TArray<UObject*> Inner;
			CollectInner(Existing, false, Inner);
			for (UObject* Object : Inner) { UE::HeadlessEditor::DestroyObject(Object); }
			Pending.Id = Existing->GetUniqueID();
			const EObjectFlags Kept = Existing->GetFlags() & RF_WasLoaded;
			Pending.Flags = Flags | Kept;
			Existing->~UObject();
			GPendingIdentity = &Pending;
			UObject* Object = FObjectTableAccess::GetConstructor(Class)(Existing);
			GPendingIdentity = nullptr;
			Object->PostInitProperties();
			return Object;
		}

		Pending.Id = T.NextId++;
		void* Memory = ::operator new(FObjectTableAccess::GetObjectSize(Class));
		GPendingIdentity = &Pending;
		UObject* Object = FObjectTableAccess::GetConstructor(Class)(Memory);
		GPendingIdentity = nullptr;
		T.Add(Object);
		Object->PostInitProperties();
		return Object;
	}
}

// --- UObjectBase / UObjectBaseUtility / UObject ------------------------------------------------

UObjectBase::UObjectBase()
{
	if (FPendingIdentity* Pending = GPendingIdentity)
	{
		GPendingIdentity = nullptr;
		ClassPrivate = Pending->Class;
		NamePrivate = Pending->Name;
		OuterPrivate = Pending->Outer;
		ObjectFlags = Pending->Flags;
		UniqueId = Pending->Id;
	}
}

UObjectBase::~UObjectBase() = default;

namespace
{
	// Decided from the tables alone, never through the pointer: it may be one of a destroyed object.
	bool IsLiveAddress(const void* Address)
	{
		if (!Address) { return false; }
		{
			std::lock_guard<std::recursive_mutex> Lock(Table().Mutex);
			if (Table().Index.count(static_cast<const UObjectBase*>(Address))) { return true; }
		}
		FClassRegistry& Registry = Classes();
		std::lock_guard<std::recursive_mutex> Lock(Registry.Mutex);
		return std::find(Registry.Classes.begin(), Registry.Classes.end(), Address) != Registry.Classes.end();
	}
}

bool UObjectBase::IsValidLowLevel() const
{
	return IsLiveAddress(this);
}

FString UObjectBaseUtility::GetPathName(const UObject* StopOuter) const
{
	if (this == StopOuter) { return TEXT("None"); }
	const UObject* Outer = GetOuter();
	if (!Outer)
	{
		if (HasAnyFlags(RF_MarkAsNative) && GetClass() == UClass::StaticClass())
		{
			return static_cast<const UClass*>(this)->GetClassPathName().ToString();
		}
		return GetName();
	}
	if (Outer == StopOuter) { return GetName(); }
	const UObject* OuterOuter = Outer->GetOuter();
	// The engine's delimiters: '.' after a package, ':' after a top-level object, '.' below that.
	const TCHAR* Delimiter = (OuterOuter && !Outer->IsA(UPackage::StaticClass()) && OuterOuter->IsA(UPackage::StaticClass())) ? TEXT(":") : TEXT(".");
	return Outer->GetPathName(StopOuter) + Delimiter + GetName();
}

FString UObjectBaseUtility::GetFullName(const UObject* StopOuter) const
{
	return ClassNameOf(this) + TEXT(" ") + GetPathName(StopOuter);
}

UPackage* UObjectBaseUtility::GetOutermost() const
{
	const UObjectBase* Top = this;
	while (Top->GetOuter()) { Top = Top->GetOuter(); }
	const UObject* TopObject = static_cast<const UObject*>(static_cast<const UObjectBaseUtility*>(Top));
	return TopObject->IsA(UPackage::StaticClass()) ? const_cast<UPackage*>(static_cast<const UPackage*>(TopObject)) : nullptr;
}

bool UObjectBaseUtility::IsIn(const UObject* SomeOuter) const
{
	for (const UObject* Outer = GetOuter(); Outer; Outer = Outer->GetOuter())
	{
		if (Outer == SomeOuter) { return true; }
	}
	return false;
}

UObject* UObjectBaseUtility::GetTypedOuter(const UClass* Target) const
{
	for (UObject* Outer = GetOuter(); Outer; Outer = Outer->GetOuter())
	{
		if (Outer->IsA(Target)) { return Outer; }
	}
	return nullptr;
}

bool UObjectBaseUtility::MarkPackageDirty() const
{
	UPackage* Package = GetOutermost();
	if (!Package || Package == GetTransientPackage() || HasAnyFlags(RF_Transient) || LoadingDepth() > 0) { return false; }
	Package->SetDirtyFlag(true);
	return true;
}

bool UObjectBaseUtility::IsA(const UClass* SomeBase) const
{
	const UClass* Class = GetClass();
	return SomeBase && Class && Class->IsChildOf(SomeBase);
}

UClass* UObject::StaticClass()
{
	static UClass* const Class = RegisterNativeClass(TEXT("UObject"), TEXT("CoreUObject"), nullptr, sizeof(UObject), &ConstructObject<UObject>, CLASS_None);
	return Class;
}
namespace { [[maybe_unused]] UClass* const GHeadlessClassRegistrar_UObject = UObject::StaticClass(); }

#if WITH_EDITOR
void UObject::PostEditChange()
{
	FPropertyChangedEvent Event(nullptr);
	PostEditChangeProperty(Event);
}

void UObject::PostEditChangeProperty(FPropertyChangedEvent& PropertyChangedEvent) {}
#endif

bool UObject::Modify(bool bAlwaysMarkDirty)
{
	return bAlwaysMarkDirty ? MarkPackageDirty() : false;
}

bool UObject::IsAsset() const
{
	const UObject* Outer = GetOuter();
	return Outer && Outer->IsA(UPackage::StaticClass()) && Outer != GetTransientPackage() && !HasAnyFlags(RF_Transient | RF_ClassDefaultObject);
}

bool IsValid(const UObject* Test)
{
	// UObject derives from UObjectBase alone, first and without virtual bases: same address.
	return IsLiveAddress(static_cast<const void*>(Test));
}

// --- UField / UStruct / UClass ------------------------------------------------------------------

IMPLEMENT_HEADLESS_CLASS(UField, CoreUObject, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(UStruct, CoreUObject, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(UClass, CoreUObject, CLASS_Abstract)

bool UStruct::IsChildOf(const UStruct* SomeBase) const
{
	if (!SomeBase) { return false; }
	for (const UStruct* Struct = this; Struct; Struct = Struct->GetSuperStruct())
	{
		if (Struct == SomeBase) { return true; }
	}
	return false;
}

TArray<UClass*> UE::HeadlessEditor::GetAllClasses()
{
	FClassRegistry& Registry = Classes();
	std::lock_guard<std::recursive_mutex> Lock(Registry.Mutex);
	TArray<UClass*> Result;
	for (UClass* Class : Registry.Classes) { Result.Add(Class); }
	return Result;
}

// --- Finding objects ----------------------------------------------------------------------------

namespace
{
	// The native class registered under a path ("/Script/Engine.StaticMesh"), or null.
	UClass* FindRegisteredClass(const FTopLevelAssetPath& Path)
	{
		FClassRegistry& Registry = Classes();
		std::lock_guard<std::recursive_mutex> Lock(Registry.Mutex);
		auto Found = Registry.ByPath.find(UE::HeadlessEditor::GetStdString(Path.ToString().ToLower()));
		return Found == Registry.ByPath.end() ? nullptr : Found->second;
	}

	bool ClassMatches(const UObject* Object, const UClass* Class, bool bExact)
	{
		if (!Class) { return true; }
		return bExact ? Object->GetClass() == Class : Object->IsA(Class);
	}
}

UObject* StaticFindObject(UClass* Class, UObject* InOuter, const TCHAR* InName, bool ExactClass)
{
	if (!InName || !*InName) { return nullptr; }
	FString Name(InName);
	FObjectTable& T = Table();
	std::lock_guard<std::recursive_mutex> Lock(T.Mutex);
	if (InOuter)
	{
		UObject* Found = T.Find(InOuter, FName(Name));
		return Found && ClassMatches(Found, Class, ExactClass) ? Found : nullptr;
	}
	if (Name.StartsWith(TEXT("/Script/")))
	{
		UClass* Found = FindRegisteredClass(FTopLevelAssetPath(Name));
		return Found && ClassMatches(Found, Class, ExactClass) ? Found : nullptr;
	}
	// A path: "/Game/A/B" (the package, or its asset of the same name), "/Game/A/B.B", "/Game/A/B.B:Sub.Inner".
	int32 Dot = INDEX_NONE;
	Name.FindChar('.', Dot);
	const FString PackageName = Dot == INDEX_NONE ? Name : Name.Left(Dot);
	UObject* Current = T.Find(nullptr, FName(PackageName));
	if (!Current) { return nullptr; }
	if (Dot == INDEX_NONE)
	{
		if (ClassMatches(Current, Class, ExactClass)) { return Current; }
		UObject* Asset = T.Find(Current, FName(FPackageName::GetShortName(PackageName)));
		return Asset && ClassMatches(Asset, Class, ExactClass) ? Asset : nullptr;
	}
	FString Rest = Name.RightChop(Dot + 1).Replace(TEXT(":"), TEXT("."));
	TArray<FString> Parts;
	Rest.ParseIntoArray(Parts, TEXT("."), false);
	for (const FString& Part : Parts)
	{
		if (Part.IsEmpty()) { return nullptr; }
		Current = T.Find(Current, FName(Part));
		if (!Current) { return nullptr; }
	}
	return ClassMatches(Current, Class, ExactClass) ? Current : nullptr;
}

UObject* StaticFindObject(UClass* Class, FTopLevelAssetPath ObjectPath, bool ExactClass)
{
	if (!ObjectPath.IsValid()) { return nullptr; }
	return StaticFindObject(Class, nullptr, *ObjectPath.ToString(), ExactClass);
}

UObject* StaticLoadObject(UClass* Class, UObject* InOuter, const TCHAR* Name, const TCHAR* Filename, uint32 LoadFlags)
{
	if (UObject* Found = StaticFindObject(Class, InOuter, Name)) { return Found; }
	if (InOuter || !Name) { return nullptr; }
	FString Path(Name);
	if (!Path.StartsWith(TEXT("/")) || Path.StartsWith(TEXT("/Script/"))) { return nullptr; }
	const FString PackageName = FPackageName::ObjectPathToPackageName(Path);
	if (!LoadPackage(nullptr, *PackageName, LoadFlags)) { return nullptr; }
	return StaticFindObject(Class, nullptr, Name);
}

// --- Host view ----------------------------------------------------------------------------------

namespace UE::HeadlessEditor
{
	TArray<UObject*> GetAllObjects()
	{
		std::lock_guard<std::recursive_mutex> Lock(Table().Mutex);
		TArray<UObject*> Result;
		for (UObject* Object : Table().Objects) { Result.Add(Object); }
		return Result;
	}

	TArray<UObject*> GetObjectsWithOuter(const UObject* Outer, bool bIncludeNestedObjects)
	{
		std::lock_guard<std::recursive_mutex> Lock(Table().Mutex);
		TArray<UObject*> Result;
		CollectInner(Outer, bIncludeNestedObjects, Result);
		return Result;
	}

	TArray<UPackage*> GetLoadedPackages()
	{
		std::lock_guard<std::recursive_mutex> Lock(Table().Mutex);
		TArray<UPackage*> Result;
		UPackage* Transient = GetTransientPackage();
		for (UObject* Object : Table().Objects)
		{
			if (!Object->GetOuter() && Object != Transient && Object->IsA(UPackage::StaticClass())) { Result.Add(static_cast<UPackage*>(Object)); }
		}
		return Result;
	}

	UPackage* FindPackage(const FString& LongPackageName)
	{
		if (LongPackageName.IsEmpty()) { return nullptr; }
		std::lock_guard<std::recursive_mutex> Lock(Table().Mutex);
		UObject* Found = Table().Find(nullptr, FName(LongPackageName));
		return Found && Found->IsA(UPackage::StaticClass()) ? static_cast<UPackage*>(Found) : nullptr;
	}

	TArray<UObject*> GetReferencedObjects(UObject* Object)
	{
		TArray<UObject*> Result;
		if (!IsValid(Object)) { return Result; }
		FReferenceVisitor Visitor([&Result](UObject* Reference) { Result.AddUnique(Reference); return Reference; });
		FObjectTableAccess::SerializeProperties(Object, Visitor);
		return Result;
	}

	TArray<UObject*> FindReferencers(const UObject* Target)
	{
		TArray<UObject*> Result;
		if (!IsValid(Target)) { return Result; }
		for (UObject* Object : GetAllObjects())
		{
			if (Object == Target || Object->IsIn(Target)) { continue; }
			bool bRefers = false;
			FReferenceVisitor Visitor([&bRefers, Target](UObject* Reference) { bRefers |= (Reference == Target); return Reference; });
			FObjectTableAccess::SerializeProperties(Object, Visitor);
			if (bRefers) { Result.Add(Object); }
		}
		return Result;
	}

	namespace
	{
		// Destroys the given objects and everything inside them in one pass over the referencers.
		void DestroyObjects(const TArray<UObject*>& Roots)
		{
			FObjectTable& T = Table();
			std::lock_guard<std::recursive_mutex> Lock(T.Mutex);
			TArray<UObject*> Doomed;
			std::unordered_map<const UObject*, bool> DoomedSet;
			for (UObject* Root : Roots)
			{
				if (!Root || !T.Index.count(Root) || DoomedSet.count(Root)) { continue; }
				if (Root == GetTransientPackage())
				{
					UE_LOG(LogUObjectGlobals, Error, TEXT("The transient package cannot be destroyed"));
					continue;
				}
				TArray<UObject*> Tree;
				Tree.Add(Root);
				CollectInner(Root, true, Tree);
				for (UObject* D : Tree)
				{
					if (DoomedSet.emplace(D, true).second) { Doomed.Add(D); }
				}
			}
			if (Doomed.Num() == 0) { return; }

			for (UObject* D : Doomed) { OnObjectDestroyed().Broadcast(D); }

			// Nothing may keep pointing at what goes away: clear those properties, and the holders'
			// packages need a save.
			for (UObject* Other : GetAllObjects())
			{
				if (DoomedSet.count(Other)) { continue; }
				bool bChanged = false;
				FReferenceVisitor Visitor([&](UObject* Reference) -> UObject* {
					if (DoomedSet.count(Reference)) { bChanged = true; return nullptr; }
					return Reference;
				});
				FObjectTableAccess::SerializeProperties(Other, Visitor);
				if (bChanged) { Other->MarkPackageDirty(); }
			}

			// Innermost first, so no object outlives its outer.
			for (int32 I = Doomed.Num() - 1; I >= 0; --I)
			{
				UObject* D = Doomed[I];
				T.Remove(D);
				D->~UObject();
				::operator delete(static_cast<void*>(D));
			}
		}
	}

	void DestroyObject(UObject* Object)
	{
		DestroyObjects({ Object });
	}

	void UnloadAllPackages()
	{
		TArray<UObject*> Packages;
		for (UPackage* Package : GetLoadedPackages()) { Packages.Add(Package); }
		DestroyObjects(Packages);
	}

	FOnObjectDestroyed& OnObjectDestroyed()
	{
		static FOnObjectDestroyed Delegate;
		return Delegate;
	}
}
