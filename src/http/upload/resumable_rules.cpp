#include "http/upload/resumable_rules.h"

#include <algorithm>
#include <set>

#include "base/utc_time.h"
#include "http/core/http_date.h"
#include "http/core/reserved_paths.h"
#include "http/core/text_rules.h"
#include "http/core/url_decode.h"

namespace orvane {

namespace {

constexpr char kHex[] = "0123456789abcdef";

// Milliseconds since 1970 of 1601-01-01 and of the end of 9999: the times a
// file of either system can be given.
constexpr std::int64_t kEarliestFileMs = -11644473600000;
constexpr std::int64_t kLatestFileMs = 253402300799999;

bool IsDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Decimal digits that fit 64 bits; nullopt for anything else.
std::optional<std::uint64_t> Unsigned(std::optional<std::string_view> text) {
  if (!text || !IsDigits(*text) || text->size() > 19) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : *text) value = value * 10 + static_cast<std::uint64_t>(c - '0');
  return value;
}

// A whole number of milliseconds a file may be given; nullopt for anything else.
std::optional<std::int64_t> Milliseconds(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (!IsDigits(text) || text.size() > 15) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  if (negative) value = -value;
  if (value < kEarliestFileMs || value > kLatestFileMs) return std::nullopt;
  return value;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool IsUtf8(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; }) ||
         IsNonAsciiUtf8(text);
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The framing of a body to be appended, as a status; empty when its length
// is known.
std::string_view FramingRefusal(const ParsedRequest& request) {
  switch (FramingOf(request)) {
    case BodyFraming::kHeadTooLong:
      return "431 Request Header Fields Too Large";
    case BodyFraming::kMalformedLength:
      return "400 Bad Request";
    case BodyFraming::kNoLength:
      return "411 Length Required";
    case BodyFraming::kLength:
      break;
  }
  return {};
}

bool IsOffsetStream(const ParsedRequest& request) {
  const std::optional<std::string_view> type = HeaderValue(request, "Content-Type");
  return type && EqualsIgnoreAsciiCase(*type, kOffsetStreamType);
}

std::string Line(std::string_view name, std::string_view value) {
  return std::string(name).append(": ").append(value);
}

}  // namespace

std::string UploadIdFrom(std::string_view random) {
  std::string id;
  for (const char c : random) {
    const auto byte = static_cast<unsigned char>(c);
    id += kHex[byte >> 4];
    id += kHex[byte & 0x0F];
  }
  return id;
}

