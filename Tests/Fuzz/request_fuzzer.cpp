// libFuzzer harness over the server's request reading and routing: the input is written into one
// end of a socket pair, in pieces the fuzzer chooses, while FMOLDARIServer::HandleConnection
// reads the other end as it reads an accepted client. Whatever arrives, the connection ends
// with at most one answer, and an answer is a whole response whose Content-Length is the body's.
//
// Input: the request bytes, then K split offsets (little-endian uint16 each), then one byte
// whose value mod 8 is K. A piece is written only once the server has read the one before, so
// every split is a read boundary. After the last piece the client shuts its sending side, as a
// client that has said everything does, so no input waits for the 5 s deadline.
//
// POST /import is answered by a stand-in for the import endpoint defined below: the real one
// would start a download (network) or read a local file for a file:// URL, and it is fuzzed on
// its own, from the body on (import_request_fuzzer). Here the router's hand-over is checked.
#include "MOLDARIHttpRequest.h"
#include "MOLDARIServer.h"

#include "HeadlessEditorHost.h"
#include "SocketFromDescriptor.h"
#include "SocketSubsystem.h"
#include "Sockets.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
	int32 GImportCalls = 0;
	int64 GImportBodyBytes = 0;
	const char* const ImportReply = "{\"handled\":\"import\"}";

	[[noreturn]] void Fail(const char* What, const std::string& Response)
	{
		std::fprintf(stderr, "request_fuzzer: %s\n--- response (%zu bytes) ---\n%s\n---\n", What, Response.size(), Response.c_str());
		__builtin_trap();
	}

	int PendingBytes(int Fd)
	{
		int Count = 0;
		return ioctl(Fd, FIONREAD, &Count) == 0 ? Count : 0;
	}
}

// The stand-in for the import endpoint (see the top of the file).
void FMOLDARIServer::HandleImport(FSocket* Socket, const FString& Body, const FString& Origin)
{
	++GImportCalls;
	GImportBodyBytes = FTCHARToUTF8(*Body).Length();
	SendResponse(Socket, 200, FString(ImportReply), Origin);
}

extern "C" int LLVMFuzzerInitialize(int* Argc, char*** Argv)
{
	UE::HeadlessEditor::SetLogToStdout(false);
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
	if (Size == 0)
	{
		return 0;
	}
	// The trailer: K split offsets and their count.
	size_t NumCuts = Data[Size - 1] % 8;
	if (Size - 1 < NumCuts * 2)
	{
		NumCuts = 0;
	}
	const size_t StreamSize = Size - 1 - NumCuts * 2;
	std::vector<size_t> Cuts;
	for (size_t Index = 0; Index < NumCuts; ++Index)
	{
		const uint8_t* At = Data + StreamSize + Index * 2;
		const size_t Offset = (static_cast<size_t>(At[0]) | (static_cast<size_t>(At[1]) << 8)) % (StreamSize + 1);
		if (Offset > 0 && Offset < StreamSize)
		{
			Cuts.push_back(Offset);
		}
	}
	std::sort(Cuts.begin(), Cuts.end());
	Cuts.erase(std::unique(Cuts.begin(), Cuts.end()), Cuts.end());
	Cuts.push_back(StreamSize);

	int Fds[2];
	if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, Fds) != 0)
	{
		return 0;
	}
	// The client side never blocks: once the server stops reading, the rest is dropped.
	fcntl(Fds[1], F_SETFL, fcntl(Fds[1], F_GETFL, 0) | O_NONBLOCK);
	FSocket* ServerSide = UE::HeadlessEditor::CreateSocketFromDescriptor(Fds[0], TEXT("MOLDARIClient"), true);

	std::atomic<bool> bServerDone{ false };
	std::thread Client([&]
	{
		size_t Start = 0;
		for (size_t Index = 0; Index < Cuts.size(); ++Index)
		{
			if (Index > 0)
			{
				// The piece before must be read first, so this one arrives in a read of its own.
				for (int Spin = 0; Spin < 50000 && !bServerDone.load() && PendingBytes(Fds[0]) > 0; ++Spin)
				{
					usleep(10);
				}
			}
			while (Start < Cuts[Index] && !bServerDone.load())
			{
				const ssize_t Written = send(Fds[1], Data + Start, Cuts[Index] - Start, MSG_NOSIGNAL);
				if (Written > 0)
				{
					Start += static_cast<size_t>(Written);
				}
				else if (Written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
				{
					pollfd Poll = { Fds[1], POLLOUT, 0 };
					poll(&Poll, 1, 10);
				}
				else
				{
					break;
				}
			}
		}
		shutdown(Fds[1], SHUT_WR);
	});

	GImportCalls = 0;
	GImportBodyBytes = 0;
	{
		FMOLDARIServer Server;
		Server.HandleConnection(ServerSide);
	}
	bServerDone = true;
	Client.join();

	// Everything the server wrote is in the pair's buffer by now.
	std::string Response;
	char Chunk[4096];
	while (true)
	{
		const ssize_t Read = recv(Fds[1], Chunk, sizeof(Chunk), MSG_DONTWAIT);
		if (Read <= 0)
		{
			break;
		}
		Response.append(Chunk, static_cast<size_t>(Read));
	}
	ISocketSubsystem::Get(PLATFORM_SOCKETSUBSYSTEM)->DestroySocket(ServerSide);
	close(Fds[1]);

	if (GImportCalls > 1)
	{
		Fail("the import endpoint was called more than once", Response);
	}
	if (GImportBodyBytes > MOLDARIHttp::MaxBodyBytes)
	{
		Fail("a body beyond the limit reached the import endpoint", Response);
	}
	if (Response.empty())
	{
		if (GImportCalls != 0)
		{
			Fail("the import endpoint's answer did not arrive", Response);
		}
		return 0;
	}
	if (Response.compare(0, 9, "HTTP/1.1 ") != 0)
	{
		Fail("the answer does not start with a status line", Response);
	}
	const size_t HeaderEnd = Response.find("\r\n\r\n");
	if (HeaderEnd == std::string::npos)
	{
		Fail("the answer has no end of header", Response);
	}
	const std::string Head = Response.substr(0, HeaderEnd + 2);
	const size_t LengthAt = Head.find("\r\nContent-Length: ");
	if (LengthAt == std::string::npos)
	{
		Fail("the answer has no Content-Length", Response);
	}
	const long Announced = std::strtol(Head.c_str() + LengthAt + 18, nullptr, 10);
	if (Announced < 0 || static_cast<size_t>(Announced) != Response.size() - HeaderEnd - 4)
	{
		Fail("Content-Length differs from the body that follows (two answers, or a cut one)", Response);
	}
	if (GImportCalls == 1 && Response.compare(Response.size() - std::strlen(ImportReply), std::string::npos, ImportReply) != 0)
	{
		Fail("a request routed to the import endpoint got another answer as well", Response);
	}
	return 0;
}
