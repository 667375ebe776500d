// Every byte the server writes ahead of a body: the three canned error
// answers, the 200 head template, the heads for byte ranges, and those of a
// folder's listing page and of its redirect.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// Placeholders of the templates, in GBK: "时间" (date), "长度" (length), "类型" (type).
inline constexpr std::string_view kDatePlaceholder = "\xCA\xB1\xBC\xE4";
inline constexpr std::string_view kLengthPlaceholder = "\xB3\xA4\xB6\xC8";
inline constexpr std::string_view kTypePlaceholder = "\xC0\xE0\xD0\xCD";

// The four texts, built once before the server can start and then only read.
struct CannedResponses {
  std::string limit;               // 403, connection limit reached
  std::string not_found;           // 404
  std::string server_error;        // 500
  std::string ok_header_template;  // 200 head with all three placeholders
};

// `BuildCannedResponses`.
CannedResponses BuildCannedResponses();

// A canned answer with every date placeholder replaced by `date`.
std::string FillCannedResponse(std::string_view canned, std::string_view date);

// The Content-Type value, followed by the Accept-Ranges line for a type that
// advertises byte ranges (AdvertisesByteRanges), or for any type when
// `all_ranges` (the common types are on).
std::string ContentTypeLines(std::string_view content_type, bool all_ranges = false);

// The 200 head: length, then date, then type (ContentTypeLines) put in, in
// that order.
std::string FillOkHead(std::string_view ok_template, std::uint64_t body_length,
                       std::string_view date, std::string_view content_type,
                       bool all_ranges = false);

// "206 Partial Content" for bytes first..last (inclusive) of a file of `total`
// bytes, laid out like the 200 head with a Content-Range line after
// Content-Length.
std::string BuildPartialHead(std::string_view date, std::string_view content_type,
                             std::uint64_t first, std::uint64_t last, std::uint64_t total,
                             bool all_ranges = false);

// "416 Range Not Satisfiable" for a file of `total` bytes: the canned-response
// header lines, an empty body and "Content-Range: bytes */total".
std::string BuildRangeNotSatisfiable(std::string_view date, std::uint64_t total);

// "200 OK" for a page of `body_length` bytes made here (a folder's listing):
// laid out like the file's 200 head, with "Connection: close" as the canned
// answers have it.
std::string BuildPageHead(std::string_view date, std::uint64_t body_length,
                          std::string_view content_type);

// "301 Moved Permanently" to `location`, with an empty body, laid out like
// the 416 answer with a Location line after Content-Length.
std::string BuildRedirect(std::string_view date, std::string_view location);

}  // namespace orvane
