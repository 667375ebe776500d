#include "http/core/resolve.h"

#include <utility>
#include <vector>

#include "http/core/reserved_paths.h"
#include "http/core/url_decode.h"

namespace orvane {

namespace {

using Kind = Target::Kind;

Target Of(Kind kind) {
  Target target;
  target.kind = kind;
  return target;
}

// A file that opened, to be served as `kind`.
Target Opened(Kind kind, MappedPath path, std::unique_ptr<BodySource> file) {
  Target target = Of(kind);
  target.path = std::move(path);
  target.file = std::move(file);
  return target;
}

// The encodings a decoded path is looked up in, in order: Unicode first
// when its bytes are UTF-8 and not plain ASCII, then the ANSI code page.
std::vector<NameEncoding> EncodingsFor(std::string_view decoded) {
  if (IsNonAsciiUtf8(decoded)) return {NameEncoding::kUtf8, NameEncoding::kAnsi};
  return {NameEncoding::kAnsi};
}

// The segments of a mapped relative path ("\a\b"), split on single-byte "\"
// only, so a GBK trail byte 0x5C stays inside its character.
std::vector<std::string> Segments(const MappedPath& path, const CodePage& ansi) {
  const CodePage cp = path.encoding == NameEncoding::kUtf8 ? CodePage::Utf8() : ansi;
  std::vector<std::string> segments;
  const std::string_view relative = path.relative;
  std::size_t i = 0;
  while (i < relative.size()) {
    const std::size_t len = cp.CharLength(relative, i);
    if (len == 1 && relative[i] == '\\') {
      segments.emplace_back();
    } else if (!segments.empty()) {
      segments.back().append(relative.substr(i, len));
    }
    i += len;
  }
  return segments;
}

// The segments as UTF-8 bytes: an ANSI name converted where it can be (a
// name that is not text of the code page keeps its bytes).
std::vector<std::string> Utf8Segments(const MappedPath& path, const CodePage& ansi,
                                      SiteLookup& files) {
  std::vector<std::string> segments = Segments(path, ansi);
  if (path.encoding == NameEncoding::kAnsi) {
    for (std::string& segment : segments) {
      if (std::optional<std::string> utf8 = files.AnsiToUtf8(segment)) segment = std::move(*utf8);
    }
  }
  return segments;
}

std::string SpellingOf(const std::vector<std::string>& segments) {
  std::string spelling = "/";
  for (const std::string& segment : segments) spelling.append(PercentEncode(segment)).append("/");
  return spelling;
}

// UTF-8 text for the page: each byte that does not belong to a well-formed
// UTF-8 character becomes U+FFFD.
std::string ShownAsUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t len = 1;
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b >= 0x80) {
      len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
      if (i + len > bytes.size() || !IsNonAsciiUtf8(bytes.substr(i, len))) {
        out += "\xEF\xBF\xBD";
        ++i;
        continue;
      }
    }
    out.append(bytes.substr(i, len));
    i += len;
  }
  return out;
}

// Whether the request spelled the folder as its own spelling would: "/",
// then each segment followed by a "/" sent as such (not "%2F"), and nothing
// more; any escape of any other byte is the same spelling.
bool SpelledAsOwn(const ParsedRequest& request, const std::vector<std::string>& segments) {
  if (request.path_escaped_slash) return false;
  std::string own = "/";
  for (const std::string& segment : segments) own.append(segment).append("/");
  return request.path == own;
}

Target RedirectTo(std::string location) {
  Target target = Of(Kind::kFolderRedirect);
  target.location = std::move(location);
  return target;
}

// The names a decoded path may stand for, in the order they are looked up
// (Unicode first when its bytes are UTF-8 and not plain ASCII, then the
// ANSI code page); none when the confinement refuses every reading.
std::vector<MappedPath> Readings(std::string_view decoded, std::string_view site_root,
                                 const CodePage& ansi) {
  std::vector<MappedPath> readings;
  for (const NameEncoding encoding : EncodingsFor(decoded)) {
    if (std::optional<MappedPath> mapped = MapDecodedPath(site_root, ansi, decoded, encoding)) {
      readings.push_back(std::move(*mapped));
    }
  }
  return readings;
}

