// A fresh folder under /tmp for one test, removed with all it holds when the test ends; and shell
// commands, for the tests that check files against other tools or in other processes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

#include "CoreMinimal.h"
#include "HAL/FileManager.h"
#include "HeadlessString.h"

inline FString ToFString(const std::string& Text)
{
	return UE::HeadlessEditor::FromUtf8(Text.data(), Text.size());
}

struct FScratchDir
{
	std::filesystem::path Path;

	explicit FScratchDir(const std::string& Prefix = "he-scratch")
	{
		std::string Template = "/tmp/" + Prefix + "-XXXXXX";
		Path = mkdtemp(Template.data());
	}
	~FScratchDir() { IFileManager::Get().DeleteDirectory(*ToFString(Path), false, true); }
	FScratchDir(const FScratchDir&) = delete;
	FScratchDir& operator=(const FScratchDir&) = delete;

	FString Join(const std::string& Relative) const { return ToFString((Path / Relative).string()); }
};

// Runs a shell command; its exit status (-1 when it did not exit) and what it printed on either stream.
inline int RunShell(const std::string& Command, std::string& Output)
{
	Output.clear();
	FILE* Pipe = popen((Command + " 2>&1").c_str(), "r");
	if (!Pipe) { return -1; }
	char Buffer[4096];
	while (size_t Read = std::fread(Buffer, 1, sizeof(Buffer), Pipe)) { Output.append(Buffer, Read); }
	const int Status = pclose(Pipe);
	return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}
