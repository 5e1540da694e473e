// Host-only: an FSocket over a descriptor the caller already holds (one end of a socketpair, say),
// so code that takes an FSocket can be driven without a listening port. Not visible to plugins.
#pragma once

#include "CoreMinimal.h"
#include "Sockets.h"

namespace UE::HeadlessEditor
{
	// The socket owns Fd from now on and closes it when destroyed (ISocketSubsystem::DestroySocket
	// or delete). bNonBlocking switches the descriptor to non-blocking mode, as an accepted socket
	// of a non-blocking listener is. Null for a negative descriptor.
	SOCKETS_API FSocket* CreateSocketFromDescriptor(int Fd, const FString& Description, bool bNonBlocking);
}
