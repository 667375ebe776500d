// What tests do with sockets and the server never does: connecting, and
// binding to 127.0.0.1. Made with the system's own calls; the socket is then
// held by a NetSocket, whose reading and sending the tests share with the
// server.
#pragma once

#include <cstdint>

#include "net/net_socket.h"

namespace orvane::testing {

// Connects to 127.0.0.1:port, from local_port when it is not 0. The socket
// holds the connection; false when it cannot be made.
bool ConnectLocal(net::NetSocket& socket, std::uint16_t port, std::uint16_t local_port = 0);

// A socket listening on 127.0.0.1:port; false when the port is taken.
bool ListenLocal(net::NetSocket& socket, std::uint16_t port);

// A socket listening on 127.0.0.1 on a port the system picks, so no other
// program can take it between a probe and the bind; the port, 0 on failure.
std::uint16_t ListenLocalOnAnyPort(net::NetSocket& socket);

// The local port a socket is bound to; 0 when it is bound to none.
std::uint16_t LocalPort(const net::NetSocket& socket);

}  // namespace orvane::testing
