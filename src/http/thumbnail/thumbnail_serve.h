// The thumbnails' part of the service: a thumbnail's request answered
// through the server's one maker, and which files of a folder's page are
// tiles.
#pragma once

#include <cstdint>

#include "http/core/reply.h"
#include "http/core/request.h"
#include "http/core/resolve.h"
#include "http/listing/listing_read.h"
#include "http/thumbnail/thumbnail_maker.h"
#include "platform/image_codec.h"

namespace orvane::thumbnail {

// The answer for a kThumbnail target (its file open): 304 when `request`
// brings the tag of the file as it is now (nothing is made), else the
// maker's thumbnail (200), the 404 text when the file gives none, or 503
// when no place to make it came free before `deadline_ms` (monotonic).
[[nodiscard]] Reply AnswerThumbnail(const ParsedRequest& request, const Target& target,
                                    ThumbnailMaker& maker, std::int64_t deadline_ms);

// A folder page's tiles: each file (not empty) whose name the system's decoders take,
// a picture with its thumbnail's size, a video with its kept thumbnail's
// size; a square of the longest side while the size is not known (a
// header that gives none, a video not yet made, a file a cloud provider
// still holds, which is not read for the page).
class ThumbnailTiles final : public TileSource {
 public:
  explicit ThumbnailTiles(ThumbnailMaker& maker) : maker_(maker) {}
  void TileOf(const platform::FileName& folder, ListingEntry& entry) override;

 private:
  ThumbnailMaker& maker_;
  const platform::ImageDecoders decoders_ = platform::SystemImageDecoders();
};

}  // namespace orvane::thumbnail
