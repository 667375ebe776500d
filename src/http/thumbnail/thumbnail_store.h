// Made thumbnails kept by file: the key that tells a changed file from the
// one a thumbnail was made of, the bound on their memory, and the tag a
// browser revalidates them with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "base/pixels.h"

namespace orvane::thumbnail {

// The most memory kept thumbnails take, keys and bookkeeping counted.
inline constexpr std::size_t kStoreBytes = 32 * 1024 * 1024;

// A made thumbnail: the JPEG file and its size in pixels. With no JPEG, only
// the size is known yet (read from the picture's header for a folder's page).
struct Thumbnail {
  std::string jpeg;
  PixelSize size;
};

// What a file was when its thumbnail was made: a thumbnail is good for the
// file of the same path as long as its size and its time are the same.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t changed_unix_seconds = 0;
  friend bool operator==(FileStamp a, FileStamp b) {
    return a.size == b.size && a.changed_unix_seconds == b.changed_unix_seconds;
  }
};

// The ETag of a file's thumbnail (quoted): a changed size or time changes
// it, and so does a change of the thumbnail's longest side.
[[nodiscard]] std::string ThumbnailEtag(FileStamp stamp);

// Thumbnails by path, the least recently used dropped first once they take
// more than the capacity. One entry per path: a file's new thumbnail takes
// the place of the old. An entry may hold no thumbnail: the file gave none,
// and will give none until it changes. Not thread-safe.
class ThumbnailStore {
 public:
  explicit ThumbnailStore(std::size_t capacity_bytes = kStoreBytes) : capacity_(capacity_bytes) {}

  // The entry of `path` made from `stamp`, now the most recently used;
  // nullopt when there is none (or only one of another stamp). A found
  // entry's thumbnail is null when the file gave none.
  [[nodiscard]] std::optional<std::shared_ptr<const Thumbnail>> Find(const std::string& path,
                                                                     FileStamp stamp);
  // Keeps `thumbnail` (null: none) as `path`'s, made from `stamp`, dropping
  // the least recently used entries while the store is over capacity. One
  // that alone takes more than the capacity is not kept.
  void Put(const std::string& path, FileStamp stamp, std::shared_ptr<const Thumbnail> thumbnail);

  [[nodiscard]] std::size_t bytes() const { return bytes_; }
  [[nodiscard]] std::size_t count() const { return index_.size(); }

 private:
  struct Entry {
    std::string path;
    FileStamp stamp;
    std::shared_ptr<const Thumbnail> thumbnail;
    std::size_t cost = 0;
  };
  using Order = std::list<Entry>;  // most recently used first

  void Drop(Order::iterator entry);

  std::size_t capacity_;
  std::size_t bytes_ = 0;
  Order order_;
  std::unordered_map<std::string, Order::iterator> index_;
};

}  // namespace orvane::thumbnail
