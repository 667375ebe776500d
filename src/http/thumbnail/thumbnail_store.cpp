#include "http/thumbnail/thumbnail_store.h"

#include <cstdio>
#include <utility>

#include "http/thumbnail/fit.h"

namespace orvane::thumbnail {

namespace {

// What an entry costs beyond its path and its JPEG: the list node, the
// index's node and the thumbnail's own record, roughly.
constexpr std::size_t kEntryOverhead = 160;

}  // namespace

std::string ThumbnailEtag(FileStamp stamp) {
  char tag[64];
  std::snprintf(tag, sizeof tag, "\"%llx-%llx-t%d\"", static_cast<unsigned long long>(stamp.size),
                static_cast<unsigned long long>(stamp.changed_unix_seconds), kLongestSide);
  return tag;
}

std::optional<std::shared_ptr<const Thumbnail>> ThumbnailStore::Find(const std::string& path,
                                                                     FileStamp stamp) {
  const auto found = index_.find(path);
  if (found == index_.end() || !(found->second->stamp == stamp)) return std::nullopt;
  order_.splice(order_.begin(), order_, found->second);
  return found->second->thumbnail;
}

void ThumbnailStore::Put(const std::string& path, FileStamp stamp,
                         std::shared_ptr<const Thumbnail> thumbnail) {
  const auto old = index_.find(path);
  if (old != index_.end()) Drop(old->second);
  const std::size_t cost =
      kEntryOverhead + 2 * path.size() + (thumbnail ? thumbnail->jpeg.size() : 0);
  if (cost > capacity_) return;
  while (bytes_ + cost > capacity_ && !order_.empty()) Drop(std::prev(order_.end()));
  order_.push_front(Entry{path, stamp, std::move(thumbnail), cost});
  index_.emplace(path, order_.begin());
  bytes_ += cost;
}

void ThumbnailStore::Drop(Order::iterator entry) {
  bytes_ -= entry->cost;
  index_.erase(entry->path);
  order_.erase(entry);
}

}  // namespace orvane::thumbnail
