#include "http/core/path_map.h"

#include <vector>

#include "http/core/content_type.h"

namespace orvane {

namespace {

// "/" to "\" and runs of "\" collapsed to one, stepping over double-byte
// characters so a trail byte 0x5C is never taken for a separator.
std::string NormalizeSeparators(std::string_view text, const CodePage& cp) {
  std::string out;
  out.reserve(text.size());
  bool after_separator = false;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t len = cp.CharLength(text, i);
    const bool separator = len == 1 && (text[i] == '/' || text[i] == '\\');
    if (!separator) {
      out.append(text.substr(i, len));
    } else if (!after_separator) {
      out.push_back('\\');
    }
    after_separator = separator;
    i += len;
  }
  return out;
}

bool EndsWithSeparator(std::string_view text, const CodePage& cp) {
  return EndsWithChar(text, '\\', cp);
}

// Splits on single-byte "\" only.
std::vector<std::string_view> SplitSegments(std::string_view path, const CodePage& cp) {
  std::vector<std::string_view> segments;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < path.size()) {
    const std::size_t len = cp.CharLength(path, i);
    if (len == 1 && path[i] == '\\') {
      segments.push_back(path.substr(start, i - start));
      start = i + 1;
    }
    i += len;
  }
  segments.push_back(path.substr(start));
  return segments;
}

bool HasForbiddenByte(std::string_view path) {
  for (char c : path) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || c == ':' || c == '*' || c == '?') return true;
  }
  return false;
}

// Windows drops trailing dots and spaces from a name: ". ." or "..." could
// reach the parent folder behind the resolver's back, and "sub." names
// "sub" when it is the last part of a path but nothing when a name follows
// it. Such a segment is refused wherever it stands, so a name is refused the
// same way as a file and as a folder, and both systems agree.
bool EndsInDotOrSpace(std::string_view segment) {
  if (segment == "." || segment == "..") return false;
  return !segment.empty() && (segment.back() == '.' || segment.back() == ' ');
}

}  // namespace

bool IsReservedDeviceName(std::string_view segment) {
  std::string_view base = segment.substr(0, segment.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  static constexpr std::string_view kPlain[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
  for (std::string_view name : kPlain) {
    if (EqualsIgnoreAsciiCase(base, name)) return true;
  }
  if (base.size() < 4) return false;
  const std::string_view stem = base.substr(0, 3);
  if (!EqualsIgnoreAsciiCase(stem, "com") && !EqualsIgnoreAsciiCase(stem, "lpt")) return false;
  // Windows also takes the Latin-1 superscripts one, two and three for the
  // digit ("COM\u00B9" is a device), as UTF-8 and as single bytes alike.
  const std::string_view digit = base.substr(3);
  static constexpr std::string_view kSuperscripts[] = {"\xB9",     "\xB2",     "\xB3",
                                                       "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
  // COM0 and LPT0 too: Microsoft's naming page lists them.
  if (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') return true;
  for (std::string_view superscript : kSuperscripts) {
    if (digit == superscript) return true;
  }
  return false;
}

bool IsRefusedName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return true;
  if (name.find_first_of("/\\") != std::string_view::npos) return true;
  return HasForbiddenByte(name) || EndsInDotOrSpace(name) || IsReservedDeviceName(name);
}

std::optional<MappedPath> MapDecodedPath(std::string_view site_root, const CodePage& ansi,
                                         std::string_view decoded, NameEncoding encoding) {
  if (HasForbiddenByte(decoded)) return std::nullopt;
  const CodePage path_cp = encoding == NameEncoding::kUtf8 ? CodePage::Utf8() : ansi;
  const std::string normalized = NormalizeSeparators(decoded, path_cp);
  MappedPath mapped;
  mapped.encoding = encoding;
  const CodePage utf8 = CodePage::Utf8();
  mapped.root = NormalizeSeparators(site_root, utf8);
  // A share ("\\server\share") keeps the doubled separator that makes it one;
  // collapsed, it would name a folder on the current drive.
  if (site_root.size() >= 2 && (site_root[0] == '\\' || site_root[0] == '/') &&
      (site_root[1] == '\\' || site_root[1] == '/')) {
    mapped.root.insert(0, 1, '\\');
  }
  if (!normalized.empty()) {
    // Without a leading separator the name would continue the folder's own
    // name ("C:\web" + "x" is "C:\webx"), a sibling of the site folder.
    if (normalized[0] != '\\' || EndsWithSeparator(normalized, path_cp)) return std::nullopt;
    std::vector<std::string_view> kept;
    for (std::string_view segment :
         SplitSegments(std::string_view(normalized).substr(1), path_cp)) {
      if (segment == ".") continue;
      if (segment == "..") {
        if (kept.empty()) return std::nullopt;
        kept.pop_back();
        continue;
      }
      if (EndsInDotOrSpace(segment) || IsReservedDeviceName(segment)) return std::nullopt;
      kept.push_back(segment);
    }
    for (std::string_view segment : kept) {
      mapped.relative.push_back('\\');
      mapped.relative.append(segment);
    }
    // The root's own trailing separator and the path's leading one collapse.
    if (!mapped.relative.empty() && EndsWithSeparator(mapped.root, utf8)) mapped.root.pop_back();
  }
  return mapped;
}

std::string_view ContentTypeOf(const MappedPath& mapped, ContentTypes types) {
  if (mapped.relative.find('.') != std::string::npos) {
    return ContentTypeForPath(mapped.relative, types);
  }
  return ContentTypeForPath(mapped.FullPath(), types);
}

}  // namespace orvane
