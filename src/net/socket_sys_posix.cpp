#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

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

// poll rather than select: select cannot watch descriptors numbered 1024 or
// more, which a busy server reaches.
int Wait(SocketHandle handle, short events, int timeout_ms) {
  pollfd p{handle, events, 0};
  for (;;) {
    const int rc = poll(&p, 1, timeout_ms);
    if (rc >= 0) return rc > 0 ? 1 : 0;
    if (errno != EINTR) return -1;
  }
}

}  // namespace

int StartLibrary() { return 0; }
void CleanupLibrary() {}

SocketHandle OpenStreamSocket() { return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }

void CloseSocket(SocketHandle handle) {
  // close() alone does not wake a thread blocked in accept() or poll() on
  // Linux; shutdown() does.
  shutdown(handle, SHUT_RDWR);
  close(handle);
}

void CloseUnwatchedSocket(SocketHandle handle) { close(handle); }

void ShutdownSocket(SocketHandle handle, ShutdownHow how) {
  shutdown(handle, how == ShutdownHow::kSend      ? SHUT_WR
                   : how == ShutdownHow::kReceive ? SHUT_RD
                                                  : SHUT_RDWR);
}

int LastError() { return errno; }

// shutdown() wakes every poll() pending on the socket, and a later poll()
// reports it ready at once.
const bool kShutdownEndsWait = true;

int WaitReadable(SocketHandle handle, int timeout_ms) { return Wait(handle, POLLIN, timeout_ms); }
int WaitWritable(SocketHandle handle, int timeout_ms) { return Wait(handle, POLLOUT, timeout_ms); }

long Receive(SocketHandle handle, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = recv(handle, buffer, size, 0);
    if (got >= 0 || errno != EINTR) return static_cast<long>(got);
  }
}

long ReceiveNow(SocketHandle handle, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = recv(handle, buffer, size, MSG_DONTWAIT);
    if (got >= 0) return static_cast<long>(got);
    if (errno == EAGAIN || errno == EWOULDBLOCK) return kWouldBlock;
    if (errno != EINTR) return -1;
  }
}

bool InputWaiting(SocketHandle handle) {
  char byte = 0;
  for (;;) {
    const ssize_t got = recv(handle, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (got >= 0) return got > 0;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
    if (errno != EINTR) return true;
  }
}

const bool kSendNeverBlocks = true;

long SendSome(SocketHandle handle, const char* data, std::size_t size) {
  // MSG_DONTWAIT makes this one call non-blocking; the socket itself stays
  // blocking.
  for (;;) {
    const ssize_t sent = send(handle, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent >= 0) return static_cast<long>(sent);
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    if (errno != EINTR) return -1;
  }
}

long SendSomeOfTwo(SocketHandle handle, const char* first, std::size_t first_size,
                   const char* second, std::size_t second_size) {
  iovec pieces[2] = {{const_cast<char*>(first), first_size},
                     {const_cast<char*>(second), second_size}};
  msghdr message{};
  message.msg_iov = pieces;
  message.msg_iovlen = 2;
  for (;;) {
    const ssize_t sent = sendmsg(handle, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent >= 0) return static_cast<long>(sent);
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    if (errno != EINTR) return -1;
  }
}

bool HasZeroCopySend() { return true; }

bool SetNonBlocking(SocketHandle handle, bool non_blocking) {
  const int flags = fcntl(handle, F_GETFL);
  if (flags < 0) return false;
  const int wanted = non_blocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  return wanted == flags || fcntl(handle, F_SETFL, wanted) == 0;
}

long SendFilePiece(SocketHandle handle, std::intptr_t file, std::uint64_t offset,
                   std::size_t size) {
  // sendfile has no MSG_NOSIGNAL: a peer that has gone raises SIGPIPE, which
  // would end a process that does not ignore it. Block it on this thread for
  // the call and take back what the call raised, also when the call still
  // reports bytes sent before the connection broke.
  sigset_t pipe_signal;
  sigset_t previous;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_signal, &previous);
  off_t position = static_cast<off_t>(offset);
  long result;
  int error = 0;
  for (;;) {
    const ssize_t sent = sendfile(handle, static_cast<int>(file), &position, size);
    if (sent >= 0) {
      result = static_cast<long>(sent);
      break;
    }
    error = errno;
    if (error == EINTR) continue;
    result = (error == EAGAIN || error == EWOULDBLOCK) ? kWouldBlock : -1;
    break;
  }
  sigset_t pending;
  if (sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1) {
    const timespec no_wait{0, 0};
    sigtimedwait(&pipe_signal, nullptr, &no_wait);
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  errno = error;
  return result;
}

bool Bind(SocketHandle handle, std::uint16_t port) {
  // Like Windows, let a restarted server bind at once while old connections
  // sit in TIME_WAIT; a port held by a listening socket still refuses.
  const int one = 1;
  setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  const sockaddr_in sa = MakeAddress(0, port);  // INADDR_ANY
  return bind(handle, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
}

AcceptFailure ClassifyAcceptError(int code) {
  switch (code) {
    case ECONNABORTED:
    case EPROTO:
    case EPERM:
    case EINTR:
      return AcceptFailure::kRetry;
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
      return AcceptFailure::kRetryLater;
    default:
      return AcceptFailure::kFatal;
  }
}

bool Listen(SocketHandle handle, int backlog) { return listen(handle, backlog) == 0; }

SocketHandle Accept(SocketHandle handle, std::uint32_t& peer_address, std::uint16_t& peer_port) {
  for (;;) {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    const int fd = accept4(handle, reinterpret_cast<sockaddr*>(&sa), &length, SOCK_CLOEXEC);
    if (fd >= 0) {
      peer_address = ntohl(sa.sin_addr.s_addr);
      peer_port = ntohs(sa.sin_port);
    }
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

}  // namespace orvane::net::sys
