#include "http/file_transfer.h"

#include <string>

#include "http/core/http_date.h"
#include "http/core/responses.h"
#include "platform/clock.h"

namespace orvane {

namespace {

// One zero-copy call hands the system at most this much, so a single call
// never holds the worker long after the client stops taking data.
constexpr std::size_t kZeroCopyPiece = 2 * 1024 * 1024;

std::size_t PieceOf(std::uint64_t left, std::size_t cap) {
  return left < cap ? static_cast<std::size_t>(left) : cap;
}

// Sends `length` file bytes from `offset` straight from the system's file
// cache. The socket is non-blocking meanwhile, and every wait for it to take
// more is at most send_wait_ms, as in NetSocket::SendAll; no buffer of ours
// holds file bytes. False when a wait runs out, a send fails, or the file
// ends sooner.
bool SendFileZeroCopy(net::NetSocket& client, platform::ReadOnlyFile& file, std::uint64_t offset,
                      std::uint64_t length, int send_wait_ms) {
  const net::SocketHandle handle = client.Handle();
  bool sent_all = true;
  while (length > 0) {
    const long sent =
        net::sys::SendFilePiece(handle, file.native(), offset, PieceOf(length, kZeroCopyPiece));
    if (sent == net::sys::kWouldBlock) {
      if (net::sys::WaitWritable(handle, send_wait_ms) != 1) {
        sent_all = false;
        break;
      }
      continue;
    }
    if (sent <= 0) {
      sent_all = false;
      break;
    }
    offset += static_cast<std::uint64_t>(sent);
    length -= static_cast<std::uint64_t>(sent);
  }
  (void)net::sys::SetNonBlocking(handle, false);
  return sent_all;
}

}  // namespace

void SendCannedResponse(net::NetSocket& client, std::string_view canned, int send_wait_ms) {
  const std::string text =
      FillCannedResponse(canned, FormatHttpDate(platform::CurrentUtcTime()));
  (void)client.SendAll(text, send_wait_ms);
}

bool SendHeadAndFile(net::NetSocket& client, std::string_view head, platform::ReadOnlyFile& file,
                     std::uint64_t offset, std::uint64_t length, int send_wait_ms) {
  if (length > 0 && !file.Seek(offset)) length = 0;
  std::string buffer;
  buffer.resize(head.size() + PieceOf(length, kFileChunkSize));
  head.copy(buffer.data(), head.size());
  std::size_t filled = head.size();
  for (;;) {
    bool file_failed = false;
    if (length > 0) {
      const std::size_t want = PieceOf(length, kFileChunkSize);
      const std::int64_t got = file.Read(buffer.data() + filled, want);
      if (got > 0) {
        filled += static_cast<std::size_t>(got);
        length -= static_cast<std::uint64_t>(got);
        offset += static_cast<std::uint64_t>(got);
      } else {
        file_failed = true;  // read error, or the file became shorter
      }
    }
    if (filled > 0 && !client.SendAll(std::string_view(buffer.data(), filled), send_wait_ms)) {
      return false;
    }
    if (file_failed) return false;
    if (length == 0) return true;
    filled = 0;
    // The head and the first piece went out together; the rest goes without
    // passing through our buffer where the system can do that.
    if (net::sys::HasZeroCopySend() && net::sys::SetNonBlocking(client.Handle(), true)) {
      return SendFileZeroCopy(client, file, offset, length, send_wait_ms);
    }
  }
}

}  // namespace orvane
