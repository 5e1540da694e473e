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
	TSharedRef<FInternetAddr> CreateInternetAddr();
	virtual TSharedRef<FInternetAddr> CreateInternetAddr(const FName ProtocolType) = 0;
	virtual const TCHAR* GetSocketError(ESocketErrors Code = SE_GET_LAST_ERROR_CODE) = 0;
	virtual ESocketErrors GetLastErrorCode() = 0;
	virtual ESocketErrors TranslateErrorCode(int32 Code) = 0;
};
