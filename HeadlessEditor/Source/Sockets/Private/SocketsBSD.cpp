// POSIX sockets with the engine's BSD socket rules: Recv answers false on a graceful close and
// true with 0 bytes on would-block; HasPendingData is false at end of stream; accepted sockets
// inherit the listener's non-blocking mode (as on Windows); Send never raises SIGPIPE.
#include "Sockets.h"
#include "SocketSubsystem.h"
#include "IPAddress.h"
#include "HAL/PlatformTime.h"
#include "HeadlessString.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
	thread_local int GLastErrno = 0;

	class FInternetAddrBSD final : public FInternetAddr
	{
	public:
		FInternetAddrBSD() { std::memset(&Addr, 0, sizeof(Addr)); Addr.sin_family = AF_INET; }

		void SetIp(uint32 InAddr) override { Addr.sin_addr.s_addr = htonl(InAddr); }
		void SetIp(const TCHAR* InAddr, bool& bIsValid) override
		{
			const std::string Text = UE::HeadlessEditor::ToUtf8(FString(InAddr));
			const size_t Colon = Text.find(':');
			bIsValid = inet_pton(AF_INET, Text.substr(0, Colon).c_str(), &Addr.sin_addr) == 1;
			if (bIsValid && Colon != std::string::npos) { SetPort(std::atoi(Text.c_str() + Colon + 1)); }
		}
		void GetIp(uint32& OutAddr) const override { OutAddr = ntohl(Addr.sin_addr.s_addr); }
		void SetPort(int32 InPort) override { Addr.sin_port = htons(static_cast<uint16>(InPort)); }
		int32 GetPort() const override { return ntohs(Addr.sin_port); }
		void SetAnyAddress() override { Addr.sin_addr.s_addr = htonl(INADDR_ANY); }
		void SetLoopbackAddress() override { Addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK); }
		void SetBroadcastAddress() override { Addr.sin_addr.s_addr = htonl(INADDR_BROADCAST); }
		FString ToString(bool bAppendPort) const override
		{
			char Buffer[INET_ADDRSTRLEN] = {};
			inet_ntop(AF_INET, &Addr.sin_addr, Buffer, sizeof(Buffer));
			std::string Text = Buffer;
			if (bAppendPort) { Text += ":" + std::to_string(GetPort()); }
			return FString(Text.c_str());
		}
		bool IsValid() const override { return true; }
		TSharedRef<FInternetAddr> Clone() const override { auto Copy = MakeShared<FInternetAddrBSD>(); Copy->Addr = Addr; return Copy; }

		sockaddr_in Addr;
	};

	class FSocketBSD final : public FSocket
	{
	public:
		FSocketBSD(int InFd, ESocketType InType, const FString& InDescription, bool bInNonBlocking = false)
			: FSocket(InType, InDescription, FName(TEXT("IPv4"))), Fd(InFd), bNonBlocking(bInNonBlocking) {}
		~FSocketBSD() override { Close(); }

		bool Shutdown(ESocketShutdownMode Mode) override
		{
			const int How = Mode == ESocketShutdownMode::Read ? SHUT_RD : Mode == ESocketShutdownMode::Write ? SHUT_WR : SHUT_RDWR;
			return Check(shutdown(Fd.load(), How));
		}

		bool Close() override
		{
			// Swap the descriptor out first, then shut it down: a thread blocked in poll or accept
			// on it wakes up, and no later call can reach a reused descriptor number.
			const int Old = Fd.exchange(-1);
			if (Old < 0) { return false; }
			shutdown(Old, SHUT_RDWR);
			return close(Old) == 0;
		}

		bool Bind(const FInternetAddr& InAddr) override
		{
			const sockaddr_in& A = static_cast<const FInternetAddrBSD&>(InAddr).Addr;
			return Check(bind(Fd.load(), reinterpret_cast<const sockaddr*>(&A), sizeof(A)));
		}

		bool Connect(const FInternetAddr& InAddr) override
		{
			const sockaddr_in& A = static_cast<const FInternetAddrBSD&>(InAddr).Addr;
			const int Result = connect(Fd.load(), reinterpret_cast<const sockaddr*>(&A), sizeof(A));
			return Result == 0 || (Result < 0 && (errno == EINPROGRESS || errno == EWOULDBLOCK)) || Check(Result);
		}

		bool Listen(int32 MaxBacklog) override { return Check(listen(Fd.load(), MaxBacklog)); }

		bool WaitForPendingConnection(bool& bHasPendingConnection, const FTimespan& WaitTime) override
		{
			bHasPendingConnection = false;
			const int Ready = PollFor(POLLIN, WaitTime);
			if (Ready < 0) { return false; }
			bHasPendingConnection = Ready > 0;
			return true;
		}


		bool HasPendingData(uint32& PendingDataSize) override
		{
			PendingDataSize = 0;
			if (PollFor(POLLIN, FTimespan::Zero()) > 0)
			{
				int Count = 0;
				if (ioctl(Fd.load(), FIONREAD, &Count) == 0 && Count > 0) { PendingDataSize = static_cast<uint32>(Count); }
			}
			return PendingDataSize > 0;
		}

		FSocket* Accept(const FString& InSocketDescription) override
		{
			const int Listener = Fd.load();
			if (Listener < 0) { return nullptr; }
			const int Client = accept4(Listener, nullptr, nullptr, SOCK_CLOEXEC | (bNonBlocking ? SOCK_NONBLOCK : 0));
			if (Client < 0) { GLastErrno = errno; return nullptr; }
			return new FSocketBSD(Client, SOCKTYPE_Streaming, InSocketDescription, bNonBlocking);
		}

		FSocket* Accept(FInternetAddr& OutAddr, const FString& InSocketDescription) override
		{
			FSocket* Client = Accept(InSocketDescription);
			if (Client) { Client->GetPeerAddress(OutAddr); }
			return Client;
		}

		bool Send(const uint8* Data, int32 Count, int32& BytesSent) override
		{
			const ssize_t Result = send(Fd.load(), Data, static_cast<size_t>(Count > 0 ? Count : 0), MSG_NOSIGNAL);
			BytesSent = static_cast<int32>(Result);
			if (Result >= 0) { LastActivity = FPlatformTime::Seconds(); return true; }
			GLastErrno = errno;
			return false;
		}

		bool Recv(uint8* Data, int32 BufferSize, int32& BytesRead, ESocketReceiveFlags::Type Flags) override
		{
			int RecvFlags = 0;
			if (Flags & ESocketReceiveFlags::Peek) { RecvFlags |= MSG_PEEK; }
			if (Flags & ESocketReceiveFlags::WaitAll) { RecvFlags |= MSG_WAITALL; }
			const ssize_t Result = recv(Fd.load(), Data, static_cast<size_t>(BufferSize > 0 ? BufferSize : 0), RecvFlags);
			if (Result > 0) { BytesRead = static_cast<int32>(Result); LastActivity = FPlatformTime::Seconds(); return true; }
			BytesRead = 0;
			if (Result == 0) { return false; } // graceful close
			GLastErrno = errno;
			return errno == EAGAIN || errno == EWOULDBLOCK;
		}

		bool Wait(ESocketWaitConditions::Type Condition, FTimespan WaitTime) override
		{
			const short Events = Condition == ESocketWaitConditions::WaitForRead ? POLLIN
				: Condition == ESocketWaitConditions::WaitForWrite ? POLLOUT : static_cast<short>(POLLIN | POLLOUT);
			return PollFor(Events, WaitTime) > 0;
		}

		ESocketConnectionState GetConnectionState() override
		{
			const int Current = Fd.load();
			if (Current < 0) { return SCS_ConnectionError; }
			int Error = 0;
			socklen_t Length = sizeof(Error);
			if (getsockopt(Current, SOL_SOCKET, SO_ERROR, &Error, &Length) != 0 || Error != 0) { return SCS_ConnectionError; }
			if (FPlatformTime::Seconds() - LastActivity.load() < 5.0) { return SCS_Connected; }
			const bool bWritable = PollFor(POLLOUT, FTimespan::FromMilliseconds(1)) > 0;
			const bool bReadable = PollFor(POLLIN, FTimespan::FromMilliseconds(1)) > 0;
			return (bWritable || bReadable) ? SCS_Connected : SCS_NotConnected;
		}

		void GetAddress(FInternetAddr& OutAddr) override
		{
			sockaddr_in& A = static_cast<FInternetAddrBSD&>(OutAddr).Addr;
			socklen_t Length = sizeof(A);
			getsockname(Fd.load(), reinterpret_cast<sockaddr*>(&A), &Length);
		}

		bool GetPeerAddress(FInternetAddr& OutAddr) override
		{
			sockaddr_in& A = static_cast<FInternetAddrBSD&>(OutAddr).Addr;
			socklen_t Length = sizeof(A);
			return Check(getpeername(Fd.load(), reinterpret_cast<sockaddr*>(&A), &Length));
		}

		bool SetNonBlocking(bool bIsNonBlocking) override
		{
			const int Current = Fd.load();
			const int Flags = fcntl(Current, F_GETFL, 0);
			if (Flags < 0) { return false; }
			if (!Check(fcntl(Current, F_SETFL, bIsNonBlocking ? (Flags | O_NONBLOCK) : (Flags & ~O_NONBLOCK)))) { return false; }
			bNonBlocking = bIsNonBlocking;
			return true;
		}

		bool SetBroadcast(bool bAllow) override { return SetOption(SOL_SOCKET, SO_BROADCAST, bAllow ? 1 : 0); }
		bool SetNoDelay(bool bIsNoDelay) override { return SetOption(IPPROTO_TCP, TCP_NODELAY, bIsNoDelay ? 1 : 0); }
		// On Linux SO_REUSEADDR only lets a new listener take a port whose old connections linger
		// in TIME_WAIT; it never lets two sockets listen on one port.
		// As the engine's BSD sockets: address reuse, and port sharing where the platform has it
		// (Linux), so two sockets that both ask may listen on one port.
		bool SetReuseAddr(bool bAllowReuse) override
		{
			if (!SetOption(SOL_SOCKET, SO_REUSEADDR, bAllowReuse ? 1 : 0)) { return false; }
#ifdef SO_REUSEPORT
			return SetOption(SOL_SOCKET, SO_REUSEPORT, bAllowReuse ? 1 : 0);
#else
			return true;
#endif
		}
		bool SetLinger(bool bShouldLinger, int32 Timeout) override
		{
			linger Value{ bShouldLinger ? 1 : 0, Timeout };
			return Check(setsockopt(Fd.load(), SOL_SOCKET, SO_LINGER, &Value, sizeof(Value)));
		}
		bool SetRecvErr(bool) override { return true; }
		bool SetSendBufferSize(int32 Size, int32& NewSize) override { return SetBufferSize(SO_SNDBUF, Size, NewSize); }
		bool SetReceiveBufferSize(int32 Size, int32& NewSize) override { return SetBufferSize(SO_RCVBUF, Size, NewSize); }

		int32 GetPortNo() override
		{
			sockaddr_in A{};
			socklen_t Length = sizeof(A);
			if (getsockname(Fd.load(), reinterpret_cast<sockaddr*>(&A), &Length) != 0) { return 0; }
			return ntohs(A.sin_port);
		}

	private:
		static bool Check(int Result)
		{
			if (Result == 0) { return true; }
			GLastErrno = errno;
			return false;
		}

		bool SetOption(int Level, int Name, int Value) { return Check(setsockopt(Fd.load(), Level, Name, &Value, sizeof(Value))); }

		bool SetBufferSize(int Name, int32 Size, int32& NewSize)
		{
			const bool bOk = SetOption(SOL_SOCKET, Name, Size);
			socklen_t Length = sizeof(NewSize);
			getsockopt(Fd.load(), SOL_SOCKET, Name, &NewSize, &Length);
			return bOk;
		}

		// >0 ready, 0 timed out, <0 failed (a closed socket counts as failed).
		int PollFor(short Events, const FTimespan& WaitTime)
		{
			const int Current = Fd.load();
			if (Current < 0) { return -1; }
			pollfd Entry{ Current, Events, 0 };
			// As the engine's poll: whole milliseconds, cut (not rounded), and a negative time waits
			// for ever.
			const int Timeout = static_cast<int>(WaitTime.GetTotalMilliseconds());
			int Result;
			do { Result = poll(&Entry, 1, Timeout); } while (Result < 0 && errno == EINTR);
			if (Result < 0) { GLastErrno = errno; return -1; }
			if (Result == 0) { return 0; }
			if (Entry.revents & POLLNVAL) { return -1; }
			// A hang-up or error makes a read "ready": the next Recv reports what happened.
			if ((Events & POLLIN) && (Entry.revents & (POLLIN | POLLHUP | POLLERR))) { return 1; }
			if ((Events & POLLOUT) && (Entry.revents & (POLLOUT | POLLERR))) { return 1; }
			return 0;
		}

		std::atomic<int> Fd;
		std::atomic<bool> bNonBlocking;
		std::atomic<double> LastActivity{ 0.0 };
	};

	class FSocketSubsystemBSD final : public ISocketSubsystem
	{
	public:
		FSocket* CreateSocket(const FName& SocketType, const FString& SocketDescription, const FName& ProtocolName) override
		{
			const bool bStream = SocketType == FName(NAME_Stream);
			const int Fd = socket(AF_INET, (bStream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, 0);
			if (Fd < 0) { GLastErrno = errno; return nullptr; }
			return new FSocketBSD(Fd, bStream ? SOCKTYPE_Streaming : SOCKTYPE_Datagram, SocketDescription);
		}

		void DestroySocket(FSocket* Socket) override { delete Socket; }

		TSharedRef<FInternetAddr> CreateInternetAddr() override { return MakeShared<FInternetAddrBSD>(); }

		ESocketErrors GetLastErrorCode() override { return TranslateErrorCode(GLastErrno); }

		ESocketErrors TranslateErrorCode(int32 Code) override
		{
			switch (Code)
			{
			case 0: return SE_NO_ERROR;
			case EINTR: return SE_EINTR;
			case EBADF: return SE_EBADF;
			case EACCES: return SE_EACCES;
			case EINVAL: return SE_EINVAL;
			case EMFILE: return SE_EMFILE;
			case EAGAIN: return SE_EWOULDBLOCK;
			case EINPROGRESS: return SE_EINPROGRESS;
			case ENOTSOCK: return SE_ENOTSOCK;
			case EADDRINUSE: return SE_EADDRINUSE;
			case EADDRNOTAVAIL: return SE_EADDRNOTAVAIL;
			case ENETUNREACH: return SE_ENETUNREACH;
			case ECONNABORTED: return SE_ECONNABORTED;
			case ECONNRESET: return SE_ECONNRESET;
			case ENOTCONN: return SE_ENOTCONN;
			case ETIMEDOUT: return SE_ETIMEDOUT;
			case ECONNREFUSED: return SE_ECONNREFUSED;
			case EHOSTUNREACH: return SE_EHOSTUNREACH;
			case EPIPE: return SE_ESHUTDOWN;
			default: return SE_SYSTEM;
			}
		}
	};
}

