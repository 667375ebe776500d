// Thumbnails of the site's pictures, made on this computer by the system's
// own codecs: at most as many made at once as it has processors, the made
// ones kept (ThumbnailStore) until their file changes or newer ones push them
// out.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/pixels.h"
#include "http/gate.h"
#include "http/thumbnail/thumbnail_store.h"
#include "platform/file.h"
#include "platform/lock.h"
#include "platform/thread_annotations.h"

namespace orvane::thumbnail {

// The JPEG quality thumbnails are written at.
inline constexpr int kJpegQuality = 80;

enum class Outcome {
  kMade,  // `thumbnail` holds it (made now or earlier)
  kNone,  // not a picture this system decodes, or a damaged one (404)
  kBusy,  // every place was taken until the deadline
};

struct ThumbnailResult {
  Outcome outcome = Outcome::kNone;
  std::shared_ptr<const Thumbnail> thumbnail;  // set for kMade only
};

// Makes the thumbnail of the file `name` with no store and no gate: the
// picture decoded as small as its codec allows and no smaller than the
// thumbnail, scaled down to it, turned upright as its EXIF orientation says
// and written as JPEG. Null when it gives none; nullopt when the file could
// not be read at all (it may be readable later).
[[nodiscard]] std::optional<std::shared_ptr<const Thumbnail>> MakeThumbnail(
    const platform::FileName& name);

class ThumbnailMaker {
 public:
  // `at_once`: how many thumbnails are made at the same time (0: as many as
  // the machine has processors).
  explicit ThumbnailMaker(int at_once = 0);
  ThumbnailMaker(const ThumbnailMaker&) = delete;
  ThumbnailMaker& operator=(const ThumbnailMaker&) = delete;

  // The thumbnail of the file `name`, whose size and time are `stamp` now:
  // the kept one when it was made from the same stamp, else made now, once a
  // place is free (kBusy when none is before the monotonic clock reaches
  // `deadline_ms`).
  [[nodiscard]] ThumbnailResult ThumbnailOf(const platform::FileName& name, FileStamp stamp,
                                            std::int64_t deadline_ms) EXCLUDES(lock_);

  // The size `name`'s thumbnail has, without making it: the kept one's, else
  // worked out from the picture's header (its first bytes, or its codec's
  // reading of the header). nullopt for a file that gets none, a header that
  // gives no size, and a video. A file its codec cannot read is kept as one
  // that gives no thumbnail.
  [[nodiscard]] std::optional<PixelSize> SizeOf(const platform::FileName& name, FileStamp stamp)
      EXCLUDES(lock_);

  // How many thumbnails are kept, and their bytes, for tests and the bench.
  [[nodiscard]] std::size_t kept_count() EXCLUDES(lock_);

 private:
  platform::Lock lock_;
  ThumbnailStore store_ GUARDED_BY(lock_);
  Gate gate_;
};

}  // namespace orvane::thumbnail
