// The CRC-32s of files already sent in an archive, kept so that a resumed
// download (a range that starts past some entries) need not read those
// entries again to put their CRCs in the central directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "platform/lock.h"
#include "platform/thread_annotations.h"

namespace orvane {

// One generation holds this many files: the largest archive fits in one.
inline constexpr std::size_t kCrcCacheGeneration = 100000;

// Keyed by the file's full path, size and time of last change: a file
// changed since keeps neither and is read again. Bounded: when the newer of
// two generations is full it becomes the older and the older is dropped, so
// what was asked for lately stays (a little over 40 bytes a file).
class CrcCache {
 public:
  explicit CrcCache(std::size_t generation = kCrcCacheGeneration) : generation_(generation) {}
  CrcCache(const CrcCache&) = delete;
  CrcCache& operator=(const CrcCache&) = delete;

  [[nodiscard]] std::optional<std::uint32_t> Find(std::string_view path, std::uint64_t size,
                                                  std::int64_t changed);
  void Put(std::string_view path, std::uint64_t size, std::int64_t changed, std::uint32_t crc);

 private:
  // Two independent 64-bit digests of path, size and time: a wrong CRC
  // would need both to collide.
  struct Key {
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    friend bool operator==(const Key& x, const Key& y) { return x.a == y.a && x.b == y.b; }
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const { return static_cast<std::size_t>(key.a); }
  };
  using Map = std::unordered_map<Key, std::uint32_t, KeyHash>;
  static Key KeyOf(std::string_view path, std::uint64_t size, std::int64_t changed);

  const std::size_t generation_;
  platform::Lock lock_;
  Map newer_ GUARDED_BY(lock_);  // Find and Put on any worker, under lock_
  Map older_ GUARDED_BY(lock_);
};

}  // namespace orvane
