// Helpers of the model importer tests: the shared test models, scratch folders, and running
// Debian's assimp tool for the reference answers.
#pragma once

#include "AssetTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include <mutex>

#include "CoreMinimal.h"
#include "AssetRegistry/AssetRegistryModule.h"
#include "AssetToolsModule.h"
#include "AutomatedAssetImportData.h"
#include "Misc/PackageName.h"
#include "UObject/Object.h"

#include "AssetRegistryHost.h"
#include "HeadlessEditorHost.h"
#include "UObjectHost.h"
#include "HeadlessString.h"

namespace ModelImportTest
{
	namespace fs = std::filesystem;

	inline fs::path TestDataDir() { return AssetTest::TestDataDir(); }

	// A fresh folder under /tmp, removed with its contents at the end of the test.
	struct FScratchDir
	{
		fs::path Path;
		FScratchDir()
		{
			std::string Template = (fs::temp_directory_path() / "model-import-XXXXXX").string();
			Path = mkdtemp(Template.data());
		}
		~FScratchDir()
		{
			std::error_code Ec;
			fs::remove_all(Path, Ec);
		}
	};

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

	// Standard output (and error) of a shell command.
	inline std::string RunCommand(const std::string& Command)
	{
		std::string Output;
		if (FILE* Pipe = popen((Command + " 2>&1").c_str(), "r"))
		{
			std::array<char, 4096> Buffer;
			size_t Read;
			while ((Read = fread(Buffer.data(), 1, Buffer.size(), Pipe)) > 0) { Output.append(Buffer.data(), Read); }
			pclose(Pipe);
		}
		return Output;
	}

	inline std::string ReadFile(const fs::path& File)
	{
		std::ifstream In(File, std::ios::binary);
		std::stringstream S;
		S << In.rdbuf();
		return S.str();
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

		// "Name Class" of each asset directly in (or under) a content path, in the registry's order.
		std::vector<std::string> AssetsIn(const char* Path, bool bRecursive = false)
		{
			TArray<FAssetData> Assets;
			FAssetRegistryModule::GetRegistry().GetAssetsByPath(FName(AssetTest::Str(std::string(Path))), Assets, bRecursive);
			std::vector<std::string> Out;
			for (const FAssetData& Asset : Assets)
			{
				Out.push_back(UE::HeadlessEditor::ToUtf8(Asset.AssetName.ToString()) + " " + UE::HeadlessEditor::ToUtf8(Asset.AssetClassPath.ToString()));
			}
			return Out;
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