// A folder's index.htm.
MappedPath IndexOf(const MappedPath& folder) {
  MappedPath index = folder;
  // The site folder's own trailing separator and the index's collapse.
  if (index.relative.empty() && !index.root.empty() && index.root.back() == '\\') {
    index.root.pop_back();
  }
  index.relative += "\\index.htm";
  return index;
}

// A path that names a file (or, without its final "/", a folder).
Target ResolveFile(std::string_view decoded, std::string_view site_root, const CodePage& ansi,
                   bool list_folders, SiteLookup& files, Kind found_kind) {
  std::vector<MappedPath> readings = Readings(decoded, site_root, ansi);
  for (MappedPath& mapped : readings) {
    // Opened first: a file that opens is the common case, and costs no
    // separate look.
    if (std::unique_ptr<BodySource> file = files.Open(mapped)) {
      return Opened(found_kind, std::move(mapped), std::move(file));
    }
    const SiteLookup::Kind kind = files.KindOf(mapped);
    if (kind == SiteLookup::Kind::kNothing) continue;
    if (list_folders && kind == SiteLookup::Kind::kFolder) {
      return RedirectTo(SpellingOf(Utf8Segments(mapped, ansi, files)));
    }
    Target target = Of(Kind::kUnreadable);
    target.path = std::move(mapped);
    return target;
  }
  return Of(readings.empty() ? Kind::kRefused : Kind::kMissing);
}

// A path that names a folder by its final "/", with the listing on.
Target ResolveFolder(const ParsedRequest& request, std::string_view site_root, const CodePage& ansi,
                     SiteLookup& files) {
  std::string decoded = request.path;
  while (!decoded.empty() && decoded.back() == '/') decoded.pop_back();
  std::vector<MappedPath> readings = Readings(decoded, site_root, ansi);
  for (MappedPath& folder : readings) {
    if (files.KindOf(folder) != SiteLookup::Kind::kFolder) continue;
    const std::vector<std::string> segments = Utf8Segments(folder, ansi, files);
    if (!SpelledAsOwn(request, segments)) return RedirectTo(SpellingOf(segments));
    MappedPath index = IndexOf(folder);
    if (std::unique_ptr<BodySource> file = files.Open(index)) {
      return Opened(Kind::kFolderIndex, std::move(index), std::move(file));
    }
    Target target = Of(Kind::kListing);
    target.spelling = SpellingOf(segments);
    target.heading = "/";
    for (const std::string& segment : segments) target.heading += ShownAsUtf8(segment) + "/";
    target.path = std::move(folder);
    return target;
  }
  return Of(readings.empty() ? Kind::kRefused : Kind::kMissing);
}

// The upload address and the resumable uploads' addresses under it; nullopt
// for any other request.
std::optional<Target> ResolveUpload(const ParsedRequest& request) {
  const std::string_view path = request.target.path;
  if (path == kUploadPath) {
    if (request.is_post) {
      return Of(HeaderValue(request, "Tus-Resumable") ? Kind::kResumableCreate : Kind::kUploadForm);
    }
    if (request.is_get) return Of(Kind::kUploadPage);
    if (request.method == "OPTIONS") return Of(Kind::kResumableOptions);
    return std::nullopt;
  }
  if (path.size() <= kUploadPath.size() || path.substr(0, kUploadPath.size()) != kUploadPath ||
      path[kUploadPath.size()] != '/') {
    return std::nullopt;
  }
  Target target;
  if (request.method == "HEAD") {
    target = Of(Kind::kResumableOffset);
  } else if (request.method == "PATCH") {
    target = Of(Kind::kResumableAppend);
  } else if (request.method == "DELETE") {
    target = Of(Kind::kResumableEnd);
  } else {
    return std::nullopt;
  }
  target.upload_id = std::string(path.substr(kUploadPath.size() + 1));
  return target;
}

