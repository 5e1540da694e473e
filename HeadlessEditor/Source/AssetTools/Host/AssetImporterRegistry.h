// The importers behind IAssetTools::ImportAssetsAutomated, chosen by file extension. Each importer
// registers once (a file-scope registrar in its .cpp is enough: libHeadlessEditor runs it at load):
//
//     static const bool GRegistered = (UE::HeadlessEditor::RegisterAssetImporter(TEXT("FBX"), { TEXT("fbx") },
//         [](UE::HeadlessEditor::FAssetImportContext& Context) { return ImportFbx(Context); }), true);
//
// The importer reads Context.GetFilename(), makes its assets with Context.CreateAsset (which applies
// the replace-or-skip rule, flags, the package and the registry notice), fills them, and returns
// true; or logs why and returns false, and the assets it created for that file are destroyed again.
// Not visible to plugins.
#pragma once

#include "CoreMinimal.h"
#include "UObject/Object.h"
#include "UObject/Class.h"

DECLARE_LOG_CATEGORY_EXTERN(LogAssetTools, Log, All);

namespace UE::HeadlessEditor
{
	class FAssetImportContext;

	// True when the file was imported (even if some assets were skipped as existing).
	using FAssetImporter = TFunction<bool(FAssetImportContext& Context)>;

	// Who decides about assets that already exist when bReplaceExisting is false.
	enum class EExistingAssetCheck : uint8
	{
		// The asset tools, before the importer runs: an asset named after the file in the
		// destination skips the whole file (the editor's factory road).
		WholeFile,
		// The importer, asset by asset (the editor's Interchange road, which skips each existing
		// asset on its own and never looks at the file's name as a whole).
		PerAsset,
	};

	// Extensions are given without the dot and matched without regard to case. A later registration
	// of an extension wins over an earlier one.
	ASSETTOOLS_API void RegisterAssetImporter(const FString& ImporterName, const TArray<FString>& Extensions, FAssetImporter Importer,
		EExistingAssetCheck ExistingAssetCheck = EExistingAssetCheck::WholeFile);
	ASSETTOOLS_API void UnregisterAssetImporter(const FString& ImporterName);
	// The importer's name for a file name or extension ("png", ".png", "/a/b.png"), or empty.
	ASSETTOOLS_API FString FindAssetImporterName(const FString& FilenameOrExtension);

	class ASSETTOOLS_API FAssetImportContext
	{
	public:
		FAssetImportContext(const FString& InFilename, const FString& InDestinationPath, bool bInReplaceExisting);

		const FString& GetFilename() const { return Filename; }                 // absolute
		const FString& GetDestinationPath() const { return DestinationPath; }   // "/Game/Folder", no trailing '/'
		bool ShouldReplaceExisting() const { return bReplaceExisting; }
		// For importers whose own option replaces existing assets whatever the caller asked (the
		// USD Stage importer's existing-asset policy); CreateAsset and ImportFile follow it.
		void SetReplaceExisting(bool bInReplaceExisting) { bReplaceExisting = bInReplaceExisting; }

		// An object name from a file's base name, as the engine makes it: characters that object
		// names may not hold become '_' ("my tex.v2.png" -> "my_tex_v2").
		static FString MakeAssetName(const FString& FilenameOrBaseName);

		// Makes the asset PackagePath/AssetName (an object named AssetName, of Class, flagged
		// RF_Public | RF_Standalone, in the package PackagePath + "/" + AssetName) and records it:
		// - no such asset yet (in memory or on disk): a new object;
		// - it exists and replacing is on: the same object, constructed anew in place (pointers to it
		//   stay valid; an existing asset of another class is destroyed and a new one made);
		// - it exists and replacing is off: null, with the log line "... already exists" (reuse the
		//   old one with FindExistingAsset if the import needs it).
		// Null also (with a log error) for an invalid path or name.
		UObject* CreateAsset(UClass* Class, const FString& PackagePath, const FString& AssetName);
		template <class T>
		T* CreateAsset(const FString& PackagePath, const FString& AssetName) { return static_cast<T*>(CreateAsset(T::StaticClass(), PackagePath, AssetName)); }

		// The asset PackagePath/AssetName in memory, or loaded from disk; null when there is none.
		UObject* FindExistingAsset(const FString& PackagePath, const FString& AssetName) const;

		// Imports another file (a texture a model refers to) into PackagePath with this import's
		// replace setting. Returns its assets; when they were skipped because they exist, the
		// existing asset named after the file (if any).
		TArray<UObject*> ImportFile(const FString& OtherFilename, const FString& PackagePath);

		// Records an object made otherwise (CreateAsset and ImportFile record their own).
		void AddImportedObject(UObject* Object);
		const TArray<UObject*>& GetImportedObjects() const { return ImportedObjects; }
		// Objects CreateAsset made new for this context (not replaced ones).
		const TArray<UObject*>& GetNewObjects() const { return NewObjects; }

	private:
		FString Filename;
		FString DestinationPath;
		bool bReplaceExisting = false;
		TArray<UObject*> ImportedObjects;
		TArray<UObject*> NewObjects;
	};

	// Runs the importer of one file; what ImportAssetsAutomated does per file.
	ASSETTOOLS_API TArray<UObject*> ImportOneFile(const FString& Filename, const FString& DestinationPath, bool bReplaceExisting);
}
