// The headless editor's visitor that reads, writes or inspects an object's saved properties. The
// engine finds properties by reflection; here every class lists its members in its (protected)
// SerializeProperties, which only the object table and package code call:
//
//     void UMyAsset::SerializeProperties(FPropertyArchive& Ar)
//     {
//         Super::SerializeProperties(Ar);
//         Ar.Property(TEXT("Width"), Width);
//         Ar.Property(TEXT("Material"), Material);   // TObjectPtr<T> or UObject*
//     }
//
// Names are keys: a package written by an older build loads into a newer class (missing names keep
// the constructor's value, unknown ones are ignored). One name per member, unique in the class
// chain. Arrays of numbers and bytes are stored as bulk data. Bit-fields and enumerations go
// through a local copy (see UTexture::SerializeProperties).
#pragma once

#include "CoreMinimal.h"
#include "UObject/ObjectPtr.h"
#include "Templates/Casts.h"

class UObject;

class COREUOBJECT_API FPropertyArchive
{
public:
	virtual ~FPropertyArchive() = default;

	// Loading: values flow from the archive into the members. Otherwise they are only read, except
	// object references, which a reference visitor may clear (see UObjectHost.h).
	bool IsLoading() const { return bIsLoading; }
	bool IsSaving() const { return !bIsLoading; }

	virtual void Property(const TCHAR* Name, bool& Value) = 0;
	virtual void Property(const TCHAR* Name, uint8& Value) = 0;
	virtual void Property(const TCHAR* Name, int32& Value) = 0;
	virtual void Property(const TCHAR* Name, uint32& Value) = 0;
	virtual void Property(const TCHAR* Name, int64& Value) = 0;
	virtual void Property(const TCHAR* Name, float& Value) = 0;
	virtual void Property(const TCHAR* Name, double& Value) = 0;
	virtual void Property(const TCHAR* Name, FString& Value) = 0;
	virtual void Property(const TCHAR* Name, FName& Value) = 0;
	virtual void Property(const TCHAR* Name, UObject*& Value) = 0;
	virtual void Property(const TCHAR* Name, TArray<uint8>& Value) = 0;
	virtual void Property(const TCHAR* Name, TArray<int32>& Value) = 0;
	virtual void Property(const TCHAR* Name, TArray<uint32>& Value) = 0;
	virtual void Property(const TCHAR* Name, TArray<float>& Value) = 0;
	virtual void Property(const TCHAR* Name, TArray<FString>& Value) = 0;
	virtual void Property(const TCHAR* Name, TArray<FName>& Value) = 0;
	virtual void Property(const TCHAR* Name, TArray<UObject*>& Value) = 0;

	// A typed object pointer: loads as null when the stored object is not a T.
	template <typename T>
	void Property(const TCHAR* Name, TObjectPtr<T>& Value)
	{
		UObject* Raw = Value.Get();
		Property(Name, Raw);
		if (Raw != Value.Get()) { Value = Cast<T>(Raw); }
	}
	// A raw typed object pointer, likewise.
	template <typename T, typename = std::enable_if_t<std::is_base_of_v<UObject, T> && !std::is_same_v<T, UObject>>>
	void Property(const TCHAR* Name, T*& Value)
	{
		UObject* Raw = Value;
		Property(Name, Raw);
		if (Raw != Value) { Value = Cast<T>(Raw); }
	}
	template <typename T>
	void Property(const TCHAR* Name, TArray<TObjectPtr<T>>& Value)
	{
		TArray<UObject*> Raw;
		for (const TObjectPtr<T>& Item : Value) { Raw.Add(Item.Get()); }
		Property(Name, Raw);
		if (IsLoading() || Raw.Num() == Value.Num())
		{
			Value.SetNum(Raw.Num());
			for (int32 Index = 0; Index < Raw.Num(); ++Index) { Value[Index] = Cast<T>(Raw[Index]); }
		}
	}

protected:
	explicit FPropertyArchive(bool bInIsLoading) : bIsLoading(bInIsLoading) {}

private:
	bool bIsLoading = false;
};
