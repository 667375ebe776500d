#include "stress_client.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace orvane::stress {

namespace {

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool WaitFor(int fd, short events, int timeout_ms) {
  pollfd p{fd, events, 0};
  for (;;) {
    const int rc = poll(&p, 1, timeout_ms < 0 ? 0 : timeout_ms);
    if (rc >= 0) return rc > 0;
    if (errno != EINTR) return false;
  }
}

}  // namespace

int ConnectLocal(std::uint16_t port, int receive_buffer) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (receive_buffer > 0) {
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
  }
  if (ConnectTo(fd, port)) return fd;
  close(fd);
  return -1;
}

int BoundLocalSocket() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = 0;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0) return fd;
  close(fd);
  return -1;
}

bool ConnectTo(int fd, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  for (;;) {
    if (connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0) return true;
    if (errno != EINTR) return false;
  }
}

int LocalPort(int fd) {
  sockaddr_in sa{};
  socklen_t length = sizeof sa;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
  return ntohs(sa.sin_port);
}

bool SendAllBytes(int fd, std::string_view data, int timeout_ms) {
  const std::int64_t deadline = NowMs() + timeout_ms;
  while (!data.empty()) {
    if (!WaitFor(fd, POLLOUT, static_cast<int>(deadline - NowMs()))) return false;
    const ssize_t sent = send(fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

bool ReadUntilClosed(int fd, std::string& out, int timeout_ms, bool* reset) {
  if (reset != nullptr) *reset = false;
  const std::int64_t deadline = NowMs() + timeout_ms;
  char buffer[65536];
  for (;;) {
    if (!WaitFor(fd, POLLIN, static_cast<int>(deadline - NowMs()))) return false;
    const ssize_t got = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      if (errno != ECONNRESET) return false;
      if (reset != nullptr) *reset = true;
      return true;
    }
    out.append(buffer, static_cast<std::size_t>(got));
  }
}

long ReadAvailable(int fd, char* buffer, std::size_t size) {
  const ssize_t got = recv(fd, buffer, size, MSG_DONTWAIT);
  if (got >= 0) return static_cast<long>(got);
  return (errno == EAGAIN || errno == EINTR) ? -1 : -2;
}

std::string HeaderValue(const std::string& head, std::string_view name) {
  std::string key = "\r\n";
  key.append(name).append(": ");
  const std::size_t at = head.find(key);
  if (at == std::string::npos) return "";
  const std::size_t from = at + key.size();
  const std::size_t end = head.find("\r\n", from);
  return head.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

std::optional<Answer> ParseAnswer(const std::string& bytes) {
  if (bytes.compare(0, 9, "HTTP/1.1 ") != 0 || bytes.size() < 12) return std::nullopt;
  const std::size_t end = bytes.find("\r\n\r\n");
  if (end == std::string::npos) return std::nullopt;
  Answer answer;
  answer.status = std::atoi(bytes.substr(9, 3).c_str());
  answer.head = bytes.substr(0, end + 4);
  answer.body = bytes.substr(end + 4);
  const std::string length = HeaderValue(answer.head, "Content-Length");
  if (!length.empty()) {
    answer.content_length = std::strtoull(length.c_str(), nullptr, 10);
    if (*answer.content_length != answer.body.size()) return std::nullopt;
  }
  return answer;
}

std::string Fetch(std::uint16_t port, std::string_view request, int timeout_ms) {
  std::string out;
  const int fd = ConnectLocal(port);
  if (fd < 0) return out;
  if (SendAllBytes(fd, request, timeout_ms)) (void)ReadUntilClosed(fd, out, timeout_ms);
  close(fd);
  return out;
}

}  // namespace orvane::stress
