#include "http/core/request.h"

#include <limits>

#include "http/core/text_rules.h"
#include "http/core/url_decode.h"

namespace orvane {

namespace {

std::string_view TrimHttpSpace(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Decimal digits only, saturating at the largest 64-bit value; nullopt-like
// false when the text is empty or holds anything else.
bool ReadDigits(std::string_view text, std::uint64_t& value) {
  if (text.empty()) return false;
  value = 0;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    value = (value > (kMax - digit) / 10) ? kMax : value * 10 + digit;
  }
  return true;
}

ByteRangeSpec ParseRangeValue(std::string_view value) {
  value = TrimHttpSpace(value);
  constexpr std::string_view kUnit = "bytes=";
  if (value.size() < kUnit.size() || !EqualsIgnoreAsciiCase(value.substr(0, kUnit.size()), kUnit)) {
    return {};
  }
  const std::string_view set = TrimHttpSpace(value.substr(kUnit.size()));
  const std::size_t dash = set.find('-');
  if (dash == std::string_view::npos || set.find(',') != std::string_view::npos) return {};
  const std::string_view first_text = set.substr(0, dash);
  const std::string_view last_text = set.substr(dash + 1);
  ByteRangeSpec asked;
  if (first_text.empty()) {
    if (!ReadDigits(last_text, asked.suffix)) return {};
    asked.kind = ByteRangeSpec::Kind::kSuffix;
    return asked;
  }
  if (!ReadDigits(first_text, asked.first)) return {};
  if (last_text.empty()) {
    asked.kind = ByteRangeSpec::Kind::kFrom;
    return asked;
  }
  if (!ReadDigits(last_text, asked.last)) return {};
  asked.kind = ByteRangeSpec::Kind::kFromTo;
  return asked;
}

}  // namespace

std::string_view RequestTextOf(std::string_view received) {
  return received.substr(0, received.find('\0'));
}

bool IsGetRequest(std::string_view request_text) { return request_text.substr(0, 3) == "GET"; }

std::optional<std::string_view> RawRequestPath(std::string_view request, const CodePage& ansi,
                                               std::size_t from) {
  const std::size_t line_end = FindText(request, "\r\n", ansi);
  if (line_end == std::string_view::npos) return std::nullopt;
  const std::string_view line = request.substr(0, line_end);
  const std::size_t last_space = FindLastText(line, " ", ansi);
  if (last_space == std::string_view::npos) return std::nullopt;
  if (last_space <= from) return std::string_view();
  return TrimBlanks(line.substr(from, last_space - from), ansi);
}

bool HeaderBlockEnded(std::string_view received, std::size_t already_checked) {
  // The longest end, "\n\r\n", begins at most two bytes before the new ones.
  constexpr std::size_t kLongestEnd = 3;
  const std::size_t from = already_checked > kLongestEnd ? already_checked - kLongestEnd : 0;
  received.remove_prefix(from < received.size() ? from : received.size());
  return received.find("\n\n") != std::string_view::npos ||
         received.find("\n\r\n") != std::string_view::npos;  // also "\r\n\r\n"
}

namespace {

// One pass over the header lines after the request line, up to the empty
// line that ends the block (after LF or CR LF line ends).
void ReadHeaderBlock(std::string_view received, ParsedRequest& parsed) {
  const std::size_t text_end = parsed.text.size();
  std::size_t line_start = received.find('\n');
  if (line_start == std::string_view::npos) return;  // not even a request line
  // A Range line counts only while every line before it ended in CR LF: that
  // is where a search for CR LF line ends would find it at a line's start.
  bool crlf_lines = line_start > 0 && received[line_start - 1] == '\r';
  bool announces_body = false;
  ++line_start;
  for (;;) {
    const std::size_t line_end = received.find('\n', line_start);
    if (line_end == std::string_view::npos) return;  // the block has not ended
    std::string_view line = received.substr(line_start, line_end - line_start);
    const bool cr = !line.empty() && line.back() == '\r';
    if (cr) line.remove_suffix(1);
    if (line.empty()) {
      parsed.may_send_more = line_end + 1 < received.size() || announces_body;
      parsed.body_start = line_end + 1;
      return;
    }
    crlf_lines = crlf_lines && cr;
    line_start = line_end + 1;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view value = line.substr(colon + 1);
    if (crlf_lines && line_end < text_end &&
        EqualsIgnoreAsciiCase(line.substr(0, colon), "Range")) {
      parsed.range = ParseRangeValue(value);
    }
    const std::string_view name = TrimHttpSpace(line.substr(0, colon));
    if (EqualsIgnoreAsciiCase(name, "Cookie")) {
      parsed.cookies.push_back(TrimHttpSpace(value));
    } else if (EqualsIgnoreAsciiCase(name, "Host")) {
      parsed.host = TrimHttpSpace(value);
    } else if (EqualsIgnoreAsciiCase(name, "Origin")) {
      parsed.origin = TrimHttpSpace(value);
    } else if (EqualsIgnoreAsciiCase(name, "Referer")) {
      parsed.referer = TrimHttpSpace(value);
    } else if (EqualsIgnoreAsciiCase(name, "Sec-Fetch-Site")) {
      parsed.fetch_site = TrimHttpSpace(value);
    } else if (EqualsIgnoreAsciiCase(name, "If-Range")) {
      parsed.if_range = TrimHttpSpace(value);
    } else if (EqualsIgnoreAsciiCase(name, "Content-Type")) {
      parsed.content_type = TrimHttpSpace(value);
    } else if (EqualsIgnoreAsciiCase(name, "Transfer-Encoding")) {
      announces_body = true;
      parsed.body_without_length = true;
    } else if (EqualsIgnoreAsciiCase(name, "Expect")) {
      announces_body = true;
      parsed.expects_continue = EqualsIgnoreAsciiCase(TrimHttpSpace(value), "100-continue");
    } else if (EqualsIgnoreAsciiCase(name, "Content-Length")) {
      // Only a length of exactly nothing says no body; an unreadable one may
      // still be followed by bytes.
      std::uint64_t length = 0;
      const bool readable = ReadDigits(TrimHttpSpace(value), length);
      if (!readable || length != 0) announces_body = true;
      // Two lengths that disagree make the body's end unknown.
      if (!readable || (parsed.content_length && *parsed.content_length != length)) {
        parsed.length_unreadable = true;
      }
      if (readable) parsed.content_length = length;
    }
  }
}

}  // namespace

ParsedRequest ParseRequest(std::string_view received, const CodePage& ansi) {
  ParsedRequest parsed;
  parsed.text = RequestTextOf(received);
  parsed.is_get = IsGetRequest(parsed.text);
  parsed.is_post = parsed.text.substr(0, 5) == "POST ";
  parsed.method = parsed.text.substr(0, parsed.text.find_first_of(" \r\n"));
  parsed.raw_path = RawRequestPath(parsed.text, ansi,
                                   parsed.is_get || parsed.is_post ? 4 : parsed.method.size() + 1);
  if (parsed.raw_path) {
    parsed.target = SplitTarget(*parsed.raw_path);
    parsed.path = DecodeUrlPath(*parsed.raw_path, &parsed.path_had_nul, &parsed.path_escaped_slash);
    parsed.names_folder = !parsed.path.empty() && parsed.path.back() == '/';
  }
  ReadHeaderBlock(received, parsed);
  if (parsed.body_start != std::string_view::npos) parsed.body = received.substr(parsed.body_start);
  parsed.head = received.substr(0, parsed.body_start);
  return parsed;
}

std::optional<std::string_view> HeaderValue(const ParsedRequest& request, std::string_view name) {
  std::optional<std::string_view> value;
  std::string_view rest = request.head;
  // The request line is no header line.
  for (std::size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
    rest.remove_prefix(end + 1);
    const std::string_view line = rest.substr(0, rest.find('\n'));
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos &&
        EqualsIgnoreAsciiCase(TrimHttpSpace(line.substr(0, colon)), name)) {
      std::string_view found = line.substr(colon + 1);
      if (!found.empty() && found.back() == '\r') found.remove_suffix(1);
      value = TrimHttpSpace(found);
    }
  }
  return value;
}

