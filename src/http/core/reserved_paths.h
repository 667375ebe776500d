// The addresses the server answers itself, beside the site folder's files.
// ":" is refused in every request path, so none of them can ever name a file
// of the site folder.
#pragma once

#include <string_view>

namespace orvane {

// The upload page, and the address its form sends files to.
inline constexpr std::string_view kUploadPath = "/:upload";

// A picture's thumbnail: this, then the picture's own path ("/:thumb/a/b.jpg").
inline constexpr std::string_view kThumbnailPath = "/:thumb";

// A folder as one archive: this, then the folder's path with its final "/"
// ("/:zip/a/", "/:zip/" for the site folder).
inline constexpr std::string_view kArchivePath = "/:zip";

}  // namespace orvane
