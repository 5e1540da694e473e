// Style sets and icons as the engine's Slate gives them: an icon's brushes are never null (the
// no-brush stands for a missing one, the small brush falls back to the large one), GetBrush gives
// the style's default brush for an unknown name and warns once per name, GetOptionalBrush never warns.
#include <gtest/gtest.h>

#include "CoreMinimal.h"
#include "Brushes/SlateImageBrush.h"
#include "Styling/SlateStyle.h"
#include "Styling/SlateStyleRegistry.h"
#include "Styling/StyleDefaults.h"
#include "Textures/SlateIcon.h"
#include "LogCapture.h"

namespace
{
	// A registered style set with "Both" (large and small brushes) and "LargeOnly".
	struct FTestStyle
	{
		FSlateStyleSet Style{ TEXT("HeTestIcons") };
		const FSlateBrush* Both = nullptr;
		const FSlateBrush* BothSmall = nullptr;
		const FSlateBrush* LargeOnly = nullptr;

		FTestStyle()
		{
			Style.SetContentRoot(TEXT("/icons"));
			Style.Set(TEXT("Both"), new FSlateImageBrush(TEXT("/icons/both40.png"), FVector2D(40.0, 40.0)));
			Style.Set(TEXT("Both.Small"), new FSlateImageBrush(TEXT("/icons/both20.png"), FVector2D(20.0, 20.0)));
			Style.Set(TEXT("LargeOnly"), new FSlateImageBrush(TEXT("/icons/large40.png"), FVector2D(40.0, 40.0)));
			Both = Style.GetOptionalBrush(TEXT("Both"), nullptr, nullptr);
			BothSmall = Style.GetOptionalBrush(TEXT("Both.Small"), nullptr, nullptr);
			LargeOnly = Style.GetOptionalBrush(TEXT("LargeOnly"), nullptr, nullptr);
			FSlateStyleRegistry::RegisterSlateStyle(Style);
		}
		~FTestStyle() { FSlateStyleRegistry::UnRegisterSlateStyle(Style); }
	};
}

TEST(SlateIconTest, BrushesFallBackInsteadOfBeingNull)
{
	FTestStyle Test;
	const FSlateBrush* NoBrush = FStyleDefaults::GetNoBrush();
	ASSERT_NE(NoBrush, nullptr);
	EXPECT_EQ(NoBrush->DrawAs, ESlateBrushDrawType::NoDrawType);
	ASSERT_TRUE(Test.Both && Test.BothSmall && Test.LargeOnly);

	const FSlateIcon Both(TEXT("HeTestIcons"), TEXT("Both"));
	EXPECT_EQ(Both.GetSmallStyleName(), FName(TEXT("Both.Small")));
	EXPECT_EQ(Both.GetStyleSet(), &Test.Style);
	EXPECT_EQ(Both.GetIcon(), Test.Both);
	EXPECT_EQ(Both.GetSmallIcon(), Test.BothSmall);

	// No small brush: the small icon is the large one.
	const FSlateIcon LargeOnly(TEXT("HeTestIcons"), TEXT("LargeOnly"));
	EXPECT_EQ(LargeOnly.GetSmallIcon(), Test.LargeOnly);
	EXPECT_EQ(LargeOnly.GetOptionalSmallIcon(), Test.LargeOnly);

	// A name the set lacks, or a set that is not registered: the no-brush, and null from the
	// optional getters.
	const FSlateIcon Missing(TEXT("HeTestIcons"), TEXT("Nope"));
	const FSlateIcon NoSet(TEXT("HeNoSuchStyle"), TEXT("Both"));
	for (const FSlateIcon* Icon : { &Missing, &NoSet })
	{
		EXPECT_TRUE(Icon->IsSet());
		EXPECT_EQ(Icon->GetIcon(), NoBrush);
		EXPECT_EQ(Icon->GetSmallIcon(), NoBrush);
		EXPECT_EQ(Icon->GetOptionalIcon(), nullptr);
		EXPECT_EQ(Icon->GetOptionalSmallIcon(), nullptr);
	}
	EXPECT_EQ(NoSet.GetStyleSet(), nullptr);

	// IsSet needs both a set and a style name.
	EXPECT_FALSE(FSlateIcon().IsSet());
	EXPECT_EQ(FSlateIcon().GetIcon(), NoBrush);
	EXPECT_FALSE(FSlateIcon(TEXT("HeTestIcons"), NAME_None).IsSet());
	EXPECT_FALSE(FSlateIcon(NAME_None, TEXT("Both")).IsSet());
}

TEST(SlateStyleTest, AnUnknownBrushIsTheDefaultWithOneWarningPerName)
{
	FTestStyle Test;
	TestLog::FCapture Log(TEXT("LogSlateStyle"));

	EXPECT_EQ(Test.Style.GetBrush(TEXT("Nope")), Test.Style.GetDefaultBrush());
	EXPECT_EQ(Test.Style.GetBrush(TEXT("Nope")), Test.Style.GetDefaultBrush());
	EXPECT_EQ(Test.Style.GetBrush(TEXT("Both"), "Large"), Test.Style.GetDefaultBrush());
	EXPECT_EQ(Test.Style.GetBrush(TEXT("Both"), "Small"), Test.BothSmall);
	const std::vector<TestLog::FCapture::FLine> Lines = Log.Take();
	ASSERT_EQ(Lines.size(), 2u);
	EXPECT_EQ(Lines[0].Verbosity, ELogVerbosity::Warning);
	EXPECT_EQ(Lines[0].Message, "Missing Resource from 'HeTestIcons' Style: 'Unable to find Brush 'Nope'.'");
	EXPECT_EQ(Lines[1].Message, "Missing Resource from 'HeTestIcons' Style: 'Unable to find Brush 'Both.Large'.'");

	// The optional form never warns; its default is the no-brush unless one is given.
	EXPECT_EQ(Test.Style.GetOptionalBrush(TEXT("Other")), FStyleDefaults::GetNoBrush());
	EXPECT_EQ(Test.Style.GetOptionalBrush(TEXT("Other"), nullptr, Test.LargeOnly), Test.LargeOnly);
	EXPECT_EQ(Test.Style.GetOptionalBrush(TEXT("Both")), Test.Both);
	EXPECT_TRUE(Log.Take().empty());

	EXPECT_EQ(Test.Style.GetContentRootDir(), TEXT("/icons"));
}
