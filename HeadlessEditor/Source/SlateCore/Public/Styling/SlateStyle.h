#pragma once
#include <memory>
#include <mutex>
#include <set>
#include <vector>
#include "Styling/ISlateStyle.h"

class SLATECORE_API FSlateStyleSet : public ISlateStyle
{
public:
	FSlateStyleSet(const FName& InStyleSetName);
	virtual ~FSlateStyleSet() = default;

	virtual const FName& GetStyleSetName() const override { return StyleSetName; }
	virtual void SetContentRoot(const FString& InContentRootDir) { ContentRootDir = InContentRootDir; }
	virtual FString GetContentRootDir() const override { return ContentRootDir; }
	virtual FString RootToContentDir(const FString& RelativePath, const TCHAR* Extension) { return (ContentRootDir / RelativePath) + Extension; }
	virtual FString RootToContentDir(const FString& RelativePath) { return ContentRootDir / RelativePath; }

	// Takes ownership of a brush made with new.
	void Set(const FName PropertyName, FSlateBrush* InBrush);
	virtual const FSlateBrush* GetBrush(const FName PropertyName, const ANSICHAR* Specifier = nullptr, const ISlateStyle* RequestingStyle = nullptr) const override;
	virtual const FSlateBrush* GetOptionalBrush(const FName PropertyName, const ANSICHAR* Specifier = nullptr,
		const FSlateBrush* const DefaultBrush = FStyleDefaults::GetNoBrush()) const override;
	virtual FSlateBrush* GetDefaultBrush() const override { return DefaultBrush; }

private:
	const FSlateBrush* FindBrush(const FName PropertyName, const ANSICHAR* Specifier) const;

	FName StyleSetName;
	FString ContentRootDir;
	// Owned by Brushes, under the key "Default".
	FSlateBrush* DefaultBrush = nullptr;
	std::vector<std::pair<FName, std::unique_ptr<FSlateBrush>>> Brushes;
	// Names already reported missing: each is reported once.
	mutable std::mutex MissingMutex;
	mutable std::set<std::u16string> MissingResources;
};
