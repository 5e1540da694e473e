// What requests and responses share: the URL, the status of the transfer, headers and the body.
#pragma once

#include "CoreMinimal.h"

namespace EHttpRequestStatus
{
	enum Type
	{
		// ProcessRequest has not been called.
		NotStarted,
		// In flight.
		Processing,
		// Finished without a whole response; GetFailureReason says why.
		Failed,
		// Deprecated in the engine since 5.4 (Failed with EHttpFailureReason::ConnectionError
		// replaces it); kept so that the values match the engine's.
		Failed_ConnectionError,
		// Finished with a whole response (of any status code).
		Succeeded,
	};

	inline const TCHAR* ToString(EHttpRequestStatus::Type Status)
	{
		switch (Status)
		{
		case NotStarted: return TEXT("NotStarted");
		case Processing: return TEXT("Processing");
		case Failed: return TEXT("Failed");
		case Failed_ConnectionError: return TEXT("ConnectionError");
		case Succeeded: return TEXT("Succeeded");
		}
		return TEXT("");
	}

	inline bool IsFinished(const EHttpRequestStatus::Type Status) { return Status != NotStarted && Status != Processing; }
}

// Why a request failed (None unless GetStatus is Failed).
enum class EHttpFailureReason : uint8
{
	None = 0,
	ConnectionError,
	Cancelled,
	// The request's own total time limit ran out, whatever step it was in.
	TimedOut,
	Other,
};

inline const TCHAR* LexToString(EHttpFailureReason Reason)
{
	switch (Reason)
	{
	case EHttpFailureReason::None: return TEXT("None");
	case EHttpFailureReason::ConnectionError: return TEXT("ConnectionError");
	case EHttpFailureReason::Cancelled: return TEXT("Cancelled");
	case EHttpFailureReason::TimedOut: return TEXT("TimedOut");
	case EHttpFailureReason::Other: return TEXT("Other");
	}
	return TEXT("Invalid");
}

class HTTP_API IHttpBase
{
public:
	virtual ~IHttpBase() = default;

	virtual FString GetURL() const = 0;
	virtual EHttpRequestStatus::Type GetStatus() const = 0;
	virtual EHttpFailureReason GetFailureReason() const = 0;
	// The value of a header, "" when absent; names match regardless of case.
	virtual FString GetHeader(const FString& HeaderName) const = 0;
	virtual FString GetContentType() const = 0;
	// The announced length; may be 0 while the length is unknown. GetContent().Num() is the real size.
	virtual uint64 GetContentLength() const = 0;
	virtual const TArray<uint8>& GetContent() const = 0;
};
