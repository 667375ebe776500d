// Raw POSIX client sockets for the stress checks: nothing of the service's
// own socket layer, so a fault there cannot hide itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::stress {

// A connected TCP socket to 127.0.0.1:port, or -1. A positive receive_buffer
// sets SO_RCVBUF before the connect (a slow reader's small window).
int ConnectLocal(std::uint16_t port, int receive_buffer = 0);

// A TCP socket bound to 127.0.0.1 on a port the kernel picks, not yet
// connected: its port (LocalPort) is known before the server can see it.
// -1 on failure.
int BoundLocalSocket();
// Connects a socket to 127.0.0.1:port; false on failure.
bool ConnectTo(int fd, std::uint16_t port);

// The local port of a socket, or 0.
int LocalPort(int fd);

// Sends all of `data` within timeout_ms; false on an error or time-out.
bool SendAllBytes(int fd, std::string_view data, int timeout_ms);

// Reads until the peer closes (true) or timeout_ms passes or an error (false).
// A reset counts as a close; `reset` tells whether the end was one.
bool ReadUntilClosed(int fd, std::string& out, int timeout_ms, bool* reset = nullptr);

// Up to `size` bytes that are there now, without waiting: the count, 0 at
// the end, -1 when nothing is waiting, -2 on an error.
long ReadAvailable(int fd, char* buffer, std::size_t size);

// A parsed answer: status, head and body as received.
struct Answer {
  int status = 0;
  std::string head;  // up to and including the empty line
  std::string body;
  std::optional<std::uint64_t> content_length;
};
// Empty when `bytes` is not a whole HTTP/1.1 answer (no status line, no end
// of head, or a body that differs in length from its Content-Length).
std::optional<Answer> ParseAnswer(const std::string& bytes);

// The value of a header line in `head` ("Name: value\r\n"), or "".
std::string HeaderValue(const std::string& head, std::string_view name);

// One request on a new connection, the whole answer read until the close.
std::string Fetch(std::uint16_t port, std::string_view request, int timeout_ms = 5000);

}  // namespace orvane::stress
