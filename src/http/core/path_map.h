// Turning the path of a GET request into a file under the site folder.
#pragma once

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
// device (CON, NUL, COM1, ...) or ends in a dot or a space ("..." and ". ."
// included), which Windows would shorten to another name.
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
// "." or "..", ending in a dot or a space, a Windows device name, or holding
// a separator, ":", "*", "?" or a control byte. The segments that
// MapDecodedPath refuses, and the ones it would split or resolve away.
bool IsRefusedName(std::string_view name);

}  // namespace orvane
