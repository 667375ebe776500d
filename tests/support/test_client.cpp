#include "support/test_client.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace orvane::testing {

namespace {

#ifdef _WIN32
using AddressLength = int;
#else
using AddressLength = socklen_t;
#endif

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return sa;
}

// A new stream socket held by `socket` (the one it held is closed), bound to
// 127.0.0.1:port when bind_it is true (port 0: one the system picks).
bool OpenBound(net::NetSocket& socket, std::uint16_t port, bool bind_it) {
  if (!socket.Create()) return false;
  if (!bind_it) return true;
  const sockaddr_in sa = Loopback(port);
  return bind(socket.Handle(), reinterpret_cast<const sockaddr*>(&sa),
              static_cast<AddressLength>(sizeof sa)) == 0;
}

}  // namespace

bool ConnectLocal(net::NetSocket& socket, std::uint16_t port, std::uint16_t local_port) {
  if (!OpenBound(socket, local_port, local_port != 0)) return false;
  const sockaddr_in sa = Loopback(port);
  return connect(socket.Handle(), reinterpret_cast<const sockaddr*>(&sa),
                 static_cast<AddressLength>(sizeof sa)) == 0;
}

bool ListenLocal(net::NetSocket& socket, std::uint16_t port) {
  return OpenBound(socket, port, true) && socket.Listen();
}

std::uint16_t ListenLocalOnAnyPort(net::NetSocket& socket) {
  return OpenBound(socket, 0, true) && socket.Listen() ? LocalPort(socket) : 0;
}

std::uint16_t LocalPort(const net::NetSocket& socket) {
  sockaddr_in sa{};
  auto length = static_cast<AddressLength>(sizeof sa);
  if (getsockname(socket.Handle(), reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
  return ntohs(sa.sin_port);
}

}  // namespace orvane::testing
