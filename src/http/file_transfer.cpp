#include "http/file_transfer.h"

#include <string>

#include "http/core/http_date.h"
#include "platform/clock.h"

namespace orvane {

namespace {

std::size_t PieceOf(std::uint64_t left, std::size_t cap) {
  return left < cap ? static_cast<std::size_t>(left) : cap;
}

}  // namespace

BodySent SendHeadAndFile(net::NetSocket& client, std::string_view head, FileBody& file,
                         std::uint64_t offset, std::uint64_t length, int send_wait_ms) {
  // A body is read from its start unless a range says otherwise: a freshly
  // opened file is there already, and the seek would be a call for nothing.
  if (length > 0 && offset > 0 && !file.Seek(offset)) return BodySent::kFileFailedBeforeHead;
  std::string buffer;
  buffer.resize(head.size() + PieceOf(length, kFileChunkSize));
  head.copy(buffer.data(), head.size());
  std::size_t filled = head.size();
  bool head_sent = false;
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
    // A file that fails before its first piece is read leaves the head unsent.
    if (file_failed && !head_sent) return BodySent::kFileFailedBeforeHead;
    if (filled > 0 && !client.SendAll(std::string_view(buffer.data(), filled), send_wait_ms)) {
      return BodySent::kCutShort;
    }
    head_sent = true;
    if (file_failed) return BodySent::kCutShort;
    if (length == 0) return BodySent::kComplete;
    filled = 0;
    // The head and the first piece went out together; the rest goes without
    // passing through our buffer where the system can do that.
    if (net::NetSocket::HasZeroCopySend() && file.native() != platform::FileTraits::Invalid()) {
      return client.SendFileRange(file.native(), offset, length, send_wait_ms)
                 ? BodySent::kComplete
                 : BodySent::kCutShort;
    }
  }
}

bool SendReply(net::NetSocket& client, const Reply& reply, FileBody* file,
               const CannedResponses& canned, int send_wait_ms) {
  if (reply.kind == Reply::Kind::kNothing) return false;
  const std::string date = FormatHttpDate(platform::CurrentUtcTime());
  std::string head = ReplyHead(reply, canned, date);
  if (reply.kind == Reply::Kind::kPage) {
    // One buffer, so the head never waits apart from its body.
    head.append(reply.body);
    return client.SendAll(head, send_wait_ms);
  }
  if (reply.kind != Reply::Kind::kFile || file == nullptr) {
    (void)client.SendAll(head, send_wait_ms);
    return true;
  }
  switch (SendHeadAndFile(client, head, *file, reply.first, reply.count, send_wait_ms)) {
    case BodySent::kComplete:
      return true;
    case BodySent::kFileFailedBeforeHead:
      (void)client.SendAll(ReplyHead(CannedReply(CannedAnswer::kServerError), canned, date),
                           send_wait_ms);
      return true;
    case BodySent::kCutShort:
      break;
  }
  return false;
}

}  // namespace orvane
