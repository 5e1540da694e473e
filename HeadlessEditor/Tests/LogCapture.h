// Log lines of one category written while a capture lives (from any thread).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "CoreMinimal.h"
#include "HeadlessEditorHost.h"
#include "HeadlessString.h"

namespace TestLog
{
	class FCapture
	{
	public:
		struct FLine { ELogVerbosity::Type Verbosity; std::string Message; };

		explicit FCapture(const TCHAR* InCategory) : Category(InCategory)
		{
			Handle = UE::HeadlessEditor::AddLogListener([this](const UE::HeadlessEditor::FLogLine& Line)
			{
				if (Line.Category != Category) { return; }
				std::lock_guard<std::mutex> Lock(Mutex);
				Lines.push_back({ static_cast<ELogVerbosity::Type>(Line.Verbosity & ELogVerbosity::VerbosityMask), UE::HeadlessEditor::ToUtf8(Line.Message) });
			});
		}
		~FCapture() { UE::HeadlessEditor::RemoveLogListener(Handle); }
		FCapture(const FCapture&) = delete;
		FCapture& operator=(const FCapture&) = delete;

		// The lines so far, forgetting them.
		std::vector<FLine> Take()
		{
			std::lock_guard<std::mutex> Lock(Mutex);
			return std::exchange(Lines, {});
		}
		// How many of the lines so far have this verbosity (and contain Text, when given); keeps them.
		int32 Count(ELogVerbosity::Type Verbosity, const std::string& Text = std::string())
		{
			std::lock_guard<std::mutex> Lock(Mutex);
			int32 N = 0;
			for (const FLine& Line : Lines) { N += (Line.Verbosity == Verbosity && Line.Message.find(Text) != std::string::npos) ? 1 : 0; }
			return N;
		}

	private:
		const FName Category;
		int32 Handle = 0;
		std::mutex Mutex;
		std::vector<FLine> Lines;
	};
}
