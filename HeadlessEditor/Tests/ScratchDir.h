// A fresh folder under /tmp for one test, removed with all it holds when the test ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

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
