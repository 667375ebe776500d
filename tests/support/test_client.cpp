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

// A new stream socket held by `socket`, bound to 127.0.0.1:port when port is
// not 0.
bool OpenBound(net::NetSocket& socket, std::uint16_t port) {
  if (!socket.Create()) return false;
  if (port == 0) return true;
  const sockaddr_in sa = Loopback(port);
  return bind(socket.Handle(), reinterpret_cast<const sockaddr*>(&sa),
              static_cast<AddressLength>(sizeof sa)) == 0;
}

}  // namespace

bool ConnectLocal(net::NetSocket& socket, std::uint16_t port, std::uint16_t local_port) {
  if (!OpenBound(socket, local_port)) return false;
  const sockaddr_in sa = Loopback(port);
  return connect(socket.Handle(), reinterpret_cast<const sockaddr*>(&sa),
                 static_cast<AddressLength>(sizeof sa)) == 0;
}

bool ListenLocal(net::NetSocket& socket, std::uint16_t port) {
  return OpenBound(socket, port) && socket.Listen();
}

}  // namespace orvane::testing
