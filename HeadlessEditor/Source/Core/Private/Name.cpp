#include "UObject/NameTypes.h"
#include "HeadlessString.h"

#include <mutex>
#include <unordered_map>
#include <vector>

namespace
{
	struct FNameTable
	{
		std::mutex Mutex;
		std::vector<FString> Entries;
		std::unordered_map<std::u16string, int32> Lookup; // lower-cased text -> index

		FNameTable()
		{
			const TCHAR* Predefined[] = { TEXT("None"), TEXT("Stream"), TEXT("DGram"), TEXT("Linux"), TEXT("Windows"), TEXT("Unix"), TEXT("Default"), TEXT("Game") };
			for (const TCHAR* Name : Predefined) { Insert(Name); }
		}
		int32 Insert(const FString& Name)
		{
			Entries.push_back(Name);
			Lookup.emplace(UE::HeadlessEditor::GetStdString(Name.ToLower()), static_cast<int32>(Entries.size() - 1));
			return static_cast<int32>(Entries.size() - 1);
		}
	};

	FNameTable& Table()
	{
		static FNameTable Instance;
		return Instance;
	}

	int32 FindOrAdd(const FString& Name, EFindName FindType)
	{
		if (Name.IsEmpty()) { return 0; }
		FNameTable& T = Table();
		std::lock_guard<std::mutex> Lock(T.Mutex);
		auto Found = T.Lookup.find(UE::HeadlessEditor::GetStdString(Name.ToLower()));
		if (Found != T.Lookup.end()) { return Found->second; }
		return FindType == FNAME_Add ? T.Insert(Name) : 0;
	}
}

FName::FName(const TCHAR* Name, EFindName FindType) : Index(FindOrAdd(FString(Name), FindType)) {}
FName::FName(const ANSICHAR* Name, EFindName FindType) : Index(FindOrAdd(FString(Name), FindType)) {}

FString FName::ToString() const
{
	FNameTable& T = Table();
	std::lock_guard<std::mutex> Lock(T.Mutex);
	return T.Entries[static_cast<size_t>(Index)];
}
