// The request's stream setters that the engine implements once for every platform
// (Online/HTTP/Private/Interfaces/IHttpRequest.cpp): each wraps its delegate in an archive and
// hands it to SetResponseBodyReceiveStream.
#include "Interfaces/IHttpRequest.h"

namespace
{
	// Hands each piece to a V2 delegate; a delegate that changes the length it was given refuses
	// the piece, and the archive's error is set. An unbound delegate takes and drops every piece.
	class FArchiveWithDelegateV2 final : public FArchive
	{
	public:
		explicit FArchiveWithDelegateV2(FHttpRequestStreamDelegateV2 InStreamDelegate) : StreamDelegate(InStreamDelegate) {}

		virtual void Serialize(void* V, int64 Length) override
		{
			int64 Taken = Length;
			StreamDelegate.ExecuteIfBound(V, Taken);
			if (Taken != Length) { SetError(); }
		}

	private:
		FHttpRequestStreamDelegateV2 StreamDelegate;
	};
}

PRAGMA_DISABLE_DEPRECATION_WARNINGS
bool IHttpRequest::SetResponseBodyReceiveStreamDelegate(FHttpRequestStreamDelegate StreamDelegate)
{
	return SetResponseBodyReceiveStream(MakeShared<FArchiveWithDelegate>(StreamDelegate));
}
PRAGMA_ENABLE_DEPRECATION_WARNINGS

bool IHttpRequest::SetResponseBodyReceiveStreamDelegateV2(FHttpRequestStreamDelegateV2 StreamDelegate)
{
	return SetResponseBodyReceiveStream(MakeShared<FArchiveWithDelegateV2>(StreamDelegate));
}
