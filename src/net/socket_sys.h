// The thin system layer under NetSocket: Winsock on Windows, BSD sockets on
// POSIX. IPv4 only; addresses and ports are in host byte order here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane::net::sys {

#ifdef _WIN32
using SocketHandle = std::uintptr_t;  // SOCKET
#else
using SocketHandle = int;
#endif

// INVALID_SOCKET on Windows, -1 on POSIX.
inline constexpr SocketHandle kNoSocket = static_cast<SocketHandle>(-1);

// Windows Sockets 2.2 start-up; the result code (0 = started). POSIX: 0.
int StartLibrary();
void CleanupLibrary();

// A new IPv4 stream socket, or kNoSocket.
SocketHandle OpenStreamSocket();
// Wakes every thread blocked on the socket (accept, recv, send, select),
// then releases the handle.
void CloseSocket(SocketHandle handle);
// Releases the handle alone, for a socket no other thread can be waiting on:
// on Linux one system call fewer than CloseSocket.
void CloseUnwatchedSocket(SocketHandle handle);

// The owner kind of a socket handle (see platform/unique_resource.h).
struct SocketTraits {
  using Handle = SocketHandle;
  static Handle Invalid() { return kNoSocket; }
  static void Close(Handle handle) { CloseSocket(handle); }
};
// Ends sending, receiving or both without releasing the handle; a thread
// blocked on the socket wakes up and fails.
enum class ShutdownHow { kSend, kReceive, kBoth };
void ShutdownSocket(SocketHandle handle, ShutdownHow how);

int LastError();

// True where ShutdownSocket from another thread ends a WaitReadable or
// WaitWritable already pending on the socket (poll on Linux does; select on
// Windows does not, so waits there must also watch for an interrupt).
extern const bool kShutdownEndsWait;

// 1 ready, 0 time-out, -1 error.
int WaitReadable(SocketHandle handle, int timeout_ms);
int WaitWritable(SocketHandle handle, int timeout_ms);

// Byte count, 0 when the peer closed, -1 on an error.
long Receive(SocketHandle handle, char* buffer, std::size_t size);
// Like Receive, but only what has already arrived: kWouldBlock (below) when
// nothing has, and always where the system has no per-call non-blocking
// receive, so the caller waits and then calls Receive.
long ReceiveNow(SocketHandle handle, char* buffer, std::size_t size);
// True when unread bytes wait on the socket now, or when that cannot be
// told; false when none do, also after the peer's end of stream. Never waits.
bool InputWaiting(SocketHandle handle);
// True where SendSome never blocks, so a send may be tried before waiting
// for writability (POSIX); false where SendSome must follow WaitWritable.
extern const bool kSendNeverBlocks;
// Sends what the socket can take now, without blocking for more: the byte
// count, 0 when it could take nothing after all, -1 on an error. Never raises
// SIGPIPE. Call it after WaitWritable, so a client that stops reading makes
// the caller's wait run out instead of blocking the send for ever.
long SendSome(SocketHandle handle, const char* data, std::size_t size);
// SendSome of `first` followed by `second` in one call, so a head and its
// body leave together without being copied into one buffer: the byte count
// taken from the two together.
long SendSomeOfTwo(SocketHandle handle, const char* first, std::size_t first_size,
                   const char* second, std::size_t second_size);

// Zero-copy sending of file bytes (sendfile on Linux). Where the system has
// no such call, HasZeroCopySend() is false and the caller reads and sends.
bool HasZeroCopySend();
// Switches the socket between blocking and non-blocking mode; false when the
// system refuses.
bool SetNonBlocking(SocketHandle handle, bool non_blocking);
// What SendFilePiece returns when the socket cannot take a byte right now.
inline constexpr long kWouldBlock = -2;
// On a non-blocking socket, sends up to `size` bytes of the open file `file`
// from `offset` without moving its read position: the byte count, 0 when the
// file holds no byte at `offset`, kWouldBlock, or -1 on an error.
long SendFilePiece(SocketHandle handle, std::intptr_t file, std::uint64_t offset, std::size_t size);

// What a failed accept on a still-open listening socket means: a connection
// that died before it was taken (try again), a shortage of descriptors or
// buffers (try again after a pause), or a socket that cannot accept at all.
enum class AcceptFailure { kRetry, kRetryLater, kFatal };
AcceptFailure ClassifyAcceptError(int code);

// Binds to `port` on every address of this machine.
bool Bind(SocketHandle handle, std::uint16_t port);
bool Listen(SocketHandle handle, int backlog);
// The accepted socket, with the peer's address and port as accept gave them.
SocketHandle Accept(SocketHandle handle, std::uint32_t& peer_address, std::uint16_t& peer_port);

}  // namespace orvane::net::sys
