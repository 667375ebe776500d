#include "http/file_transfer.h"

#include <string>
#include <utility>

#include "http/core/http_date.h"
#include "platform/clock.h"
#include "platform/file.h"

namespace orvane {

namespace {

std::size_t PieceOf(std::uint64_t left, std::size_t cap) {
  return left < cap ? static_cast<std::size_t>(left) : cap;
}

bool SendCanned(net::NetSocket& client, CannedAnswer answer, std::string_view date,
                const SendContext& context) {
  const CannedResponses& canned = context.canned;
  const std::string& text = answer == CannedAnswer::kLimit      ? canned.limit
                            : answer == CannedAnswer::kNotFound ? canned.not_found
                                                                : canned.server_error;
  (void)client.SendAll(FillCannedResponse(text, date), context.send_wait_ms);
  return true;
}

// The file body: the first piece is read before the head is made, so a
// file that fails at once still gets a whole (500) answer, and a plain
// text's character set can be told from it.
bool SendWithFile(net::NetSocket& client, Reply& reply, std::string_view date,
                  const SendContext& context) {
  FileBody& file = *reply.file;
  std::uint64_t offset = reply.first;
  std::uint64_t left = reply.count;
  // A body is read from its start unless a range says otherwise: a freshly
  // opened file is there already, and the seek would be a call for nothing.
  if (left > 0 && offset > 0 && !file.Seek(offset)) {
    return SendCanned(client, CannedAnswer::kServerError, date, context);
  }
  std::string buffer(PieceOf(left, kFileChunkSize), '\0');
  std::size_t filled = 0;
  if (left > 0) {
    const std::int64_t got = file.Read(buffer.data(), buffer.size());
    if (got <= 0) return SendCanned(client, CannedAnswer::kServerError, date, context);
    filled = static_cast<std::size_t>(got);
  }
  std::string text_type;
  if (reply.text_charset_from_body) {
    text_type = TextTypeFor(std::string_view(buffer.data(), filled), context.ansi_charset);
    reply.head.content_type = text_type;
  }
  if (!client.SendAll(BuildHead(reply.head, date), std::string_view(buffer.data(), filled),
                      context.send_wait_ms)) {
    return false;
  }
  left -= filled;
  offset += filled;
  // The head and the first piece went out together; the rest goes without
  // passing through our buffer where the system can do that.
  if (left > 0 && net::NetSocket::HasZeroCopySend() &&
      file.native() != platform::FileTraits::Invalid()) {
    return client.SendFileRange(file.native(), offset, left, context.send_wait_ms);
  }
  while (left > 0) {
    const std::int64_t got = file.Read(buffer.data(), PieceOf(left, kFileChunkSize));
    if (got <= 0) return false;  // a read error, or the file became shorter
    const auto piece = static_cast<std::size_t>(got);
    if (!client.SendAll(std::string_view(buffer.data(), piece), context.send_wait_ms)) {
      return false;
    }
    left -= piece;
  }
  return true;
}

}  // namespace

bool SendReply(net::NetSocket& client, Reply reply, const SendContext& context) {
  if (reply.kind == Reply::Kind::kNothing) return false;
  const std::string date = FormatHttpDate(platform::CurrentUtcTime());
  if (reply.kind == Reply::Kind::kCanned) return SendCanned(client, reply.canned, date, context);
  if (reply.body == Reply::Body::kFile) return SendWithFile(client, reply, date, context);
  const std::string head = BuildHead(reply.head, date);
  if (reply.body == Reply::Body::kBytes) {
    return client.SendAll(head, reply.bytes, context.send_wait_ms);
  }
  (void)client.SendAll(head, context.send_wait_ms);
  return true;
}

}  // namespace orvane
