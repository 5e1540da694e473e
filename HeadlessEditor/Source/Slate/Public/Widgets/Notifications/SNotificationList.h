// Notifications: the toasts the editor shows in a corner of its window. The engine's items are
// Slate widgets; the headless editor's are plain objects the notification manager keeps, logs and
// lists on its console (see Slate/Host/NotificationsHost.h).
#pragma once

#include "CoreMinimal.h"
#include "Misc/Attribute.h"
#include "Types/SlateStructs.h"
#include "Layout/Visibility.h"
#include "Styling/SlateTypes.h"
#include "Widgets/Input/SCheckBox.h"

class INotificationWidget;
class SWindow;
struct FSlateBrush;

// One notification on screen, as AddNotification returns it.
class SNotificationItem : public TSharedFromThis<SNotificationItem>
{
public:
	virtual ~SNotificationItem() = default;

	enum ECompletionState
	{
		CS_None,
		CS_Pending,
		CS_Success,
		CS_Fail,
	};

	// The main line.
	virtual void SetText(const TAttribute<FText>& InText) = 0;

	// The smaller text under it.
	virtual void SetSubText(const TAttribute<FText>& InSubText) = 0;

	// The link and what a click runs; the link's text changes only when one is given.
	virtual void SetHyperlink(const FSimpleDelegate& InHyperlink, const TAttribute<FText>& InHyperlinkText = TAttribute<FText>()) = 0;

	// Seconds shown before the fade-out starts (once ExpireAndFadeout was called).
	virtual void SetExpireDuration(float ExpireDuration) = 0;

	virtual void SetFadeInDuration(float FadeInDuration) = 0;

	virtual void SetFadeOutDuration(float FadeOutDuration) = 0;

	// The state the throbber and the success and fail icons show.
	virtual ECompletionState GetCompletionState() const = 0;

	virtual void SetCompletionState(ECompletionState State) = 0;

	// Fades out after the expire duration.
	virtual void ExpireAndFadeout() = 0;

	// Fades out now.
	virtual void Fadeout() = 0;

	// Lights the outline in a colour while pending.
	virtual void Pulse(const FLinearColor& GlowColor) = 0;
};

// A button on a notification.
struct FNotificationButtonInfo
{
	using FVisibilityDelegate = TDelegate<EVisibility(SNotificationItem::ECompletionState)>;
	using FIsEnabledDelegate = TDelegate<bool(SNotificationItem::ECompletionState)>;

	// A button shown only while the notification is in VisibleInState.
	FNotificationButtonInfo(const TAttribute<FText>& InText, const TAttribute<FText>& InToolTip, FSimpleDelegate InCallback, SNotificationItem::ECompletionState VisibleInState = SNotificationItem::CS_Pending)
		: Text(InText)
		, ToolTip(InToolTip)
		, Callback(MoveTemp(InCallback))
		, VisibilityOnNone(VisibleInState == SNotificationItem::CS_None ? EVisibility::Visible : EVisibility::Collapsed)
		, VisibilityOnPending(VisibleInState == SNotificationItem::CS_Pending ? EVisibility::Visible : EVisibility::Collapsed)
		, VisibilityOnSuccess(VisibleInState == SNotificationItem::CS_Success ? EVisibility::Visible : EVisibility::Collapsed)
		, VisibilityOnFail(VisibleInState == SNotificationItem::CS_Fail ? EVisibility::Visible : EVisibility::Collapsed)
	{
	}

	// A button whose visibility (and enabled state) delegates decide; always shown without one.
	FNotificationButtonInfo(const TAttribute<FText>& InText, const TAttribute<FText>& InToolTip, FSimpleDelegate InCallback, FVisibilityDelegate InVisibilityCallback, FIsEnabledDelegate InIsEnabledCallback = FIsEnabledDelegate())
		: Text(InText)
		, ToolTip(InToolTip)
		, Callback(MoveTemp(InCallback))
		, VisibilityCallback(MoveTemp(InVisibilityCallback))
		, IsEnabledCallback(MoveTemp(InIsEnabledCallback))
		, VisibilityOnNone(VisibilityCallback.IsBound() ? EVisibility::Collapsed : EVisibility::Visible)
		, VisibilityOnPending(VisibilityCallback.IsBound() ? EVisibility::Collapsed : EVisibility::Visible)
		, VisibilityOnSuccess(VisibilityCallback.IsBound() ? EVisibility::Collapsed : EVisibility::Visible)
		, VisibilityOnFail(VisibilityCallback.IsBound() ? EVisibility::Collapsed : EVisibility::Visible)
	{
	}

