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

// The first piece of a file body, read before the head is made: a file that
// fails at once still gets a whole answer (the 500 text), and a plain text's
// character set is told from it. False when the seek or the read failed.
bool ReadFirstPiece(Reply& reply, std::string& piece) {
  BodySource& file = *reply.source;
  piece.resize(PieceOf(reply.count, kFileChunkSize));
  if (reply.count == 0) return true;
  // A body is read from its start unless a range says otherwise: a freshly
  // opened file is there already, and the seek would be a call for nothing.
  if (reply.first > 0 && !file.Seek(reply.first)) return false;
  const std::int64_t got = file.Read(piece.data(), piece.size());
  if (got <= 0) return false;
  piece.resize(static_cast<std::size_t>(got));
  return true;
}

// The bytes the reply starts with, dated `date`: the whole canned text, or
// the head of its parts.
std::string HeadOf(const Reply& reply, std::string_view date, std::string_view piece,
                   const SendContext& context) {
  if (reply.kind == Reply::Kind::kCanned) {
    const CannedResponses& canned = context.canned;
    return FillCannedResponse(reply.canned == CannedAnswer::kLimit      ? canned.limit
                              : reply.canned == CannedAnswer::kNotFound ? canned.not_found
                                                                        : canned.server_error,
                              date);
  }
  if (!reply.text_charset_from_body) return BuildHead(reply.head, date);
  HeadParts head = reply.head;
  const std::string type = TextTypeFor(piece, context.ansi_charset);
  head.content_type = type;
  return BuildHead(head, date);
}

// The rest of a file body after its first piece: handed to the system where
// it can send file bytes itself, else read and sent piece by piece. Never
// more than `left` bytes.
bool SendRestOfFile(net::NetSocket& client, BodySource& file, std::uint64_t offset,
                    std::uint64_t left, std::string& buffer, int send_wait_ms) {
  if (left > 0 && net::NetSocket::HasZeroCopySend() &&
      file.native() != platform::FileTraits::Invalid()) {
    return client.SendFileRange(file.native(), offset, left, send_wait_ms);
  }
  buffer.resize(PieceOf(left, kFileChunkSize));
  while (left > 0) {
    const std::int64_t got = file.Read(buffer.data(), PieceOf(left, kFileChunkSize));
    if (got <= 0) return false;  // a read error, or the file became shorter
    const auto piece = static_cast<std::size_t>(got);
    if (!client.SendAll(std::string_view(buffer.data(), piece), send_wait_ms)) return false;
    left -= piece;
  }
  return true;
}

}  // namespace

bool SendReply(net::NetSocket& client, Reply reply, const SendContext& context) {
  if (reply.kind == Reply::Kind::kNothing) return false;
  const std::string date = FormatHttpDate(platform::CurrentUtcTime());
  std::string piece;
  if (reply.body == Reply::Body::kSource && !ReadFirstPiece(reply, piece)) {
    reply = CannedReply(CannedAnswer::kServerError);
  }
  const std::string head = HeadOf(reply, date, piece, context);
  // Everything below sends what was made above.
  const int wait = context.send_wait_ms;
  switch (reply.kind == Reply::Kind::kCanned ? Reply::Body::kNone : reply.body) {
    case Reply::Body::kNone:
      // A failed send of a text is not reported: the connection closes next.
      (void)client.SendAll(head, wait);
      return true;
    case Reply::Body::kBytes:
      return client.SendAll(head, reply.bytes, wait);
    case Reply::Body::kSource:
      // The head and the first piece go out together: a small answer is one
      // segment.
      return client.SendAll(head, piece, wait) &&
             SendRestOfFile(client, *reply.source, reply.first + piece.size(),
                            reply.count - piece.size(), piece, wait);
  }
  return false;
}

bool SendContinue(net::NetSocket& client, const SendContext& context) {
  return client.SendAll("HTTP/1.1 100 Continue\r\n\r\n", context.send_wait_ms);
}

}  // namespace orvane
