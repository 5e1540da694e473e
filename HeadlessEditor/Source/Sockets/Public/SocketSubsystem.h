#pragma once

#include "CoreMinimal.h"
#include "SocketTypes.h"

class FSocket;
class FInternetAddr;

#ifndef PLATFORM_SOCKETSUBSYSTEM
#define PLATFORM_SOCKETSUBSYSTEM FName(TEXT("UNIX"))
#endif

class SOCKETS_API ISocketSubsystem
{
public:
	static ISocketSubsystem* Get(const FName& SubsystemName = NAME_None);
	virtual ~ISocketSubsystem() = default;

	virtual FSocket* CreateSocket(const FName& SocketType, const FString& SocketDescription, bool bForceUDP = false);
	virtual FSocket* CreateSocket(const FName& SocketType, const FString& SocketDescription, const FName& ProtocolName) = 0;
	virtual void DestroySocket(FSocket* Socket) = 0;
	virtual TSharedRef<FInternetAddr> CreateInternetAddr() = 0;
	// The protocol-specific form; a subsystem with one kind of address gives the plain one.
	virtual TSharedRef<FInternetAddr> CreateInternetAddr(const FName ProtocolType) { return CreateInternetAddr(); }
	virtual ESocketErrors GetLastErrorCode() = 0;
	virtual ESocketErrors TranslateErrorCode(int32 Code) = 0;

	// The error's name ("SE_ECONNREFUSED"); the last error's when Code is SE_GET_LAST_ERROR_CODE.
	const TCHAR* GetSocketError(ESocketErrors Code = SE_GET_LAST_ERROR_CODE);
};
