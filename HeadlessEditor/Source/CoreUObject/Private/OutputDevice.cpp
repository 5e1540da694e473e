#include "Misc/OutputDevice.h"
#include "Misc/FeedbackContext.h"

namespace
{
	class FLogOutputDevice final : public FOutputDevice
	{
	public:
		void Serialize(const TCHAR* V, ELogVerbosity::Type Verbosity, const FName& Category) override
		{
			const FName Name = Category.IsNone() ? FName(TEXT("LogHeadlessEditor")) : Category;
			FMsg::LogLine(Name, Verbosity == ELogVerbosity::NoLogging ? ELogVerbosity::Log : Verbosity, FString(V ? V : TEXT("")));
			if (Verbosity == ELogVerbosity::Fatal) { UE::HeadlessEditor::FatalLogged(); }
		}
	};

	FLogOutputDevice GErrorDevice;
	FFeedbackContext GWarnDevice;
}

void FFeedbackContext::Serialize(const TCHAR* V, ELogVerbosity::Type Verbosity, const FName& Category)
{
	GErrorDevice.Serialize(V, Verbosity == ELogVerbosity::NoLogging ? ELogVerbosity::Warning : Verbosity, Category);
}

FOutputDevice* GError = &GErrorDevice;
FFeedbackContext* GWarn = &GWarnDevice;
