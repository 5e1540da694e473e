// Helpers of the model importer tests: copies of the shared test models, files as text, and a
// scratch project with helpers around the asset tools.
#pragma once

#include "AssetTestSupport.h"
#include "ScratchDir.h"

#include "Misc/PackageName.h"

namespace ModelImportTest
{
	namespace fs = std::filesystem;

	using AssetTest::TestDataDir;

	// The shared models are read-only: the importer writes .fbm folders beside the FBX, so tests
	// work on copies (with the textures folder next to them, as in the shared folder).
	inline fs::path CopyModel(const fs::path& Model, const fs::path& Into)
	{
		std::error_code Ec;
		fs::copy_file(Model, Into / Model.filename(), fs::copy_options::overwrite_existing, Ec);
		const fs::path Textures = Model.parent_path() / "textures";
		if (fs::is_directory(Textures) && !fs::exists(Into / "textures"))
		{
			fs::copy(Textures, Into / "textures", fs::copy_options::recursive, Ec);
		}
		for (const fs::directory_entry& Entry : fs::recursive_directory_iterator(Into))
		{
			fs::permissions(Entry.path(), fs::perms::owner_write, fs::perm_options::add, Ec);
		}
		return Into / Model.filename();
	}

	inline std::string ShellQuote(const std::string& Text)
	{
		std::string Out = "'";
		for (char C : Text) { Out += C == '\'' ? std::string("'\\''") : std::string(1, C); }
		return Out + "'";
	}

	inline std::string ReadFile(const fs::path& File)
	{
		const std::vector<uint8> Bytes = AssetTest::ReadBytes(File);
		return std::string(Bytes.begin(), Bytes.end());
	}

	inline void WriteFile(const fs::path& File, const std::string& Bytes)
	{
		fs::create_directories(File.parent_path());
		std::ofstream(File, std::ios::binary) << Bytes;
	}

	// A scratch project for imports, with the log captured and helpers around the asset tools.
	class FAssetImportTest : public AssetTest::FProjectTest
	{
	protected:
		using FProjectTest::Import;
		TArray<UObject*> Import(const fs::path& File, const char* Destination, bool bReplaceExisting = false)
		{
			return Import(std::vector<fs::path>{ File }, AssetTest::Str(std::string(Destination)), bReplaceExisting);
		}

		// The object of class T whose asset is called Name, read from its package's path: an
		// object's FName shows the first spelling any test gave that name ("OK" for "ok").
		template <class T>
		T* Find(const std::vector<UObject*>& Objects, const std::string& Name)
		{
			for (UObject* Object : Objects)
			{
				if (Object && Object->IsA<T>() && UE::HeadlessEditor::ToUtf8(FPackageName::GetShortName(Object->GetOutermost()->GetName())) == Name) { return static_cast<T*>(Object); }
			}
			return nullptr;
		}
	};

	inline std::vector<UObject*> ToVector(const TArray<UObject*>& Objects) { return std::vector<UObject*>(Objects.begin(), Objects.end()); }
}
