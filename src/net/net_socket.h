// `NetSocket`: one IPv4 socket whose operations report success as a value.
// Blocking sockets throughout; time-outs are a wait on the one socket before
// reading or writing. The reason of a failure is left in LastError().
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/socket_sys.h"
#include "platform/unique_resource.h"

namespace orvane::net {

using sys::AcceptFailure;
using sys::SocketHandle;
using sys::kNoSocket;
using sys::ShutdownHow;

// The wait used when a caller asks for no time-out of its own.
inline constexpr int kDefaultWaitSeconds = 15;
// At most this many bytes are read by one Receive.
inline constexpr std::size_t kReceiveBufferBytes = 8191;

class NetSocket {
 public:
  NetSocket() = default;
  // Takes ownership of an open socket.
  explicit NetSocket(SocketHandle adopted) : handle_(adopted) {}

  // A socket has one owner, so it is closed exactly once: moved, never copied.
  NetSocket(NetSocket&& other) noexcept : handle_(std::move(other.handle_)) {}
  NetSocket& operator=(NetSocket&& other) noexcept;

  // A new stream (or datagram) socket; one held before is closed first.
  [[nodiscard]] bool Create(bool datagram);
  // Binds to `port` on the address text, or on 0.0.0.0 without use_address. An
  // address inet_addr cannot read fails with the invalid-argument error.
  [[nodiscard]] bool Bind(std::uint16_t port, const std::string& address, bool use_address);
  // Dotted address or host name; an in-progress connect waits up to 15 s.
  [[nodiscard]] bool Connect(const std::string& host, std::uint16_t port);
  // Closes and forgets the socket; nothing happens without one. Safe to call
  // from another thread than one blocked on the socket, which then fails.
  void Close();
  // Sends all of `data`, waiting up to the time-out (15 s without use_timeout)
  // each time the socket cannot take more. Empty data is true at once.
  [[nodiscard]] bool Send(std::string_view data, int timeout_seconds, bool use_timeout);
  // One wait (15 s without use_timeout) and one read of at most 8191 bytes.
  // False on a time-out, a closed connection or an error; `out` then is empty.
  [[nodiscard]] bool Receive(std::string& out, int timeout_seconds, bool use_timeout);
  // Backlog 5.
  [[nodiscard]] bool Listen();
  [[nodiscard]] SocketHandle Handle() const { return handle_.get(); }
  // Closes the socket held so far and takes `adopted`; returns it.
  SocketHandle Adopt(SocketHandle adopted);
  // Gives up ownership without closing.
  SocketHandle Release() { return handle_.release(); }
  // The client adopts the accepted connection (closing what it held).
  [[nodiscard]] bool Accept(NetSocket& client);
  // What the last failed Accept on this thread means for a listening socket
  // that is still open: try again, try again after a pause, or give up.
  static AcceptFailure LastAcceptFailure() { return sys::ClassifyAcceptError(sys::LastError()); }
  // One datagram; the byte count, or -1 (0 when the host cannot be resolved).
  long SendTo(std::string_view data, const std::string& host, std::uint16_t port);
  // One datagram received within the wait; empty on time-out or error.
  std::string ReceiveFrom(std::string& host, std::uint16_t& port, int timeout_seconds,
                          bool use_timeout);
  // "" and 0 and false on failure.
  [[nodiscard]] bool LocalAddress(std::string& address, std::uint16_t& port) const;
  [[nodiscard]] bool PeerAddress(std::string& address, std::uint16_t& port) const;
  [[nodiscard]] bool EnableBroadcast();
  [[nodiscard]] int LastError() const { return sys::LastError(); }

  // Millisecond forms used by the service's deadlines.
  // Sends all of `data`; each wait for the socket to take more is at most wait_ms.
  [[nodiscard]] bool SendAll(std::string_view data, int wait_ms);
  // One wait of at most timeout_ms and one read into `buffer`: the byte count,
  // 0 when the peer closed, -1 on a time-out or an error.
  long ReceiveSome(char* buffer, std::size_t size, int timeout_ms);
  // Ends one or both directions without releasing the handle.
  void Shutdown(ShutdownHow how);
  // True where SendFileRange can hand file bytes to the system directly.
  static bool HasZeroCopySend() { return sys::HasZeroCopySend(); }
  // Sends `length` bytes of the open file `file` (a native descriptor) from
  // `offset` straight from the system's file cache, without a buffer of
  // ours; each wait for the socket to take more is at most wait_ms, as in
  // SendAll. False when a wait runs out, a send fails, the file ends sooner,
  // or the system has no zero-copy send.
  [[nodiscard]] bool SendFileRange(std::intptr_t file, std::uint64_t offset, std::uint64_t length,
                                   int wait_ms);
  // From another thread: ends the connection and makes every wait on this
  // socket, pending or later, fail promptly. The handle stays owned (and is
  // closed) by the owner. Shutdown alone is not enough: it does not end a
  // select() that is already waiting on Windows.
  void Interrupt();

 private:
  // A wait for readability or writability that Interrupt() ends at once.
  // kFailed: the wait itself failed, or the socket was interrupted.
  enum class Readiness { kReady, kTimedOut, kFailed };
  [[nodiscard]] Readiness Wait(bool for_writing, int timeout_ms);

  // Shared across threads: the owner uses it while StopServer or FinalShutdown
  // may close (the listening socket) or interrupt (a connection) from another.
  platform::UniqueResource<sys::SocketTraits, true> handle_;
  std::atomic<bool> interrupted_{false};
};

// `SocketLibrary`: Windows Sockets 2.2 for the life of the object.
class SocketLibrary {
 public:
  SocketLibrary() : result_(sys::StartLibrary()) {}
  ~SocketLibrary() {
    if (result_ == 0) sys::CleanupLibrary();
  }
  SocketLibrary(const SocketLibrary&) = delete;
  SocketLibrary& operator=(const SocketLibrary&) = delete;

  // 0 when the library started.
  [[nodiscard]] int result() const { return result_; }

 private:
  int result_;
};

}  // namespace orvane::net
