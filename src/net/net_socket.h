// `NetSocket`: one IPv4 socket whose operations report success as a value.
// Blocking sockets throughout; time-outs are a wait on the one socket before
// reading or writing. Only what the server does: listen, accept, read, send.
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

class NetSocket {
 public:
  NetSocket() = default;

  // A socket has one owner, so it is closed exactly once: moved, never copied.
  NetSocket(NetSocket&& other) noexcept
      : handle_(std::move(other.handle_)),
        peer_address_(other.peer_address_),
        peer_port_(other.peer_port_) {}
  NetSocket& operator=(NetSocket&& other) noexcept;

  // A new stream socket; one held before is closed first.
  [[nodiscard]] bool Create();
  // Binds to `port` on every address of this machine (0.0.0.0).
  [[nodiscard]] bool Bind(std::uint16_t port);
  // Closes and forgets the socket; nothing happens without one. Safe to call
  // from another thread than one blocked on the socket, which then fails.
  void Close();
  // Close for a connection its owner is done with: no other thread can be
  // waiting on it any more (Interrupt shuts a connection down by itself), so
  // the handle is released without the shutdown Close makes first.
  void CloseUnwatched();
  // Backlog 5.
  [[nodiscard]] bool Listen();
  [[nodiscard]] SocketHandle Handle() const { return handle_.get(); }
  // The client adopts the accepted connection (closing what it held) and
  // keeps the peer's address that came with it.
  [[nodiscard]] bool Accept(NetSocket& client);
  // What the last failed Accept on this thread means for a listening socket
  // that is still open: try again, try again after a pause, or give up.
  static AcceptFailure LastAcceptFailure() { return sys::ClassifyAcceptError(sys::LastError()); }
  // The peer of an accepted connection, as Accept received it; false for an
  // open socket that was not accepted, and for a closed one.
  [[nodiscard]] bool PeerAddress(std::string& address, std::uint16_t& port) const;
  // Sends all of `data`; each wait for the socket to take more is at most wait_ms.
  [[nodiscard]] bool SendAll(std::string_view data, int wait_ms);
  // Sends all of `first`, then all of `second`, handed to the system
  // together (a head and its body in one segment where they fit).
  [[nodiscard]] bool SendAll(std::string_view first, std::string_view second, int wait_ms);
  // One wait of at most timeout_ms and one read into `buffer`: the byte count,
  // 0 when the peer closed, kReceiveTimedOut when nothing came in time, -1 on
  // an error or once the socket was interrupted.
  static constexpr long kReceiveTimedOut = -2;
  long ReceiveSome(char* buffer, std::size_t size, int timeout_ms);
  // True when unread bytes wait on the socket now (or when that cannot be
  // told); false after the peer's end of stream. Never waits.
  [[nodiscard]] bool InputWaiting() const { return sys::InputWaiting(Handle()); }
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
  // Set by Accept; 0 and 0 for a socket that was not accepted.
  std::uint32_t peer_address_ = 0;
  std::uint16_t peer_port_ = 0;
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
