// Sending answers on a connection: the one place a reply leaves, as a
// canned text or a head and file bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "http/core/reply.h"
#include "http/core/responses.h"
#include "net/net_socket.h"
#include "platform/file.h"

namespace orvane {

// The file body goes out in pieces of this size.
inline constexpr std::size_t kFileChunkSize = 8000;

// What a body is read from: an open site file (OpenFileBody), or a test's
// stand-in that fails where a disk or a network share can.
class FileBody {
 public:
  virtual ~FileBody() = default;
  // nullopt when the size cannot be read.
  [[nodiscard]] virtual std::optional<std::uint64_t> Length() const = 0;
  // Moves the read position, which is at the start of the file until then.
  virtual bool Seek(std::uint64_t offset) = 0;
  // Bytes read (0 at the end of the file) or -1 on an error.
  virtual std::int64_t Read(char* buffer, std::size_t size) = 0;
  // The native handle for zero-copy sending; -1 when there is none.
  [[nodiscard]] virtual std::intptr_t native() const = 0;
};

class OpenFileBody : public FileBody {
 public:
  explicit OpenFileBody(platform::ReadOnlyFile& file) : file_(file) {}
  [[nodiscard]] std::optional<std::uint64_t> Length() const override { return file_.Length(); }
  bool Seek(std::uint64_t offset) override { return file_.Seek(offset); }
  std::int64_t Read(char* buffer, std::size_t size) override { return file_.Read(buffer, size); }
  [[nodiscard]] std::intptr_t native() const override { return file_.native(); }

 private:
  platform::ReadOnlyFile& file_;
};

enum class BodySent {
  kComplete,
  // The file failed (seek or first read) before anything was sent: the caller
  // can still answer with an error.
  kFileFailedBeforeHead,
  // The head went out but not all the bytes it announced: a send failed, or
  // the file failed or ended sooner. The connection must end without a
  // graceful close, which would pass the short body off as whole.
  kCutShort,
};

// Sends `head`, then `length` bytes of the file from `offset`, read in pieces
// of kFileChunkSize; the first piece goes out together with the head so a
// small answer is one segment. Never sends more than `length`.
[[nodiscard]] BodySent SendHeadAndFile(net::NetSocket& client, std::string_view head,
                                       FileBody& file, std::uint64_t offset, std::uint64_t length,
                                       int send_wait_ms);

// Sends a reply dated now: its head (ReplyHead), for a page its body, and for
// a file reply the bytes it names from `file` (which a file reply must
// have). A file that
// fails before the head went out is answered with the 500 text instead. True
// when a whole answer was sent, so the close must let the client read it;
// false for kNothing and for a body cut short (the client then sees fewer
// bytes than the head announced, or a page was not sent whole). A failed send of a text is not
// reported: the connection is closed next anyway.
bool SendReply(net::NetSocket& client, const Reply& reply, FileBody* file,
               const CannedResponses& canned, int send_wait_ms);

}  // namespace orvane
