// What requests and responses share: the URL, headers and the body.
#pragma once

#include "CoreMinimal.h"

class HTTP_API IHttpBase
{
public:
	virtual ~IHttpBase() = default;

	virtual FString GetURL() const = 0;
	// The value of a header, "" when absent; names match regardless of case.
	virtual FString GetHeader(const FString& HeaderName) const = 0;
	// The announced length; may be 0 while the length is unknown. GetContent().Num() is the real size.
	virtual uint64 GetContentLength() const = 0;
	virtual const TArray<uint8>& GetContent() const = 0;
	virtual FString GetContentType() const { return GetHeader(TEXT("Content-Type")); }
};
