// The one place a reply leaves: its head, dated now, then its body source
// (bytes made here, or a range of a file read in pieces or handed to the
// system), or a canned text.
#pragma once

#include <cstdint>
#include <string_view>

#include "http/core/reply.h"
#include "http/core/responses.h"
#include "net/net_socket.h"

namespace orvane {

// The file body goes out in pieces of this size.
inline constexpr std::size_t kFileChunkSize = 8000;
// A body made as it is sent (an archive) is read in larger pieces, so its
// making and its sending cost a call per 256 KiB rather than per 8,000
// bytes.
inline constexpr std::size_t kMadeBodyPiece = 256 * 1024;

// What sending needs besides the reply; read-only while it is used.
struct SendContext {
  const CannedResponses& canned;
  int send_wait_ms;
  // The character set of the system's ANSI code page ("gbk"), for a plain
  // text that is not UTF-8; empty when it has no name worth sending.
  std::string_view ansi_charset;
};

// Sends `reply` dated now. A file body's first piece goes out together with
// the head, so a small answer is one segment; a file that fails (seek or
// first read) before the head went out is answered with the 500 text
// instead. Never sends more than the head announced. True when a whole
// answer was sent, so the close must let the client read it; false for
// kNothing and for a body cut short (a send failed, or the file failed or
// ended sooner: the client then sees fewer bytes than the head announced,
// and the connection must end without a graceful close). A failed send of a
// canned text is not reported: the connection is closed next anyway.
bool SendReply(net::NetSocket& client, Reply reply, const SendContext& context);

// The interim "100 Continue" a client that asked for it (Expect:
// 100-continue) waits for before it sends its body; false when it could not
// be sent.
[[nodiscard]] bool SendContinue(net::NetSocket& client, const SendContext& context);

}  // namespace orvane