// The rest of a path under a feature's address `prefix` ("/:thumb/a.jpg" is
// "/a.jpg" under "/:thumb"), as the request decoded it; nullopt for a path
// not under it. The prefix is matched as the client sent it, unescaped.
std::optional<std::string_view> PathUnder(const ParsedRequest& request, std::string_view prefix) {
  const std::string_view raw = request.target.path;
  if (raw.size() <= prefix.size() || raw.substr(0, prefix.size()) != prefix ||
      raw[prefix.size()] != '/') {
    return std::nullopt;
  }
  return std::string_view(request.path).substr(prefix.size());
}

// A file's thumbnail: a folder or a file that does not open has none.
Target ResolveThumbnail(std::string_view picture, std::string_view site_root, const CodePage& ansi,
                        SiteLookup& files) {
  Target target = ResolveFile(picture, site_root, ansi, false, files, Kind::kThumbnail);
  if (target.kind == Kind::kUnreadable) return Of(Kind::kMissing);
  return target;
}

// The folder after kArchivePath ("/a/" of "/:zip/a/"), read as a listing's
// folder is; its spelling does not matter, since no page is built on it.
Target ResolveArchive(std::string_view decoded, std::string_view site_root, const CodePage& ansi,
                      SiteLookup& files) {
  if (decoded.empty() || decoded.back() != '/') return Of(Kind::kMissing);
  while (!decoded.empty() && decoded.back() == '/') decoded.remove_suffix(1);
  std::vector<MappedPath> readings = Readings(decoded, site_root, ansi);
  for (MappedPath& folder : readings) {
    if (files.KindOf(folder) != SiteLookup::Kind::kFolder) continue;
    Target target = Of(Kind::kArchive);
    // The heading names the download: "/" and each segment shown as UTF-8.
    target.heading = "/";
    for (const std::string& segment : Utf8Segments(folder, ansi, files)) {
      target.heading += ShownAsUtf8(segment) + "/";
    }
    target.path = std::move(folder);
    return target;
  }
  return Of(readings.empty() ? Kind::kRefused : Kind::kMissing);
}

}  // namespace

Target Resolve(const ParsedRequest& request, std::string_view site_root, const CodePage& ansi,
               const ServingOptions& options, SiteLookup& files) {
  const bool list_folders = options.list_folders;
  if (options.uploads && request.raw_path) {
    if (std::optional<Target> upload = ResolveUpload(request)) return std::move(*upload);
  }
  const std::optional<std::string_view> archive =
      list_folders ? PathUnder(request, kArchivePath) : std::nullopt;
  if (!request.is_get && !(archive && request.is_post)) return Of(Kind::kIgnored);
  if (!request.raw_path) return Of(Kind::kMissing);
  if (list_folders) {
    // "%00" cuts the decoded path short: the rest would be looked up under a
    // name the client never sent, and a folder's redirect would never settle.
    if (request.path_had_nul) return Of(Kind::kMissing);
    if (archive) return ResolveArchive(*archive, site_root, ansi, files);
    if (const std::optional<std::string_view> picture = PathUnder(request, kThumbnailPath)) {
      return ResolveThumbnail(*picture, site_root, ansi, files);
    }
    if (request.names_folder) return ResolveFolder(request, site_root, ansi, files);
  }
  // "/" alone names the one default document.
  if (*request.raw_path == "/") {
    return ResolveFile(kDefaultDocument, site_root, ansi, false, files, Kind::kFolderIndex);
  }
  return ResolveFile(request.path, site_root, ansi, list_folders, files, Kind::kFile);
}

bool Writes(Target::Kind kind) {
  return kind == Kind::kUploadForm || kind == Kind::kResumableCreate ||
         kind == Kind::kResumableAppend || kind == Kind::kResumableEnd;
}

Target ResolveRoot(std::string_view site_root, const CodePage& ansi, const ServingOptions& options,
                   SiteLookup& files) {
  return Resolve(ParseRequest("GET / HTTP/1.1\r\n\r\n", ansi), site_root, ansi, options, files);
}

}  // namespace orvane
