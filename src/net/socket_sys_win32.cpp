#include <winsock2.h>
#include <ws2tcpip.h>

#include "net/socket_sys.h"

namespace orvane::net::sys {

namespace {

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(address);
  return sa;
}

int Wait(SocketHandle handle, bool write, int timeout_ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(static_cast<SOCKET>(handle), &set);
  timeval limit{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  const int rc = select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &limit);
  if (rc == SOCKET_ERROR) return -1;
  return rc > 0 ? 1 : 0;
}

}  // namespace

int StartLibrary() {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data);
}

void CleanupLibrary() { WSACleanup(); }

SocketHandle OpenStreamSocket() {
  return static_cast<SocketHandle>(socket(AF_INET, SOCK_STREAM, 0));
}

// closesocket ends accept, recv, send and select pending on the socket in
// other threads.
void CloseSocket(SocketHandle handle) { closesocket(static_cast<SOCKET>(handle)); }

void CloseUnwatchedSocket(SocketHandle handle) { closesocket(static_cast<SOCKET>(handle)); }

void ShutdownSocket(SocketHandle handle, ShutdownHow how) {
  shutdown(static_cast<SOCKET>(handle), how == ShutdownHow::kSend      ? SD_SEND
                                        : how == ShutdownHow::kReceive ? SD_RECEIVE
                                                                       : SD_BOTH);
}

int LastError() { return WSAGetLastError(); }

const bool kShutdownEndsWait = false;

int WaitReadable(SocketHandle handle, int timeout_ms) { return Wait(handle, false, timeout_ms); }
int WaitWritable(SocketHandle handle, int timeout_ms) { return Wait(handle, true, timeout_ms); }

long Receive(SocketHandle handle, char* buffer, std::size_t size) {
  const int cap = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
  const int got = recv(static_cast<SOCKET>(handle), buffer, cap, 0);
  return got == SOCKET_ERROR ? -1 : got;
}

// Winsock has no per-call non-blocking receive: the caller waits first.
long ReceiveNow(SocketHandle, char*, std::size_t) { return kWouldBlock; }

bool InputWaiting(SocketHandle handle) {
  if (Wait(handle, false, 0) == 0) return false;
  // Readable also at the peer's end of stream, which leaves no byte unread.
  u_long unread = 0;
  return ioctlsocket(static_cast<SOCKET>(handle), FIONREAD, &unread) != 0 || unread > 0;
}

// A Winsock send on a blocking socket waits for buffer space.
const bool kSendNeverBlocks = false;

long SendSome(SocketHandle handle, const char* data, std::size_t size) {
  // Winsock has no per-call non-blocking flag; a writable socket takes a
  // piece of this size without waiting for the peer.
  constexpr std::size_t kPiece = 64 * 1024;
  const int cap = static_cast<int>(size < kPiece ? size : kPiece);
  const int sent = send(static_cast<SOCKET>(handle), data, cap, 0);
  return sent == SOCKET_ERROR ? -1 : sent;
}

long SendSomeOfTwo(SocketHandle handle, const char* first, std::size_t first_size,
                   const char* second, std::size_t second_size) {
  // As SendSome: at most one piece's worth, which a writable socket takes
  // without waiting.
  constexpr std::size_t kPiece = 64 * 1024;
  const std::size_t first_cap = first_size < kPiece ? first_size : kPiece;
  const std::size_t room = kPiece - first_cap;
  WSABUF pieces[2] = {
      {static_cast<ULONG>(first_cap), const_cast<char*>(first)},
      {static_cast<ULONG>(second_size < room ? second_size : room), const_cast<char*>(second)}};
  DWORD sent = 0;
  if (WSASend(static_cast<SOCKET>(handle), pieces, 2, &sent, 0, nullptr, nullptr) != 0) return -1;
  return static_cast<long>(sent);
}

// TransmitFile would be the Windows counterpart; the service reads and sends.
bool HasZeroCopySend() { return false; }

bool SetNonBlocking(SocketHandle handle, bool non_blocking) {
  u_long mode = non_blocking ? 1 : 0;
  return ioctlsocket(static_cast<SOCKET>(handle), FIONBIO, &mode) == 0;
}

long SendFilePiece(SocketHandle, std::intptr_t, std::uint64_t, std::size_t) { return -1; }

bool Bind(SocketHandle handle, std::uint16_t port) {
  const sockaddr_in sa = MakeAddress(0, port);  // INADDR_ANY
  return bind(static_cast<SOCKET>(handle), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) !=
         SOCKET_ERROR;
}

AcceptFailure ClassifyAcceptError(int code) {
  switch (code) {
    case WSAECONNRESET:
      return AcceptFailure::kRetry;
    case WSAEMFILE:
    case WSAENOBUFS:
      return AcceptFailure::kRetryLater;
    default:
      return AcceptFailure::kFatal;
  }
}

bool Listen(SocketHandle handle, int backlog) {
  return listen(static_cast<SOCKET>(handle), backlog) != SOCKET_ERROR;
}

SocketHandle Accept(SocketHandle handle, std::uint32_t& peer_address, std::uint16_t& peer_port) {
  sockaddr_in sa{};
  int length = sizeof sa;
  const SOCKET accepted =
      accept(static_cast<SOCKET>(handle), reinterpret_cast<sockaddr*>(&sa), &length);
  if (accepted != INVALID_SOCKET) {
    peer_address = ntohl(sa.sin_addr.s_addr);
    peer_port = ntohs(sa.sin_port);
  }
  return static_cast<SocketHandle>(accepted);
}

}  // namespace orvane::net::sys
