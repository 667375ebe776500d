// Every byte the server writes ahead of a body: the three canned error
// answers, built once, and any other head from its named parts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The date placeholder of the canned answers, in GBK: "时间" (date).
inline constexpr std::string_view kDatePlaceholder = "\xCA\xB1\xBC\xE4";

// The three canned texts, built once before the server can start and then
// only read; each holds kDatePlaceholder where its date goes.
struct CannedResponses {
  std::string limit;         // 403, connection limit reached
  std::string not_found;     // 404
  std::string server_error;  // 500
};

// `BuildCannedResponses`.
CannedResponses BuildCannedResponses();

// A canned answer with every date placeholder replaced by `date`.
std::string FillCannedResponse(std::string_view canned, std::string_view date);

// A head by its parts, written in this order: the status line, Server,
// Date, "Connection: close" when `close`, Content-Length, Content-Range and
// Location when not empty, Content-Type, the extra lines, and
// "Cache-control: private" when `private_cache`; then the empty line. A
// head of `no_content` (204, and a 304, which tells nothing of a body) has
// neither Content-Length nor Content-Type.
struct HeadParts {
  std::string_view status;  // "200 OK", "206 Partial Content", ...
  bool close = false;
  std::uint64_t content_length = 0;
  std::string content_range;  // the value after "bytes "
  std::string location;
  std::string_view content_type;
  std::vector<std::string> extra_lines;  // whole lines without their CR LF
  bool private_cache = false;
  bool no_content = false;
};

std::string BuildHead(const HeadParts& head, std::string_view date);

// The extra line of a head whose body may be fetched in byte ranges.
inline constexpr std::string_view kAcceptRangesLine = "Accept-Ranges: bytes";

}  // namespace orvane
