// Turning the path of a GET request into a file under the site folder.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "http/core/content_type.h"
#include "http/core/text_rules.h"

namespace orvane {

// What "/" alone stands for.
inline constexpr std::string_view kDefaultDocument = "/index.htm";

// How the bytes of a request path name a file: in the system's ANSI code page,
// or as UTF-8 (what today's browsers send, percent-escaped).
enum class NameEncoding { kAnsi, kUtf8 };

// A mapped request. `root` is the site folder in UTF-8 (so a folder of any
// name can be served) and `relative` the request path in `encoding`; both
// use "\" as the separator.
// `relative` is empty (the site folder itself) or begins with "\".
struct MappedPath {
  std::string root;
  std::string relative;
  NameEncoding encoding = NameEncoding::kAnsi;

  [[nodiscard]] std::string FullPath() const { return root + relative; }
};

// Joins the site folder (UTF-8) and a decoded request path (`encoding`, with
// `ansi` the system's ANSI code page), turns "/" into "\",
// collapses repeated separators and resolves "." and ".." segments, keeping
// the result inside the site folder. Refuses (nullopt): a path that climbs
// above the folder, does not begin with a separator, ends with one, holds
// ":", "*", "?" or a control byte, or has a segment that names a Windows
// device (CON, NUL, COM1, ...) or is made only of dots and spaces.
std::optional<MappedPath> MapDecodedPath(std::string_view site_root, const CodePage& ansi,
                                         std::string_view decoded, NameEncoding encoding);

// The Content-Type of a mapped file: from the request path's extension, or,
// when the request path has no dot at all, from the whole path (so the dot of
// a folder name counts).
std::string_view ContentTypeOf(const MappedPath& mapped,
                               ContentTypes types = ContentTypes::kOriginal);

// True when a path segment names a Windows device in any case, with or
// without an extension ("nul", "Com1.txt", "CONOUT$", "LPT" + superscript 1).
bool IsReservedDeviceName(std::string_view segment);

// True when a request path could never name an entry of this name: empty,
// "." or "..", made only of dots and spaces, a Windows device name, or holding
// a separator, ":", "*", "?" or a control byte. The segments that
// MapDecodedPath refuses, and the ones it would split or resolve away.
bool IsRefusedName(std::string_view name);

// The literal existence test of the file system, given a mapped path.
using PathExistsFn = std::function<bool(const MappedPath&)>;

// `MapRequestPath`: the request's raw path (RawRequestPath) mapped and looked
// up ("/" as the default document). A path whose
// decoded bytes are non-ASCII UTF-8 is looked up under that Unicode name
// first and under the same bytes as an ANSI name after; nullopt (404) when
// the request line was malformed (no path), the path is refused or nothing
// exists.
std::optional<MappedPath> MapRequestPath(std::optional<std::string_view> raw_path,
                                         std::string_view site_root, const CodePage& ansi,
                                         const PathExistsFn& exists);

// Whether a request names a folder by its path ending in "/" (decoded, so
// "%2F" counts too); "/" alone is the site folder.
bool NamesFolder(std::optional<std::string_view> raw_path);

// A folder a request named with a final "/", and the index.htm inside it.
struct MappedFolder {
  MappedPath folder;
  MappedPath index;
};

// `MapRequestFolder`: the folder a request path ending in "/" names (its
// final "/" left off), mapped under the same confinement as a file and
// looked up as MapRequestPath looks up a file (Unicode name first); nullopt
// when the path is refused or names nothing.
std::optional<MappedFolder> MapRequestFolder(std::optional<std::string_view> raw_path,
                                             std::string_view site_root, const CodePage& ansi,
                                             const PathExistsFn& exists);

}  // namespace orvane