RequestTarget SplitTarget(std::string_view raw_path) {
  const std::size_t question = raw_path.find('?');
  if (question == std::string_view::npos) return RequestTarget{raw_path, {}, false};
  return RequestTarget{raw_path.substr(0, question), raw_path.substr(question + 1), true};
}

BodyFraming FramingOf(const ParsedRequest& request) {
  if (request.body_start == std::string_view::npos) return BodyFraming::kHeadTooLong;
  if (request.length_unreadable) return BodyFraming::kMalformedLength;
  if (request.body_without_length || !request.content_length) return BodyFraming::kNoLength;
  return BodyFraming::kLength;
}

RangeDecision DecideRange(const ByteRangeSpec& asked, std::uint64_t file_length) {
  RangeDecision d;
  switch (asked.kind) {
    case ByteRangeSpec::Kind::kNone:
      return d;
    case ByteRangeSpec::Kind::kFromTo:
      if (asked.last < asked.first) return d;
      [[fallthrough]];
    case ByteRangeSpec::Kind::kFrom:
      if (asked.first >= file_length) {
        d.kind = RangeDecision::Kind::kUnsatisfiable;
        return d;
      }
      d.kind = RangeDecision::Kind::kPartial;
      d.first = asked.first;
      d.last = (asked.kind == ByteRangeSpec::Kind::kFrom || asked.last >= file_length)
                   ? file_length - 1
                   : asked.last;
      return d;
    case ByteRangeSpec::Kind::kSuffix:
      if (asked.suffix == 0 || file_length == 0) {
        d.kind = RangeDecision::Kind::kUnsatisfiable;
        return d;
      }
      d.kind = RangeDecision::Kind::kPartial;
      d.first = file_length - (asked.suffix < file_length ? asked.suffix : file_length);
      d.last = file_length - 1;
      return d;
  }
  return d;
}

}  // namespace orvane