bool IsUploadId(std::string_view id) {
  return id.size() == 2 * kUploadIdBytes && std::all_of(id.begin(), id.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

std::string UploadAddress(std::string_view id) {
  return std::string(kUploadPath).append("/").append(id);
}

std::optional<std::string> DecodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::size_t padding = 0;
  while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') {
    ++padding;
  }
  std::string out;
  out.reserve(text.size() / 4 * 3);
  std::uint32_t bits = 0;
  int count = 0;
  for (std::size_t i = 0; i < text.size() - padding; ++i) {
    const int value = Base64Value(text[i]);
    if (value < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    if (++count == 4) {
      out += static_cast<char>(bits >> 16);
      out += static_cast<char>(bits >> 8);
      out += static_cast<char>(bits);
      bits = 0;
      count = 0;
    }
  }
  // What the padding leaves: 3 characters give 2 bytes, 2 give 1; the bits
  // beyond them must be zero, so each text has one decoding.
  if (count == 3) {
    if ((bits & 0x3) != 0) return std::nullopt;
    out += static_cast<char>(bits >> 10);
    out += static_cast<char>(bits >> 2);
  } else if (count == 2) {
    if ((bits & 0xF) != 0) return std::nullopt;
    out += static_cast<char>(bits >> 4);
  }
  return out;
}

std::optional<UploadMetadata> ParseUploadMetadata(std::optional<std::string_view> header) {
  UploadMetadata metadata;
  bool named = false;
  std::set<std::string_view> keys;
  std::string_view rest = header.value_or("");
  while (!rest.empty()) {
    const std::size_t comma = rest.find(',');
    const std::string_view pair = TrimSpaces(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    const std::size_t space = pair.find(' ');
    const std::string_view key = pair.substr(0, space);
    if (key.empty() || !keys.insert(key).second) return std::nullopt;
    std::optional<std::string> value = DecodeBase64(
        space == std::string_view::npos ? std::string_view() : TrimSpaces(pair.substr(space + 1)));
    if (!value) return std::nullopt;
    if (key == "filename") {
      metadata.filename = std::move(*value);
      named = true;
    } else if (key == "lastModified") {
      metadata.last_modified_ms = Milliseconds(*value);
    }
  }
  if (!named || metadata.filename.empty() || !IsUtf8(metadata.filename)) return std::nullopt;
  return metadata;
}

std::string_view VersionRefusal(const ParsedRequest& request) {
  const std::optional<std::string_view> version = HeaderValue(request, "Tus-Resumable");
  return version && *version == kTusVersion ? std::string_view() : "412 Precondition Failed";
}

CreationCheck CheckCreation(const ParsedRequest& request) {
  CreationCheck check;
  check.refusal = VersionRefusal(request);
  if (!check.refusal.empty()) return check;
  const std::optional<std::uint64_t> length = Unsigned(HeaderValue(request, "Upload-Length"));
  std::optional<UploadMetadata> metadata =
      ParseUploadMetadata(HeaderValue(request, "Upload-Metadata"));
  if (!length || !metadata) {
    check.refusal = "400 Bad Request";
    return check;
  }
  check.ask.length = *length;
  check.ask.metadata = std::move(*metadata);
  // A body is announced by a length other than 0 or by a Transfer-Encoding.
  check.ask.with_upload = request.body_without_length || request.length_unreadable ||
                          request.content_length.value_or(0) > 0;
  if (check.ask.with_upload) {
    check.refusal =
        IsOffsetStream(request) ? FramingRefusal(request) : "415 Unsupported Media Type";
  }
  return check;
}

std::string_view AppendRefusal(const ParsedRequest& request, std::uint64_t offset) {
  if (!IsOffsetStream(request)) return "415 Unsupported Media Type";
  const std::optional<std::uint64_t> asked = Unsigned(HeaderValue(request, "Upload-Offset"));
  if (!asked) return "400 Bad Request";
  if (*asked != offset) return "409 Conflict";
  return FramingRefusal(request);
}

IdleStep StepForIdle(std::int64_t idle_ms, bool told) {
  if (idle_ms >= kExpiresAfterMs) return IdleStep::kRemove;
  if (idle_ms >= kPausedAfterMs && !told) return IdleStep::kTellPaused;
  return IdleStep::kNothing;
}

std::string ExpiresText(std::int64_t now_unix_seconds, std::int64_t idle_ms) {
  const std::int64_t left_ms = std::max<std::int64_t>(kExpiresAfterMs - idle_ms, 0);
  return FormatHttpDate(UtcTimeFromUnixSeconds(now_unix_seconds + left_ms / 1000));
}

Reply ResumableReply(std::string_view status) {
  Reply reply;
  reply.kind = Reply::Kind::kHead;
  reply.head.status = status;
  reply.head.close = true;
  reply.head.content_type = "text/plain";
  reply.head.no_content = status.substr(0, 4) == "204 ";
  reply.head.extra_lines.push_back(Line("Tus-Resumable", kTusVersion));
  if (status.substr(0, 4) == "412 ")
    reply.head.extra_lines.push_back(Line("Tus-Version", kTusVersion));
  return reply;
}

Reply OptionsReply(std::optional<std::uint64_t> max_size) {
  Reply reply = ResumableReply("204 No Content");
  reply.head.extra_lines.push_back(Line("Tus-Version", kTusVersion));
  reply.head.extra_lines.push_back(Line("Tus-Extension", kTusExtensions));
  if (max_size)
    reply.head.extra_lines.push_back(Line("Tus-Max-Size", UnsignedDecimalText(*max_size)));
  return reply;
}

Reply CreatedReply(std::string_view id, std::optional<std::uint64_t> offset,
                   std::string_view expires) {
  Reply reply = ResumableReply("201 Created");
  reply.head.location = UploadAddress(id);
  if (offset) reply.head.extra_lines.push_back(Line("Upload-Offset", UnsignedDecimalText(*offset)));
  if (!expires.empty()) reply.head.extra_lines.push_back(Line("Upload-Expires", expires));
  return reply;
}

Reply OffsetReply(std::uint64_t offset, std::uint64_t length, std::string_view expires) {
  Reply reply = ResumableReply("200 OK");
  reply.head.extra_lines.push_back(Line("Upload-Offset", UnsignedDecimalText(offset)));
  reply.head.extra_lines.push_back(Line("Upload-Length", UnsignedDecimalText(length)));
  reply.head.extra_lines.push_back(Line("Upload-Expires", expires));
  reply.head.extra_lines.emplace_back("Cache-Control: no-store");
  return reply;
}

Reply AppendedReply(std::string_view status, std::uint64_t offset, std::string_view expires) {
  Reply reply = ResumableReply(status);
  reply.head.extra_lines.push_back(Line("Upload-Offset", UnsignedDecimalText(offset)));
  if (!expires.empty()) reply.head.extra_lines.push_back(Line("Upload-Expires", expires));
  return reply;
}

std::string PausedLogLine(std::string_view name, std::uint64_t offset, std::uint64_t length) {
  // Whole percent, rounded down (so 100 only once whole), for any length.
  std::uint64_t percent = 100;
  if (offset < length) {
    percent = length <= UINT64_MAX / 100 ? offset * 100 / length : offset / (length / 100);
    percent = std::min<std::uint64_t>(percent, 99);
  }
  std::string line = "\xC9\xCF\xB4\xAB\xD2\xD1\xD4\xDD\xCD\xA3: ";  // 上传已暂停:
  line.append(name).append(" (").append(UnsignedDecimalText(percent)).append("%)\r\n");
  return line;
}

std::string RemovedLogLine(std::string_view name) {
  // 未完成的上传已删除:
  std::string line = "\xCE\xB4\xCD\xEA\xB3\xC9\xB5\xC4\xC9\xCF\xB4\xAB\xD2\xD1\xC9\xBE\xB3\xFD: ";
  return line.append(name).append("\r\n");
}

}  // namespace orvane