	TAttribute<FText> Text;
	TAttribute<FText> ToolTip;
	// Run on a click.
	FSimpleDelegate Callback;
	// When bound, decides the visibility in place of the four values below.
	FVisibilityDelegate VisibilityCallback;
	// When bound, decides whether the button can be clicked.
	FIsEnabledDelegate IsEnabledCallback;

	EVisibility VisibilityOnNone;
	EVisibility VisibilityOnPending;
	EVisibility VisibilityOnSuccess;
	EVisibility VisibilityOnFail;
};

// What a new notification shows and how it behaves.
struct FNotificationInfo
{
	// A notification with this text (and the default link text "Show Log", shown once a link is set).
	FNotificationInfo(const FText& InText)
		: ContentWidget()
		, Text(InText)
		, SubText()
		, ButtonDetails()
		, Image(nullptr)
		, FadeInDuration(0.5f)
		, FadeOutDuration(2.0f)
		, ExpireDuration(1.0f)
		, bUseThrobber(true)
		, bUseSuccessFailIcons(true)
		, bUseLargeFont(true)
		, WidthOverride(320.0f)
		, bFireAndForget(true)
		, CheckBoxState(ECheckBoxState::Unchecked)
		, CheckBoxStateChanged()
		, CheckBoxText()
		, Hyperlink()
		, HyperlinkText(NSLOCTEXT("EditorNotification", "DefaultHyperlinkText", "Show Log"))
		, bAllowThrottleWhenFrameRateIsLow(true)
	{
	}

	// A notification whose whole content is a widget of the caller's.
	FNotificationInfo(TSharedPtr<INotificationWidget> InContentWidget)
		: ContentWidget(InContentWidget)
		, Text()
		, SubText()
		, ButtonDetails()
		, Image(nullptr)
		, FadeInDuration(0.5f)
		, FadeOutDuration(2.0f)
		, ExpireDuration(1.0f)
		, bUseThrobber(false)
		, bUseSuccessFailIcons(false)
		, bUseLargeFont(false)
		, WidthOverride(320.0f)
		, bFireAndForget(true)
		, CheckBoxState(ECheckBoxState::Unchecked)
		, CheckBoxStateChanged()
		, CheckBoxText()
		, Hyperlink()
		, HyperlinkText()
		, bAllowThrottleWhenFrameRateIsLow(true)
	{
	}

	// Sets a "Copy to Clipboard" link that copies the text and sub-text as they are now.
	SLATE_API void ShowCopyToClipboadHyperlink();

	TSharedPtr<INotificationWidget> ContentWidget;

	TAttribute<FText> Text;

	TAttribute<FText> SubText;

	TArray<FNotificationButtonInfo> ButtonDetails;

	// Icon beside the text.
	const FSlateBrush* Image;

	float FadeInDuration;

	float FadeOutDuration;

	// Seconds shown (after fading in) before a fire-and-forget notification fades out.
	float ExpireDuration;

	bool bUseThrobber;

	bool bUseSuccessFailIcons;

	bool bUseLargeFont;

	FOptionalSize WidthOverride;

	// Fades out by itself after the expire duration.
	bool bFireAndForget;

	// A check box is shown when CheckBoxStateChanged is bound.
	TAttribute<ECheckBoxState> CheckBoxState;

	FOnCheckStateChanged CheckBoxStateChanged;

	TAttribute<FText> CheckBoxText;

	// The link is shown when this is bound; a click runs it.
	FSimpleDelegate Hyperlink;

	TAttribute<FText> HyperlinkText;

	// The window to show the notification in; the editor's main window when null.
	TSharedPtr<SWindow> ForWindow;

	bool bAllowThrottleWhenFrameRateIsLow;
};
