#include "http/archive/crc_cache.h"

#include <utility>

namespace orvane {

CrcCache::Key CrcCache::KeyOf(std::string_view path, std::uint64_t size, std::int64_t changed) {
  // FNV-1a, 64 bits, from two different starting values; the separators
  // are unified, so one file has one key whichever folder was packed.
  Key key{0xcbf29ce484222325ull, 0x84222325cbf29ce4ull};
  const auto mix = [&key](std::uint64_t byte) {
    key.a = (key.a ^ (byte & 0xFF)) * 0x100000001b3ull;
    key.b = (key.b ^ (byte & 0xFF)) * 0x100000001b3ull;
    key.b ^= key.b >> 29;
  };
  for (char c : path) mix(c == '/' ? '\\' : static_cast<unsigned char>(c));
  for (int shift = 0; shift < 64; shift += 8) mix(size >> shift);
  for (int shift = 0; shift < 64; shift += 8) mix(static_cast<std::uint64_t>(changed) >> shift);
  return key;
}

std::optional<std::uint32_t> CrcCache::Find(std::string_view path, std::uint64_t size,
                                            std::int64_t changed) {
  const Key key = KeyOf(path, size, changed);
  platform::LockGuard guard(lock_);
  if (const auto found = newer_.find(key); found != newer_.end()) return found->second;
  if (const auto found = older_.find(key); found != older_.end()) return found->second;
  return std::nullopt;
}

void CrcCache::Put(std::string_view path, std::uint64_t size, std::int64_t changed,
                   std::uint32_t crc) {
  const Key key = KeyOf(path, size, changed);
  platform::LockGuard guard(lock_);
  if (newer_.size() >= generation_) {
    older_ = std::move(newer_);
    newer_ = Map();
  }
  newer_[key] = crc;
}

}  // namespace orvane
