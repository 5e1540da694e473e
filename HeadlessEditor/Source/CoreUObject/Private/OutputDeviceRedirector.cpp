#include "Misc/OutputDeviceRedirector.h"

#include "HeadlessEditorHost.h"

#include <map>
#include <mutex>

namespace
{
	std::mutex GDevicesMutex;
	std::map<FOutputDevice*, int32> GDevices;   // device -> log listener handle

	FOutputDeviceRedirector GLogRedirector;
}

void FOutputDeviceRedirector::AddOutputDevice(FOutputDevice* Device)
{
	if (!Device) { return; }
	std::lock_guard<std::mutex> Lock(GDevicesMutex);
	if (GDevices.count(Device)) { return; }
	GDevices[Device] = UE::HeadlessEditor::AddLogListener([Device](const UE::HeadlessEditor::FLogLine& Line) {
		Device->Serialize(*Line.Message, Line.Verbosity, Line.Category);
	});
}

void FOutputDeviceRedirector::RemoveOutputDevice(FOutputDevice* Device)
{
	std::lock_guard<std::mutex> Lock(GDevicesMutex);
	auto It = GDevices.find(Device);
	if (It == GDevices.end()) { return; }
	UE::HeadlessEditor::RemoveLogListener(It->second);
	GDevices.erase(It);
}

void FOutputDeviceRedirector::Serialize(const TCHAR* V, ELogVerbosity::Type Verbosity, const FName& Category)
{
	const FName Name = Category.IsNone() ? FName(TEXT("LogHeadlessEditor")) : Category;
	FMsg::LogLine(Name, Verbosity == ELogVerbosity::NoLogging ? ELogVerbosity::Log : Verbosity, FString(V ? V : TEXT("")));
}

FOutputDeviceRedirector* GLog = &GLogRedirector;