ISocketSubsystem* ISocketSubsystem::Get(const FName& SubsystemName)
{
	static FSocketSubsystemBSD Instance;
	return &Instance;
}

FSocket* ISocketSubsystem::CreateSocket(const FName& SocketType, const FString& SocketDescription, bool bForceUDP)
{
	return CreateSocket(bForceUDP ? FName(NAME_DGram) : SocketType, SocketDescription, FName());
}

const TCHAR* ISocketSubsystem::GetSocketError(ESocketErrors Code)
{
	// In the order of ESocketErrors.
	static const TCHAR* const Names[] = {
		TEXT("SE_NO_ERROR"),
		TEXT("SE_EINTR"),
		TEXT("SE_EBADF"),
		TEXT("SE_EACCES"),
		TEXT("SE_EFAULT"),
		TEXT("SE_EINVAL"),
		TEXT("SE_EMFILE"),
		TEXT("SE_EWOULDBLOCK"),
		TEXT("SE_EINPROGRESS"),
		TEXT("SE_EALREADY"),
		TEXT("SE_ENOTSOCK"),
		TEXT("SE_EDESTADDRREQ"),
		TEXT("SE_EMSGSIZE"),
		TEXT("SE_EPROTOTYPE"),
		TEXT("SE_ENOPROTOOPT"),
		TEXT("SE_EPROTONOSUPPORT"),
		TEXT("SE_ESOCKTNOSUPPORT"),
		TEXT("SE_EOPNOTSUPP"),
		TEXT("SE_EPFNOSUPPORT"),
		TEXT("SE_EAFNOSUPPORT"),
		TEXT("SE_EADDRINUSE"),
		TEXT("SE_EADDRNOTAVAIL"),
		TEXT("SE_ENETDOWN"),
		TEXT("SE_ENETUNREACH"),
		TEXT("SE_ENETRESET"),
		TEXT("SE_ECONNABORTED"),
		TEXT("SE_ECONNRESET"),
		TEXT("SE_ENOBUFS"),
		TEXT("SE_EISCONN"),
		TEXT("SE_ENOTCONN"),
		TEXT("SE_ESHUTDOWN"),
		TEXT("SE_ETOOMANYREFS"),
		TEXT("SE_ETIMEDOUT"),
		TEXT("SE_ECONNREFUSED"),
		TEXT("SE_ELOOP"),
		TEXT("SE_ENAMETOOLONG"),
		TEXT("SE_EHOSTDOWN"),
		TEXT("SE_EHOSTUNREACH"),
		TEXT("SE_ENOTEMPTY"),
		TEXT("SE_EPROCLIM"),
		TEXT("SE_EUSERS"),
		TEXT("SE_EDQUOT"),
		TEXT("SE_ESTALE"),
		TEXT("SE_EREMOTE"),
		TEXT("SE_EDISCON"),
		TEXT("SE_SYSNOTREADY"),
		TEXT("SE_VERNOTSUPPORTED"),
		TEXT("SE_NOTINITIALISED"),
		TEXT("SE_HOST_NOT_FOUND"),
		TEXT("SE_TRY_AGAIN"),
		TEXT("SE_NO_RECOVERY"),
		TEXT("SE_NO_DATA"),
		TEXT("SE_UDP_ERR_PORT_UNREACH"),
		TEXT("SE_ADDRFAMILY"),
		TEXT("SE_SYSTEM"),
		TEXT("SE_NODEV"),
	};
	static_assert(UE_ARRAY_COUNT(Names) == SE_GET_LAST_ERROR_CODE, "one name per socket error");
	if (Code == SE_GET_LAST_ERROR_CODE) { Code = GetLastErrorCode(); }
	return (Code >= 0 && Code < SE_GET_LAST_ERROR_CODE) ? Names[Code] : TEXT("Unknown Error");
}

bool FSocket::Send(const uint8* /*Data*/, int32 /*Count*/, int32& /*BytesSent*/) { return true; }
bool FSocket::Recv(uint8* /*Data*/, int32 /*BufferSize*/, int32& /*BytesRead*/, ESocketReceiveFlags::Type /*Flags*/) { return true; }

#include "SocketFromDescriptor.h"

FSocket* UE::HeadlessEditor::CreateSocketFromDescriptor(int Fd, const FString& Description, bool bNonBlocking)
{
	if (Fd < 0) { return nullptr; }
	FSocketBSD* Socket = new FSocketBSD(Fd, SOCKTYPE_Streaming, Description);
	Socket->SetNonBlocking(bNonBlocking);
	return Socket;
}
