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

bool DescribeAddress(const sockaddr_in& sa, std::string& address, std::uint16_t& port) {
  const char* text = inet_ntoa(sa.sin_addr);
  if (text == nullptr) return false;
  address = text;
  port = ntohs(sa.sin_port);
  return true;
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

int InvalidArgumentError() { return WSAEINVAL; }

int StartLibrary() {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data);
}

void CleanupLibrary() { WSACleanup(); }

SocketHandle OpenSocket(bool datagram) {
  return static_cast<SocketHandle>(socket(AF_INET, datagram ? SOCK_DGRAM : SOCK_STREAM, 0));
}

// closesocket ends accept, recv, send and select pending on the socket in
// other threads.
void CloseSocket(SocketHandle handle) { closesocket(static_cast<SOCKET>(handle)); }

void ShutdownSocket(SocketHandle handle, ShutdownHow how) {
  shutdown(static_cast<SOCKET>(handle), how == ShutdownHow::kSend      ? SD_SEND
                                        : how == ShutdownHow::kReceive ? SD_RECEIVE
                                                                       : SD_BOTH);
}

int LastError() { return WSAGetLastError(); }
void SetLastError(int code) { WSASetLastError(code); }

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

// TransmitFile would be the Windows counterpart; the service reads and sends.
bool HasZeroCopySend() { return false; }

bool SetNonBlocking(SocketHandle handle, bool non_blocking) {
  u_long mode = non_blocking ? 1 : 0;
  return ioctlsocket(static_cast<SOCKET>(handle), FIONBIO, &mode) == 0;
}

long SendFilePiece(SocketHandle, std::intptr_t, std::uint64_t, std::size_t) { return -1; }

bool Bind(SocketHandle handle, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in sa = MakeAddress(address, port);
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

SocketHandle Accept(SocketHandle handle) {
  sockaddr_in sa{};
  int length = sizeof sa;
  return static_cast<SocketHandle>(
      accept(static_cast<SOCKET>(handle), reinterpret_cast<sockaddr*>(&sa), &length));
}

int Connect(SocketHandle handle, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in sa = MakeAddress(address, port);
  if (connect(static_cast<SOCKET>(handle), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) !=
      SOCKET_ERROR) {
    return 0;
  }
  return WSAGetLastError() == WSAEWOULDBLOCK ? 1 : -1;
}

bool PeerName(SocketHandle handle, std::string& address, std::uint16_t& port) {
  sockaddr_in sa{};
  int length = sizeof sa;
  if (getpeername(static_cast<SOCKET>(handle), reinterpret_cast<sockaddr*>(&sa), &length) != 0) {
    return false;
  }
  return DescribeAddress(sa, address, port);
}

bool LocalName(SocketHandle handle, std::string& address, std::uint16_t& port) {
  sockaddr_in sa{};
  int length = sizeof sa;
  if (getsockname(static_cast<SOCKET>(handle), reinterpret_cast<sockaddr*>(&sa), &length) != 0) {
    return false;
  }
  return DescribeAddress(sa, address, port);
}

bool ParseDottedAddress(const std::string& text, std::uint32_t& address) {
  const unsigned long parsed = inet_addr(text.c_str());
  if (parsed == INADDR_NONE) return false;
  address = ntohl(parsed);
  return true;
}

bool ResolveHost(const std::string& host, std::uint32_t& address) {
  if (ParseDottedAddress(host, address)) return true;
  const hostent* entry = gethostbyname(host.c_str());
  if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_addr_list[0] == nullptr) {
    return false;
  }
  in_addr first;
  memcpy(&first, entry->h_addr_list[0], sizeof first);
  address = ntohl(first.s_addr);
  return true;
}

long SendTo(SocketHandle handle, const char* data, std::size_t size, std::uint32_t address,
            std::uint16_t port) {
  const sockaddr_in sa = MakeAddress(address, port);
  const int cap = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
  return sendto(static_cast<SOCKET>(handle), data, cap, 0, reinterpret_cast<const sockaddr*>(&sa),
                sizeof sa);
}

long ReceiveFrom(SocketHandle handle, char* buffer, std::size_t size, std::string& address,
                 std::uint16_t& port) {
  sockaddr_in sa{};
  int length = sizeof sa;
  const int cap = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
  const int got = recvfrom(static_cast<SOCKET>(handle), buffer, cap, 0,
                           reinterpret_cast<sockaddr*>(&sa), &length);
  if (got == SOCKET_ERROR || !DescribeAddress(sa, address, port)) return -1;
  return got;
}

bool EnableBroadcast(SocketHandle handle) {
  const BOOL one = TRUE;
  return setsockopt(static_cast<SOCKET>(handle), SOL_SOCKET, SO_BROADCAST,
                    reinterpret_cast<const char*>(&one), sizeof one) != SOCKET_ERROR;
}

}  // namespace orvane::net::sys
