// The response of an HTTP request: status code, headers and body.
#pragma once

#include "CoreMinimal.h"
#include "HttpFwd.h"
#include "Interfaces/IHttpBase.h"

namespace EHttpResponseCodes
{
	enum Type
	{
		Unknown = 0,
		Ok = 200,
		Moved = 301,
		Redirect = 302,
		NotFound = 404,
		ServerError = 500,
	};
	inline bool IsOk(int32 StatusCode) { return StatusCode >= 200 && StatusCode <= 299; }
}

class HTTP_API IHttpResponse : public IHttpBase
{
public:
	// The status of the final response (after redirects); 0 before a status line has arrived.
	virtual int32 GetResponseCode() const = 0;
	// The body decoded as UTF-8.
	virtual FString GetContentAsString() const = 0;
};
