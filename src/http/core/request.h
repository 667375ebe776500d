// The request side: what text a request is, and the one pass that reads
// everything later steps ask about it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/core/text_rules.h"

namespace orvane {

// The largest request the server reads; bytes past it are never looked at.
inline constexpr std::size_t kMaxRequestBytes = 8191;

// The request text: the received bytes up to the first NUL.
std::string_view RequestTextOf(std::string_view received);

// Only the first three bytes count, exactly: "GETX /" passes, "get /" does not.
bool IsGetRequest(std::string_view request_text);

// True once the received bytes hold the end of a header block: an empty line
// after CR LF line ends, after bare LF ones, or a mix of the two. When the
// first `already_checked` bytes are known to hold no such end, only the bytes
// after them (and the few before, where an end may begin) are searched, so a
// request that arrives a byte at a time costs linear time, not quadratic.
bool HeaderBlockEnded(std::string_view received, std::size_t already_checked = 0);

// The raw path of the request line: the bytes from the fifth one (after
// "GET ") up to the last space before the first CR LF, blanks trimmed. Empty
// when that space is at or before the fifth byte; nullopt when the request has
// no CR LF or its first line no space. A method of another length than GET's
// and POST's gives its own `from`: the byte after its word.
std::optional<std::string_view> RawRequestPath(std::string_view request, const CodePage& ansi,
                                               std::size_t from = 4);

// A raw path split at its first "?": the path, and the query after it.
struct RequestTarget {
  std::string_view path;
  std::string_view query;  // empty when there is none
  bool has_query = false;
};
[[nodiscard]] RequestTarget SplitTarget(std::string_view raw_path);

// One byte range from a Range header line, as the client wrote it.
struct ByteRangeSpec {
  enum class Kind { kNone, kFrom, kFromTo, kSuffix };
  Kind kind = Kind::kNone;
  std::uint64_t first = 0;   // kFrom, kFromTo
  std::uint64_t last = 0;    // kFromTo
  std::uint64_t suffix = 0;  // kSuffix: the last `suffix` bytes
};

// A request as read, parsed once: everything the later steps (resolving,
// deciding the reply, closing the connection) are decided from. The views
// point into the received bytes.
struct ParsedRequest {
  std::string_view text;  // RequestTextOf: what the request log shows
  bool is_get = false;    // IsGetRequest
  // The request line's first word ("HEAD", "PATCH"), for the features that
  // answer more than GET and POST.
  std::string_view method;
  // The received bytes up to the empty line that ends the header block (all
  // of them when it did not end), which HeaderValue reads.
  std::string_view head;
  // RawRequestPath: the path as the client sent it; nullopt for a malformed
  // request line (no CR LF, or no space on it).
  std::optional<std::string_view> raw_path;
  // The raw path split at its first "?" (SplitTarget): only the upload
  // address and the access code read the query; the path is decoded whole.
  RequestTarget target;
  // The raw path decoded (DecodeUrlPath), once: "%00" ends it, and
  // `path_had_nul` says so.
  std::string path;
  bool path_had_nul = false;
  // A "/" of `path` came from "%2F": the path is not spelled with its own
  // separators.
  bool path_escaped_slash = false;
  // The decoded path ends in "/" (so "%2F" counts): it names a folder.
  bool names_folder = false;
  // The last complete "Range:" line of the header block (name exactly, in
  // any case; value "bytes=N-", "bytes=N-M" or "bytes=-S", blanks at either
  // end allowed). Only lines of a block whose lines all end in CR LF, within
  // the request text, count. Several ranges, another unit or a malformed
  // value give kNone: the header is ignored and the whole file is sent.
  ByteRangeSpec range;
  // True when the client may still be sending after what was received: the
  // header block did not end there, bytes follow that end (a second request
  // or a body), or the head announces a body (a Content-Length other than 0,
  // any Transfer-Encoding, any Expect). Closing such a connection at once can
  // reset it before the client reads its answer.
  bool may_send_more = true;
  // The values of the header block's "Cookie:" lines, in order.
  std::vector<std::string_view> cookies;
  // Where a browser says the request comes from, for a request that
  // writes: the last "Host:", "Origin:", "Referer:" and "Sec-Fetch-Site:"
  // values, nullopt when the header is not there.
  std::optional<std::string_view> host;
  std::optional<std::string_view> origin;
  std::optional<std::string_view> referer;
  std::optional<std::string_view> fetch_site;
  // The last "If-Range:" value: a range is sent only while the body is still
  // the one this tag names (a resumed download of an archive).
  std::optional<std::string_view> if_range;

  // What a request with a body (an upload) is read by. The request line
  // starts "POST ".
  bool is_post = false;
  // Content-Length, when one was given in digits; `length_unreadable` when
  // one was not (a sign included: "+5" and "-5" are not lengths), or two
  // disagree.
  std::optional<std::uint64_t> content_length;
  bool length_unreadable = false;
  // A Transfer-Encoding: the body's length is not said up front.
  bool body_without_length = false;
  bool expects_continue = false;  // "Expect: 100-continue"
  std::string_view content_type;  // the last Content-Type value
  // Where the body starts in the received bytes: just after the empty line
  // that ends the header block; npos when the block has not ended.
  std::size_t body_start = std::string_view::npos;
  // The body's bytes that came with the head (a view into the received bytes).
  std::string_view body;
};

// Reads the received bytes once: the request line, then each header line.
ParsedRequest ParseRequest(std::string_view received, const CodePage& ansi);

// The value of the last header line called `name` (in any case) of the
// request's head, blanks at either end trimmed; nullopt when none is there.
[[nodiscard]] std::optional<std::string_view> HeaderValue(const ParsedRequest& request,
                                                          std::string_view name);

// How the end of a request's body is known, checked in this order: the
// head did not end within kMaxRequestBytes (431: what follows cannot be
// told from the head); a length that is not one (400); no length, or a
// Transfer-Encoding (411); else its Content-Length.
enum class BodyFraming { kHeadTooLong, kMalformedLength, kNoLength, kLength };
[[nodiscard]] BodyFraming FramingOf(const ParsedRequest& request);

// What to send of a file of `file_length` bytes.
struct RangeDecision {
  enum class Kind { kWhole, kPartial, kUnsatisfiable };
  Kind kind = Kind::kWhole;
  std::uint64_t first = 0;  // kPartial: inclusive bounds within the file
  std::uint64_t last = 0;
};

// A last position past the end is clamped to the end; a first position at or
// past the end, or a suffix of 0, cannot be satisfied (416); "N-M" with M < N
// is not a valid range and is ignored.
RangeDecision DecideRange(const ByteRangeSpec& asked, std::uint64_t file_length);

}  // namespace orvane
