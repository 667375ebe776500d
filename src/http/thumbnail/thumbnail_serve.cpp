#include "http/thumbnail/thumbnail_serve.h"

#include <string>
#include <utility>

#include "http/site_files.h"
#include "http/thumbnail/fit.h"
#include "http/thumbnail/thumbnail_names.h"
#include "http/thumbnail/thumbnail_reply.h"

namespace orvane::thumbnail {

Reply AnswerThumbnail(const ParsedRequest& request, const Target& target, ThumbnailMaker& maker,
                      std::int64_t deadline_ms) {
  const std::optional<std::uint64_t> size = target.file->Length();
  const std::optional<std::int64_t> changed = target.file->changed_unix_seconds();
  if (!size || !changed) return CannedReply(CannedAnswer::kNotFound);
  const FileStamp stamp{*size, *changed};
  const std::optional<std::string_view> tags = HeaderValue(request, "If-None-Match");
  if (tags && TagMatches(*tags, ThumbnailEtag(stamp))) return NotModifiedReply(stamp);
  ThumbnailResult result = maker.ThumbnailOf(FileNameOf(target.path), stamp, deadline_ms);
  switch (result.outcome) {
    case Outcome::kMade:
      return ThumbnailReply(request, std::move(result.thumbnail), stamp);
    case Outcome::kBusy:
      return BusyReply();
    case Outcome::kNone:
      break;
  }
  return CannedReply(CannedAnswer::kNotFound);
}

void ThumbnailTiles::TileOf(const platform::FileName& folder, ListingEntry& entry) {
  // An empty file is no picture, whatever its name: a row, and nothing read.
  if (entry.size == 0) return;
  const ThumbnailSource source = ThumbnailSourceFor(entry.name, decoders_);
  if (source == ThumbnailSource::kNone) return;
  // The file's name as a request for it maps it: the site folder's own
  // final separator and the path's first one are one.
  std::string_view root = folder.root;
  if (folder.relative.empty() && !root.empty() && (root.back() == '\\' || root.back() == '/')) {
    root.remove_suffix(1);
  }
  const std::string relative = std::string(folder.relative) + '\\' + entry.name;
  // A file a cloud provider still holds stays there while the page is made:
  // its thumbnail's size is the square's until the phone asks for it.
  const std::optional<PixelSize> size =
      entry.in_cloud ? std::nullopt
                     : maker_.SizeOf(platform::FileName{root, relative, true},
                                     FileStamp{entry.size, entry.changed_unix_seconds});
  entry.tile = source == ThumbnailSource::kVideo ? Tile::kVideo : Tile::kPicture;
  entry.tile_width = size ? size->width : kLongestSide;
  entry.tile_height = size ? size->height : kLongestSide;
}

}  // namespace orvane::thumbnail
