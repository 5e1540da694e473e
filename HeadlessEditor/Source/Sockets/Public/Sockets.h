// FSocket as the engine declares it; the POSIX implementation copies the engine's BSD socket
// rules (see SocketsBSD.cpp).
#pragma once

#include "CoreMinimal.h"
#include "SocketTypes.h"
#include "Misc/Timespan.h"

class FInternetAddr;

class SOCKETS_API FSocket
{
public:
	FSocket() = default;
	FSocket(ESocketType InSocketType, const FString& InSocketDescription, const FName& InProtocol)
		: SocketType(InSocketType), SocketDescription(InSocketDescription), SocketProtocol(InProtocol) {}
	virtual ~FSocket() = default;

	virtual bool Shutdown(ESocketShutdownMode Mode) = 0;
	virtual bool Close() = 0;
	virtual bool Bind(const FInternetAddr& Addr) = 0;
	virtual bool Connect(const FInternetAddr& Addr) = 0;
	virtual bool Listen(int32 MaxBacklog) = 0;
	virtual bool WaitForPendingConnection(bool& bHasPendingConnection, const FTimespan& WaitTime) = 0;
	// WaitForPendingConnection without waiting.
	bool HasPendingConnection(bool& bHasPendingConnection) { return WaitForPendingConnection(bHasPendingConnection, FTimespan::Zero()); }
	virtual bool HasPendingData(uint32& PendingDataSize) = 0;
	virtual FSocket* Accept(const FString& InSocketDescription) = 0;
	virtual FSocket* Accept(FInternetAddr& OutAddr, const FString& InSocketDescription) = 0;
	// The base forms only report success, as the engine's do; every real socket overrides them.
	virtual bool Send(const uint8* Data, int32 Count, int32& BytesSent);
	virtual bool Recv(uint8* Data, int32 BufferSize, int32& BytesRead, ESocketReceiveFlags::Type Flags = ESocketReceiveFlags::None);
	virtual bool Wait(ESocketWaitConditions::Type Condition, FTimespan WaitTime) = 0;
	virtual ESocketConnectionState GetConnectionState() = 0;
	virtual void GetAddress(FInternetAddr& OutAddr) = 0;
	virtual bool GetPeerAddress(FInternetAddr& OutAddr) = 0;
	virtual bool SetNonBlocking(bool bIsNonBlocking = true) = 0;
	virtual bool SetBroadcast(bool bAllowBroadcast = true) = 0;
	virtual bool SetNoDelay(bool bIsNoDelay = true) = 0;
	virtual bool SetReuseAddr(bool bAllowReuse = true) = 0;
	virtual bool SetLinger(bool bShouldLinger = true, int32 Timeout = 0) = 0;
	virtual bool SetRecvErr(bool bUseErrorQueue = true) = 0;
	virtual bool SetSendBufferSize(int32 Size, int32& NewSize) = 0;
	virtual bool SetReceiveBufferSize(int32 Size, int32& NewSize) = 0;
	virtual int32 GetPortNo() = 0;

	ESocketType GetSocketType() const { return SocketType; }
	FString GetDescription() const { return SocketDescription; }
	FName GetProtocol() const { return SocketProtocol; }

protected:
	ESocketType SocketType = SOCKTYPE_Unknown;
	FString SocketDescription;
	FName SocketProtocol;
};
