// How a thumbnail's request is answered: the browser's own copy still good
// (304), the thumbnail (200), or no place to make it in time (503), each
// with the lines that let a browser keep it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "http/core/reply.h"
#include "http/core/request.h"
#include "http/thumbnail/thumbnail_store.h"

namespace orvane::thumbnail {

// A browser keeps a thumbnail for a day before it asks again; its tag then
// tells whether the file changed.
inline constexpr std::string_view kThumbnailCacheLine = "Cache-Control: private, max-age=86400";

// True when `if_none_match` (an If-None-Match value: "*", or tags separated
// by commas, a weak one "W/" too) names `etag`, as a GET compares them.
[[nodiscard]] bool TagMatches(std::string_view if_none_match, std::string_view etag);

// 304 Not Modified with the tag: the browser's copy is the file's thumbnail.
[[nodiscard]] Reply NotModifiedReply(FileStamp stamp);

// The thumbnail, as a JPEG, with its tag (a range of it when asked for).
[[nodiscard]] Reply ThumbnailReply(const ParsedRequest& request,
                                   std::shared_ptr<const Thumbnail> thumbnail, FileStamp stamp);

// 503 with a short page: every place to make one stayed taken until the
// request's deadline.
[[nodiscard]] Reply BusyReply();

}  // namespace orvane::thumbnail
