#include "net/net_socket.h"

#include "platform/clock.h"

namespace orvane::net {

namespace {

// How often a blocked wait looks for Interrupt() where a shutdown does not
// end a pending wait by itself.
constexpr int kWaitSliceMs = 100;

// One zero-copy call hands the system at most this much, so a single call
// never holds the worker long after the client stops taking data.
constexpr std::size_t kZeroCopyPiece = 2 * 1024 * 1024;

}  // namespace

NetSocket& NetSocket::operator=(NetSocket&& other) noexcept {
  if (this != &other) {
    handle_ = std::move(other.handle_);
    peer_address_ = other.peer_address_;
    peer_port_ = other.peer_port_;
  }
  return *this;
}

bool NetSocket::Create() {
  handle_.reset(sys::OpenStreamSocket());
  peer_address_ = 0;
  peer_port_ = 0;
  return Handle() != kNoSocket;
}

bool NetSocket::Bind(std::uint16_t port) { return sys::Bind(Handle(), port); }

void NetSocket::Close() { handle_.reset(); }

void NetSocket::CloseUnwatched() {
  const SocketHandle handle = handle_.release();
  if (handle != kNoSocket) sys::CloseUnwatchedSocket(handle);
}

bool NetSocket::SendAll(std::string_view data, int wait_ms) {
  const SocketHandle handle = Handle();
  // Where a send never blocks, try it first: a socket with room (nearly
  // always, for an answer's first piece) then costs no wait. Each time it
  // takes nothing, the wait comes before the next try, as elsewhere.
  bool wait_first = !sys::kSendNeverBlocks;
  while (!data.empty()) {
    if (wait_first && Wait(true, wait_ms) == Readiness::kTimedOut) return false;
    const long sent = sys::SendSome(handle, data.data(), data.size());
    if (sent < 0) return false;
    wait_first = !sys::kSendNeverBlocks || sent == 0;
    data.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

bool NetSocket::SendAll(std::string_view first, std::string_view second, int wait_ms) {
  const SocketHandle handle = Handle();
  bool wait_first = !sys::kSendNeverBlocks;
  while (!first.empty()) {
    if (wait_first && Wait(true, wait_ms) == Readiness::kTimedOut) return false;
    const long sent =
        sys::SendSomeOfTwo(handle, first.data(), first.size(), second.data(), second.size());
    if (sent < 0) return false;
    wait_first = !sys::kSendNeverBlocks || sent == 0;
    auto taken = static_cast<std::size_t>(sent);
    const std::size_t from_first = taken < first.size() ? taken : first.size();
    first.remove_prefix(from_first);
    second.remove_prefix(taken - from_first);
  }
  return SendAll(second, wait_ms);
}

long NetSocket::ReceiveSome(char* buffer, std::size_t size, int timeout_ms) {
  const SocketHandle handle = Handle();
  if (interrupted_.load()) return -1;
  // What has already arrived needs no wait (a request is usually there when
  // its worker first looks, and a client that closed shows at once).
  const long now = sys::ReceiveNow(handle, buffer, size);
  if (now != sys::kWouldBlock) return now;
  // A wait that reports an error falls through: the read then fails by itself.
  const Readiness ready = Wait(false, timeout_ms);
  if (interrupted_.load()) return -1;
  if (ready == Readiness::kTimedOut) return kReceiveTimedOut;
  return sys::Receive(handle, buffer, size);
}

NetSocket::Readiness NetSocket::Wait(bool for_writing, int timeout_ms) {
  const SocketHandle handle = Handle();
  const std::int64_t deadline = platform::MonotonicMillis() + timeout_ms;
  for (;;) {
    if (interrupted_.load()) return Readiness::kFailed;
    const std::int64_t left = deadline - platform::MonotonicMillis();
    if (left <= 0) return Readiness::kTimedOut;
    // Where Interrupt()'s shutdown ends the wait, one wait covers the whole
    // time, so an idle connection costs no wake-ups.
    const std::int64_t most = sys::kShutdownEndsWait ? left : kWaitSliceMs;
    const int slice = static_cast<int>(left < most ? left : most);
    const int rc =
        for_writing ? sys::WaitWritable(handle, slice) : sys::WaitReadable(handle, slice);
    if (rc != 0) return rc > 0 ? Readiness::kReady : Readiness::kFailed;
  }
}

void NetSocket::Interrupt() {
  interrupted_.store(true);
  Shutdown(ShutdownHow::kBoth);
}

bool NetSocket::Listen() { return sys::Listen(Handle(), 5); }

bool NetSocket::Accept(NetSocket& client) {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
  const SocketHandle accepted = sys::Accept(Handle(), address, port);
  if (accepted == kNoSocket) return false;
  client.handle_.reset(accepted);
  client.peer_address_ = address;
  client.peer_port_ = port;
  return true;
}

bool NetSocket::PeerAddress(std::string& address, std::uint16_t& port) const {
  address.clear();
  port = 0;
  if (Handle() == kNoSocket || peer_port_ == 0) return false;
  // Dotted text of the address, most significant byte first.
  for (int shift = 24; shift >= 0; shift -= 8) {
    address.append(std::to_string((peer_address_ >> shift) & 0xFF));
    if (shift > 0) address.push_back('.');
  }
  port = peer_port_;
  return true;
}

bool NetSocket::SendFileRange(std::intptr_t file, std::uint64_t offset, std::uint64_t length,
                              int wait_ms) {
  const SocketHandle handle = Handle();
  if (!sys::HasZeroCopySend() || !sys::SetNonBlocking(handle, true)) return false;
  bool sent_all = true;
  while (length > 0) {
    const std::size_t piece =
        length < kZeroCopyPiece ? static_cast<std::size_t>(length) : kZeroCopyPiece;
    const long sent = sys::SendFilePiece(handle, file, offset, piece);
    if (sent == sys::kWouldBlock) {
      if (Wait(true, wait_ms) != Readiness::kReady) {
        sent_all = false;
        break;
      }
      continue;
    }
    if (sent <= 0) {  // an error, or the file holds no byte at `offset` any more
      sent_all = false;
      break;
    }
    offset += static_cast<std::uint64_t>(sent);
    length -= static_cast<std::uint64_t>(sent);
  }
  (void)sys::SetNonBlocking(handle, false);
  return sent_all;
}

void NetSocket::Shutdown(ShutdownHow how) {
  const SocketHandle handle = Handle();
  if (handle != kNoSocket) sys::ShutdownSocket(handle, how);
}

}  // namespace orvane::net
