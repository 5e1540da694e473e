#include "Engine/StaticMesh.h"
#include "Engine/SkeletalMesh.h"
#include "Animation/Skeleton.h"
#include "Materials/MaterialInterface.h"
#include "UObject/PropertyArchive.h"
#include "EngineHost.h"
#include "HeadlessClass.h"

#include <algorithm>
#include <cstring>

IMPLEMENT_HEADLESS_CLASS(UStaticMesh, Engine, CLASS_None)
IMPLEMENT_HEADLESS_CLASS(USkinnedAsset, Engine, CLASS_Abstract)
IMPLEMENT_HEADLESS_CLASS(USkeletalMesh, Engine, CLASS_None)
IMPLEMENT_HEADLESS_CLASS(USkeleton, Engine, CLASS_None)

namespace
{
	// Material slots are saved as parallel arrays; object references written back so that a
	// reference visitor can clear them.
	template <typename FSlot>
	void SerializeSlots(FPropertyArchive& Ar, TArray<FSlot>& Slots)
	{
		TArray<UObject*> Materials;
		TArray<FName> SlotNames;
		TArray<FName> ImportedNames;
		for (const FSlot& Slot : Slots)
		{
			Materials.Add(Slot.MaterialInterface.Get());
			SlotNames.Add(Slot.MaterialSlotName);
			ImportedNames.Add(Slot.ImportedMaterialSlotName);
		}
		Ar.Property(TEXT("MaterialSlotNames"), SlotNames);
		Ar.Property(TEXT("ImportedMaterialSlotNames"), ImportedNames);
		Ar.Property(TEXT("Materials"), Materials);
		if (Ar.IsLoading())
		{
			Slots.Reset();
			for (int32 I = 0; I < SlotNames.Num(); ++I)
			{
				FSlot Slot;
				Slot.MaterialSlotName = SlotNames[I];
				Slot.ImportedMaterialSlotName = ImportedNames.IsValidIndex(I) ? ImportedNames[I] : SlotNames[I];
				Slot.MaterialInterface = Materials.IsValidIndex(I) ? Cast<UMaterialInterface>(Materials[I]) : nullptr;
				Slots.Add(Slot);
			}
		}
		else if (Materials.Num() == Slots.Num())
		{
			for (int32 I = 0; I < Slots.Num(); ++I) { Slots[I].MaterialInterface = Cast<UMaterialInterface>(Materials[I]); }
		}
	}
}

bool FHeadlessMeshData::IsConsistent() const
{
	const int32 NumVertices = GetNumVertices();
	if (Positions.Num() % 3 != 0 || Indices.Num() % 3 != 0) { return false; }
	if (!Normals.IsEmpty() && Normals.Num() != NumVertices * 3) { return false; }
	if (!Tangents.IsEmpty() && Tangents.Num() != NumVertices * 3) { return false; }
	if (!Colors.IsEmpty() && Colors.Num() != NumVertices * 4) { return false; }
	for (const TArray<float>& Channel : TexCoords) { if (Channel.Num() != NumVertices * 2) { return false; } }
	if (BoneIndices.Num() != BoneWeights.Num()) { return false; }
	if (!BoneIndices.IsEmpty() && BoneIndices.Num() != NumVertices * MaxBoneInfluences) { return false; }
	for (uint32 Index : Indices) { if (Index >= static_cast<uint32>(NumVertices)) { return false; } }
	for (const FHeadlessMeshSection& Section : Sections)
	{
		if (Section.FirstIndex < 0 || Section.NumTriangles < 0 || static_cast<int64>(Section.FirstIndex) + 3ll * Section.NumTriangles > Indices.Num()) { return false; }
	}
	return true;
}

void FHeadlessMeshData::Serialize(FPropertyArchive& Ar, const TCHAR* Prefix)
{
	const FString P(Prefix);
	Ar.Property(*(P + TEXT("Positions")), Positions);
	Ar.Property(*(P + TEXT("Normals")), Normals);
	Ar.Property(*(P + TEXT("Tangents")), Tangents);
	Ar.Property(*(P + TEXT("Colors")), Colors);
	Ar.Property(*(P + TEXT("Indices")), Indices);
	Ar.Property(*(P + TEXT("BoneIndices")), BoneIndices);
	Ar.Property(*(P + TEXT("BoneWeights")), BoneWeights);
	int32 NumTexCoords = TexCoords.Num();
	Ar.Property(*(P + TEXT("NumTexCoords")), NumTexCoords);
	if (Ar.IsLoading()) { TexCoords.SetNum(FMath::Clamp(NumTexCoords, 0, MaxTexCoords)); }
	for (int32 I = 0; I < TexCoords.Num(); ++I) { Ar.Property(*FString::Printf(TEXT("%sTexCoords%d"), *P, I), TexCoords[I]); }
	TArray<int32> SectionData;
	for (const FHeadlessMeshSection& Section : Sections) { SectionData.Append({ Section.MaterialIndex, Section.FirstIndex, Section.NumTriangles }); }
	Ar.Property(*(P + TEXT("Sections")), SectionData);
	if (Ar.IsLoading())
	{
		Sections.Reset();
		for (int32 I = 0; I + 2 < SectionData.Num(); I += 3) { Sections.Add({ SectionData[I], SectionData[I + 1], SectionData[I + 2] }); }
	}
}

UMaterialInterface* UStaticMesh::GetMaterial(int32 MaterialIndex) const
{
	return StaticMaterials.IsValidIndex(MaterialIndex) ? StaticMaterials[MaterialIndex].MaterialInterface.Get() : nullptr;
}

