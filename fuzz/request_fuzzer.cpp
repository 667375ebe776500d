// libFuzzer target: arbitrary received bytes through every decision the
// server makes about a request, checking what must hold for any input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "http/core/content_type.h"
#include "http/core/path_map.h"
#include "http/core/reply.h"
#include "http/core/request.h"
#include "http/core/responses.h"
#include "http/core/settings.h"
#include "http/core/text_rules.h"
#include "http/core/url_decode.h"

namespace orvane {
namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// Segments of a mapped relative path, split on "\" characters of `cp`.
std::vector<std::string_view> Segments(std::string_view relative, const CodePage& cp) {
  std::vector<std::string_view> out;
  std::size_t start = 1;
  std::size_t i = 1;
  while (i < relative.size()) {
    const std::size_t len = cp.CharLength(relative, i);
    if (len == 1 && relative[i] == '\\') {
      out.push_back(relative.substr(start, i - start));
      start = i + 1;
    }
    i += len;
  }
  out.push_back(relative.substr(start));
  return out;
}

bool OnlyDotsAndSpaces(std::string_view segment) {
  for (char c : segment) {
    if (c != '.' && c != ' ') return false;
  }
  return true;
}

void CheckMapped(const MappedPath& m, const CodePage& ansi) {
  const CodePage cp = m.encoding == NameEncoding::kUtf8 ? CodePage::Utf8() : ansi;
  Check(m.relative.empty() || m.relative[0] == '\\', "relative path starts with a separator");
  for (char c : m.relative) {
    const auto b = static_cast<unsigned char>(c);
    Check(b >= 0x20 && c != ':' && c != '*' && c != '?', "no control, colon or wildcard byte");
  }
  if (!m.relative.empty()) {
    for (std::string_view segment : Segments(m.relative, cp)) {
      Check(!segment.empty(), "no empty segment (no doubled or trailing separator)");
      Check(!OnlyDotsAndSpaces(segment), "no dot segment or dot-and-space alias");
      Check(!IsReservedDeviceName(segment), "no device segment");
    }
  }
  if (m.encoding == NameEncoding::kUtf8) {
    // ".." may have removed every non-ASCII segment, leaving plain ASCII.
    bool ascii = true;
    for (char c : m.relative) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    Check(ascii || IsNonAsciiUtf8(m.relative), "a UTF-8 name stays well-formed UTF-8");
  }
  // The type follows the last dot of the whole path, root included.
  Check(ContentTypeOf(m) == ContentTypeForPath(m.FullPath()), "type from the last dot");
  // Separators are collapsed, but for the leading pair that makes a share.
  Check(m.root.find("\\\\", 1) == std::string::npos, "root separators collapsed");
}

void CheckRequestPath(std::string_view request, std::string_view root, const CodePage& ansi) {
  const std::optional<std::string_view> raw = RawRequestPath(request, ansi);
  const auto everything = [](const MappedPath&) { return true; };
  const std::optional<MappedPath> mapped = MapRequestPath(raw, root, ansi, everything);
  if (!raw) {
    Check(!mapped, "no raw path, no mapping");
    return;
  }
  // A folder is confined as a file is, and the redirect to it can never
  // break out of its header line.
  const std::optional<MappedFolder> folder = MapRequestFolder(raw, root, ansi, everything);
  if (folder) {
    CheckMapped(folder->folder, ansi);
    CheckMapped(folder->index, ansi);
  }
  for (char c : FolderRedirectLocation(*raw)) {
    const auto b = static_cast<unsigned char>(c);
    Check(b > 0x20 && b < 0x7F, "the redirect's Location holds visible ASCII only");
  }
  // "/" alone names the default document.
  const std::string decoded = *raw == "/" ? std::string(kDefaultDocument) : DecodeUrlPath(*raw);
  Check(decoded.find('\0') == std::string::npos, "decoded path holds no NUL");
  Check(*raw == "/" || decoded.size() <= raw->size(), "decoding never grows");
  // A lead byte just before CR LF takes the CR as its second byte, so the
  // request line can run on into the headers; such a path must never map.
  Check(!(decoded.find_first_of("\r\n") != std::string::npos && mapped),
        "a path holding a line break is refused");
  const std::optional<MappedPath> as_ansi =
      MapDecodedPath(root, ansi, decoded, NameEncoding::kAnsi);
  if (as_ansi) CheckMapped(*as_ansi, ansi);
  std::optional<MappedPath> as_utf8;
  if (IsNonAsciiUtf8(decoded)) {
    as_utf8 = MapDecodedPath(root, ansi, decoded, NameEncoding::kUtf8);
    if (as_utf8) CheckMapped(*as_utf8, ansi);
  }
  if (mapped) {
    CheckMapped(*mapped, ansi);
    Check(as_utf8 || as_ansi, "a mapping comes from one of the two readings");
    const MappedPath& first = as_utf8 ? *as_utf8 : *as_ansi;
    Check(mapped->FullPath() == first.FullPath() && mapped->encoding == first.encoding,
          "with every name present the first candidate wins");
  } else {
    Check(!as_ansi && !as_utf8, "a mappable path is found when every name exists");
  }
}

void CheckRange(std::string_view request, std::uint64_t length, const std::string& ok_template) {
  const ByteRangeSpec asked = ParseRangeHeader(request);
  const RangeDecision d = DecideRange(asked, length);
  const std::string date = "Sun, 06 Dec 2026 14:05:09 GMT";
  switch (d.kind) {
    case RangeDecision::Kind::kWhole: {
      Check(asked.kind == ByteRangeSpec::Kind::kNone ||
                (asked.kind == ByteRangeSpec::Kind::kFromTo && asked.last < asked.first),
            "whole file only without a usable range");
      const std::string head = FillOkHead(ok_template, length, date, kOctetStreamType);
      Check(!Contains(head, kDatePlaceholder) && !Contains(head, kLengthPlaceholder) &&
                !Contains(head, kTypePlaceholder),
            "no placeholder left in the 200 head");
      Check(head.find("\r\n\r\n") == head.size() - 4, "one empty line, at the end");
      Check(Contains(head, "\r\nContent-Length: " + UnsignedDecimalText(length) + "\r\n"),
            "200 head announces the file length");
      break;
    }
    case RangeDecision::Kind::kPartial: {
      Check(asked.kind != ByteRangeSpec::Kind::kNone, "partial only with a range");
      Check(d.first <= d.last && d.last < length, "first <= last < length");
      if (asked.kind != ByteRangeSpec::Kind::kSuffix) Check(d.first == asked.first, "first kept");
      const std::string head = BuildPartialHead(date, "text/plain", d.first, d.last, length);
      Check(Contains(head, "\r\nContent-Length: " + UnsignedDecimalText(d.last - d.first + 1)),
            "206 length matches the range");
      break;
    }
    case RangeDecision::Kind::kUnsatisfiable:
      Check(length == 0 || (asked.kind == ByteRangeSpec::Kind::kSuffix && asked.suffix == 0) ||
                (asked.kind != ByteRangeSpec::Kind::kSuffix && asked.first >= length),
            "416 only when nothing of the file is asked for");
      break;
  }
}

void CheckTextRules(std::string_view text, const CodePage& cp) {
  const std::string_view trimmed = TrimBlanks(text, cp);
  Check(trimmed.empty() || trimmed.front() != ' ', "trimmed text starts with no space");
  Check(text.find(trimmed) != std::string_view::npos, "trimmed text is part of the text");
  const std::int16_t port = SettleServerPort(text, cp);
  Check(port >= 1, "settled port is at least 1");
  const std::string root = SettleSiteRoot(text);
  Check(root == text || (root.size() + 1 == text.size() && text.back() == '\\' &&
                         text.substr(0, root.size()) == root),
        "site root loses at most one trailing backslash");
  const std::size_t hit = FindText(text, "\\", cp);
  if (hit != std::string_view::npos) {
    std::size_t i = 0;
    while (i < hit) i += cp.CharLength(text, i);
    Check(i == hit, "a match begins on a character boundary");
  }
}

}  // namespace
}  // namespace orvane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvane;
  static const CannedResponses canned = BuildCannedResponses();
  const std::string_view received(reinterpret_cast<const char*>(data),
                                  size < kMaxRequestBytes ? size : kMaxRequestBytes);
  const std::string_view request = RequestTextOf(received);
  Check(request.find('\0') == std::string_view::npos, "request text holds no NUL");
  Check(IsGetRequest(request) == (request.substr(0, 3) == "GET"), "GET is the first three bytes");
  // Searching only past what an earlier read already checked finds the same.
  const bool ended = HeaderBlockEnded(received);
  const std::size_t half = received.size() / 2;
  Check(ended == (HeaderBlockEnded(received.substr(0, half)) || HeaderBlockEnded(received, half)),
        "a split search finds the same header end");

  const CodePage pages[] = {CodePage::Gbk(), CodePage::Utf8()};
  for (const CodePage& cp : pages) {
    for (std::string_view root : {"C:\\web", "C:\\my.site\\", "", "\\\\srv\\share"}) {
      CheckRequestPath(request, root, cp);
    }
    CheckTextRules(request.substr(0, 64), cp);
  }
  for (std::uint64_t length : {0ull, 1ull, 1000ull, 5368709120ull}) {
    CheckRange(request, length, canned.ok_header_template);
  }
  return 0;
}
