// What the browser saves an archive as: the folder's own name with ".zip".
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// `folder_path` is the folder's decoded request path in UTF-8 ("/" or
// "/旅行/"); `site_root` the site folder (UTF-8, either separator). The last
// segment of the path, or for "/" the site folder's own name, with ".zip";
// "archive.zip" when that name is empty or a drive ("D:").
[[nodiscard]] std::string ArchiveFileName(std::string_view folder_path, std::string_view site_root);

// The Content-Disposition value that saves the download as `file_name`
// (UTF-8): "attachment", a plain ASCII "filename" for clients that know no
// other (each non-ASCII character and each '"', '\' or '%' as "_";
// "archive.zip" when no letter or digit is left of the name) and the exact
// name as "filename*" (RFC 8187: UTF-8, percent-encoded).
[[nodiscard]] std::string ContentDispositionFor(std::string_view file_name);

}  // namespace orvane