UStaticMesh::UStaticMesh() : MeshData(MakeUnique<FHeadlessMeshData>()) {}
UStaticMesh::~UStaticMesh() = default;

int32 UStaticMesh::GetNumTriangles(int32 LODIndex) const { return LODIndex == 0 ? MeshData->GetNumTriangles() : 0; }
int32 UStaticMesh::GetNumVertices(int32 LODIndex) const { return LODIndex == 0 ? MeshData->GetNumVertices() : 0; }

int32 UStaticMesh::GetMaterialIndex(FName MaterialSlotName) const
{
	for (int32 I = 0; I < StaticMaterials.Num(); ++I) { if (StaticMaterials[I].MaterialSlotName == MaterialSlotName) { return I; } }
	return INDEX_NONE;
}

#if WITH_EDITOR
void UStaticMesh::SetMaterial(int32 MaterialIndex, UMaterialInterface* NewMaterial)
{
	if (!StaticMaterials.IsValidIndex(MaterialIndex)) { return; }
	StaticMaterials[MaterialIndex].MaterialInterface = NewMaterial;
	PostEditChange();
}
#endif

void UStaticMesh::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	SerializeSlots(Ar, StaticMaterials);
	MeshData->Serialize(Ar, TEXT("Mesh."));
	Ar.Property(TEXT("SourceFilePath"), SourceFilePath);
}

TArray<FSkeletalMaterial>& USkinnedAsset::GetMaterials()
{
	static TArray<FSkeletalMaterial> None;
	None.Reset();
	return None;
}

const TArray<FSkeletalMaterial>& USkinnedAsset::GetMaterials() const
{
	static const TArray<FSkeletalMaterial> None;
	return None;
}

USkeletalMesh::USkeletalMesh() : MeshData(MakeUnique<FHeadlessMeshData>()) {}
USkeletalMesh::~USkeletalMesh() = default;

void USkeletalMesh::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	SerializeSlots(Ar, Materials);
	Ar.Property(TEXT("Skeleton"), Skeleton);
	MeshData->Serialize(Ar, TEXT("Mesh."));
	Ar.Property(TEXT("SourceFilePath"), SourceFilePath);
}

USkeleton::USkeleton() : Bones(MakeUnique<TArray<FHeadlessBone>>()) {}
USkeleton::~USkeleton() = default;

void USkeleton::SerializeProperties(FPropertyArchive& Ar)
{
	Super::SerializeProperties(Ar);
	TArray<FName> Names;
	TArray<int32> Parents;
	TArray<float> Transforms;
	TArray<FHeadlessBone>& BoneList = *Bones;
	for (const FHeadlessBone& Bone : BoneList)
	{
		Names.Add(Bone.Name);
		Parents.Add(Bone.ParentIndex);
		Transforms.Append(Bone.LocalTransform, 16);
	}
	Ar.Property(TEXT("BoneNames"), Names);
	Ar.Property(TEXT("BoneParents"), Parents);
	Ar.Property(TEXT("BoneTransforms"), Transforms);
	if (Ar.IsLoading())
	{
		BoneList.Reset();
		for (int32 I = 0; I < Names.Num(); ++I)
		{
			FHeadlessBone Bone;
			Bone.Name = Names[I];
			// A parent must come earlier; anything else is read as a root.
			Bone.ParentIndex = Parents.IsValidIndex(I) && Parents[I] >= 0 && Parents[I] < I ? Parents[I] : INDEX_NONE;
			if (Transforms.Num() >= (I + 1) * 16) { std::memcpy(Bone.LocalTransform, Transforms.GetData() + I * 16, sizeof(Bone.LocalTransform)); }
			BoneList.Add(Bone);
		}
	}
}

// --- Host view ----------------------------------------------------------------------------------

FHeadlessMeshData& FHeadlessAssets::MeshData(UStaticMesh& Mesh) { return *Mesh.MeshData; }
const FHeadlessMeshData& FHeadlessAssets::MeshData(const UStaticMesh& Mesh) { return *Mesh.MeshData; }
FHeadlessMeshData& FHeadlessAssets::MeshData(USkeletalMesh& Mesh) { return *Mesh.MeshData; }
const FHeadlessMeshData& FHeadlessAssets::MeshData(const USkeletalMesh& Mesh) { return *Mesh.MeshData; }
FString& FHeadlessAssets::SourceFilePath(UStaticMesh& Mesh) { return Mesh.SourceFilePath; }
const FString& FHeadlessAssets::SourceFilePath(const UStaticMesh& Mesh) { return Mesh.SourceFilePath; }
FString& FHeadlessAssets::SourceFilePath(USkeletalMesh& Mesh) { return Mesh.SourceFilePath; }
const FString& FHeadlessAssets::SourceFilePath(const USkeletalMesh& Mesh) { return Mesh.SourceFilePath; }
TArray<FHeadlessBone>& FHeadlessAssets::Bones(USkeleton& Skeleton) { return *Skeleton.Bones; }
const TArray<FHeadlessBone>& FHeadlessAssets::Bones(const USkeleton& Skeleton) { return *Skeleton.Bones; }

int32 FHeadlessAssets::FindBoneIndex(const USkeleton& Skeleton, FName BoneName)
{
	const TArray<FHeadlessBone>& BoneList = *Skeleton.Bones;
	for (int32 I = 0; I < BoneList.Num(); ++I) { if (BoneList[I].Name == BoneName) { return I; } }
	return INDEX_NONE;
}
