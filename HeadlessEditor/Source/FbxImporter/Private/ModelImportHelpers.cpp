#include "ModelImportHelpers.h"

#include "AssetImporterRegistry.h"
#include "Engine/Texture2D.h"
#include "HAL/FileManager.h"
#include "Misc/Paths.h"
#include "HeadlessString.h"

#include <atomic>
#include <unistd.h>

namespace UE::HeadlessEditor
{
	FString Utf8ToFString(const std::string& Text)
	{
		return FromUtf8(Text.data(), Text.size());
	}

	FString MakeAssetNameFromName(const FString& Name)
	{
		FString Flat = Name;
		for (TCHAR& C : Flat)
		{
			if (C == '/' || C == '\\' || C == '.') { C = '_'; }
		}
		return FAssetImportContext::MakeAssetName(Flat);
	}

	void FillMeshData(const FImportedMeshBuffers& In, FHeadlessMeshData& Out)
	{
		Out = FHeadlessMeshData();
		Out.Positions.Append(In.Positions.data(), int32(In.Positions.size()));
		Out.Normals.Append(In.Normals.data(), int32(In.Normals.size()));
		for (size_t Channel = 0; Channel < In.UVs.size() && int32(Channel) < FHeadlessMeshData::MaxTexCoords; ++Channel)
		{
			Out.TexCoords.Emplace(In.UVs[Channel].data(), int32(In.UVs[Channel].size()));
		}
		Out.Indices.Append(In.Indices.data(), int32(In.Indices.size()));
		for (const FImportedMeshSection& Section : In.Sections)
		{
			Out.Sections.Add({ int32(Section.MaterialIndex), int32(Section.FirstIndex), int32(Section.NumTriangles) });
		}
		if (!In.InfluenceBones.empty())
		{
			constexpr int32 Kept = FHeadlessMeshData::MaxBoneInfluences < MaxImportedBoneInfluences ? FHeadlessMeshData::MaxBoneInfluences : MaxImportedBoneInfluences;
			const int32 NumVertices = int32(In.NumVertices());
			Out.BoneIndices.SetNumZeroed(NumVertices * FHeadlessMeshData::MaxBoneInfluences);
			Out.BoneWeights.SetNumZeroed(NumVertices * FHeadlessMeshData::MaxBoneInfluences);
			for (int32 Vertex = 0; Vertex < NumVertices; ++Vertex)
			{
				for (int32 I = 0; I < Kept; ++I)
				{
					Out.BoneIndices[Vertex * FHeadlessMeshData::MaxBoneInfluences + I] = In.InfluenceBones[size_t(Vertex) * MaxImportedBoneInfluences + I];
					Out.BoneWeights[Vertex * FHeadlessMeshData::MaxBoneInfluences + I] = In.InfluenceWeights[size_t(Vertex) * MaxImportedBoneInfluences + I];
				}
			}
		}
	}

	bool FImportNames::Contains(const FString& Name) const
	{
		return Names.ContainsByPredicate([&Name](const FString& Taken) { return Taken.Equals(Name, ESearchCase::IgnoreCase); });
	}

	FString FImportNames::TakeUnique(const FString& Name)
	{
		FString Result = Name;
		for (int32 Suffix = 1; Contains(Result); ++Suffix)
		{
			Result = FString::Printf(TEXT("%s_%d"), *Name, Suffix);
		}
		Add(Result);
		return Result;
	}

	UTexture2D* ImportTextureNamed(FAssetImportContext& Context, const FString& File, const FString& PackagePath, const FString& AssetName)
	{
		FString Source = File;
		FString TempFolder;
		if (!FAssetImportContext::MakeAssetName(File).Equals(AssetName, ESearchCase::CaseSensitive))
		{
			static std::atomic<int32> Counter{ 0 };
			TempFolder = FPaths::ProjectSavedDir() / FString::Printf(TEXT("Temp/HeadlessImport/%d_%d"), int32(getpid()), int32(++Counter));
			IFileManager::Get().MakeDirectory(*TempFolder, true);
			Source = TempFolder / (AssetName + TEXT(".") + FPaths::GetExtension(File));
			if (IFileManager::Get().Copy(*Source, *File) != COPY_OK)
			{
				UE_LOG(LogAssetTools, Error, TEXT("Cannot copy %s to %s to import it as the texture %s"), *File, *Source, *AssetName);
				IFileManager::Get().DeleteDirectory(*TempFolder, false, true);
				return nullptr;
			}
		}
		UTexture2D* Texture = nullptr;
		for (UObject* Object : Context.ImportFile(Source, PackagePath))
		{
			if (Object && Object->IsA<UTexture2D>())
			{
				Texture = static_cast<UTexture2D*>(Object);
				break;
			}
		}
		if (!TempFolder.IsEmpty())
		{
			IFileManager::Get().DeleteDirectory(*TempFolder, false, true);
		}
		return Texture;
	}
}
