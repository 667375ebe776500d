// libFuzzer target: arbitrary received bytes through every decision the
// server makes about a request, checking what must hold for any input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "http/core/content_type.h"
#include "http/core/path_map.h"
#include "http/core/reply.h"
#include "http/core/resolve.h"
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

bool EndsInDotOrSpace(std::string_view segment) {
  return !segment.empty() && (segment.back() == '.' || segment.back() == ' ');
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
      Check(!EndsInDotOrSpace(segment), "no dot segment, no name Windows would shorten");
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

// A site where every name is what `kind` says: a file that opens (of
// `size` bytes), or a folder whose index.htm is missing.
class UniformSite : public SiteLookup {
 public:
  UniformSite(Kind kind, std::uint64_t size) : kind_(kind), size_(size) {}
  std::unique_ptr<BodySource> Open(const MappedPath&) override {
    if (kind_ != Kind::kFile) return nullptr;
    return std::make_unique<Body>(size_);
  }
  Kind KindOf(const MappedPath& path) override {
    // The folders hold no index.htm, so their listing is shown.
    if (kind_ == Kind::kFolder && path.relative.size() >= 10 &&
        path.relative.substr(path.relative.size() - 10) == "\\index.htm") {
      return Kind::kNothing;
    }
    return kind_;
  }
  std::optional<std::string> AnsiToUtf8(std::string_view ansi) override {
    return std::string(ansi);
  }

 private:
  struct Body : BodySource {
    explicit Body(std::uint64_t size) : size_(size) {}
    std::optional<std::uint64_t> Length() const override { return size_; }
    bool Seek(std::uint64_t) override { return true; }
    std::int64_t Read(char*, std::size_t) override { return 0; }
    std::intptr_t native() const override { return -1; }
    std::uint64_t size_;
  };
  Kind kind_;
  std::uint64_t size_;
};

void CheckRequestPath(std::string_view received, std::string_view root, const CodePage& ansi) {
  const ParsedRequest request = ParseRequest(received, ansi);
  const std::string_view text = request.text;
  Check(text.find('\0') == std::string_view::npos, "request text holds no NUL");
  if (!request.raw_path) return;
  const std::string& decoded = request.path;
  Check(decoded.find('\0') == std::string::npos, "decoded path holds no NUL");
  Check(decoded.size() <= request.raw_path->size(), "decoding never grows");
  for (const SiteLookup::Kind kind : {SiteLookup::Kind::kFile, SiteLookup::Kind::kFolder}) {
    for (const bool list : {false, true}) {
      UniformSite site(kind, 1000);
      ServingOptions options;
      options.list_folders = list;
      options.uploads = list;
      const Target target = Resolve(request, root, ansi, options, site);
      const bool has_path =
          target.kind == Target::Kind::kFile || target.kind == Target::Kind::kFolderIndex ||
          target.kind == Target::Kind::kListing || target.kind == Target::Kind::kUnreadable;
      if (has_path) CheckMapped(target.path, ansi);
      // A lead byte just before CR LF takes the CR as its second byte, so the
      // request line can run on into the headers; such a path never maps.
      Check(!(has_path && decoded.find_first_of("\r\n") != std::string::npos),
            "a path holding a line break is refused");
      if (target.kind == Target::Kind::kFolderRedirect) {
        const std::string& location = target.location;
        // It can only name this server, and can never break out of its line.
        Check(location.size() >= 1 && location[0] == '/' &&
                  (location.size() == 1 || location[1] != '/') && location.back() == '/',
              "a redirect names a path of this server, with its final /");
        for (char c : location) {
          const auto b = static_cast<unsigned char>(c);
          Check(b > 0x20 && b < 0x7F, "the redirect's Location holds visible ASCII only");
        }
        // Followed, it arrives: the folder's own spelling is not sent on again.
        UniformSite again(kind, 1000);
        const Target next = Resolve(ParseRequest("GET " + location + " HTTP/1.1\r\n\r\n", ansi),
                                    root, ansi, options, again);
        Check(next.kind != Target::Kind::kFolderRedirect, "a redirect never leads to another");
      }
    }
  }
}

void CheckRange(std::string_view received, std::uint64_t length) {
  const ParsedRequest request = ParseRequest(received, CodePage::Gbk());
  const ByteRangeSpec asked = request.range;
  const RangeDecision d = DecideRange(asked, length);
  const std::string date = "Sun, 06 Dec 2026 14:05:09 GMT";
  Target target;
  target.kind = Target::Kind::kFile;
  target.path = MappedPath{"C:\\web", "\\a.bin"};
  UniformSite site(SiteLookup::Kind::kFile, length);
  target.file = site.Open(target.path);
  const Reply reply = DecideReply(request, {}, std::move(target), ServingOptions{});
  const std::string head = BuildHead(reply.head, date);
  Check(head.find("\r\n\r\n") == head.size() - 4, "one empty line, at the end");
  switch (d.kind) {
    case RangeDecision::Kind::kWhole: {
      Check(asked.kind == ByteRangeSpec::Kind::kNone ||
                (asked.kind == ByteRangeSpec::Kind::kFromTo && asked.last < asked.first),
            "whole file only without a usable range");
      Check(Contains(head, "\r\nContent-Length: " + UnsignedDecimalText(length) + "\r\n"),
            "200 head announces the file length");
      Check(reply.count == length, "the whole file is sent");
      break;
    }
    case RangeDecision::Kind::kPartial: {
      Check(asked.kind != ByteRangeSpec::Kind::kNone, "partial only with a range");
      Check(d.first <= d.last && d.last < length, "first <= last < length");
      if (asked.kind != ByteRangeSpec::Kind::kSuffix) Check(d.first == asked.first, "first kept");
      Check(Contains(head, "\r\nContent-Length: " + UnsignedDecimalText(d.last - d.first + 1)),
            "206 length matches the range");
      Check(reply.first == d.first && reply.count == d.last - d.first + 1, "the range is sent");
      break;
    }
    case RangeDecision::Kind::kUnsatisfiable:
      Check(length == 0 || (asked.kind == ByteRangeSpec::Kind::kSuffix && asked.suffix == 0) ||
                (asked.kind != ByteRangeSpec::Kind::kSuffix && asked.first >= length),
            "416 only when nothing of the file is asked for");
      Check(reply.body == Reply::Body::kNone, "a 416 has no body");
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
      CheckRequestPath(received, root, cp);
    }
    CheckTextRules(request.substr(0, 64), cp);
  }
  for (std::uint64_t length : {0ull, 1ull, 1000ull, 5368709120ull}) {
    CheckRange(received, length);
  }
  return 0;
}
