// Helpers of the model importer tests: the shared test models, scratch folders, and running
// Debian's assimp tool for the reference answers.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace ModelImportTest
{
	namespace fs = std::filesystem;

	// ../shared/testdata seen from the repository root; the tests run from there or from build/bin.
	inline fs::path TestDataDir()
	{
		if (const char* Env = std::getenv("MOLDARI_TESTDATA"))
		{
			return Env;
		}
		std::error_code Ec;
		const fs::path Exe = fs::read_symlink("/proc/self/exe", Ec);
		for (const fs::path& Candidate : { fs::current_path(Ec) / "../shared/testdata", Exe.parent_path() / "../../../shared/testdata" })
		{
			if (fs::is_directory(Candidate / "fbx", Ec))
			{
				return fs::weakly_canonical(Candidate, Ec);
			}
		}
		return {};
	}

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
}
