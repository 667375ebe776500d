#include "http/archive/archive_layout.h"

#include <algorithm>
#include <utility>

namespace orvane {

namespace {

// The index of the last of `starts` (ascending, first 0) at or before `offset`.
std::size_t LastAtOrBefore(const std::vector<std::uint64_t>& starts, std::uint64_t offset) {
  const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
  return static_cast<std::size_t>(after - starts.begin()) - 1;
}

}  // namespace

ArchiveLayout::ArchiveLayout(std::vector<ArchiveEntry> entries) : entries_(std::move(entries)) {
  local_offsets_.reserve(entries_.size());
  central_offsets_.reserve(entries_.size());
  std::uint64_t at = 0;
  for (const ArchiveEntry& entry : entries_) {
    local_offsets_.push_back(at);
    at += LocalHeaderLength(entry) + entry.size + DataDescriptorLength(entry);
  }
  central_offset_ = at;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    central_offsets_.push_back(at);
    at += CentralHeaderLength(entries_[i], local_offsets_[i]);
  }
  end_offset_ = at;
  length_ = at + EndRecordsLength(entries_.size(), central_offset_, central_size());
}

std::uint64_t ArchiveLayout::data_offset(std::size_t i) const {
  return local_offsets_[i] + LocalHeaderLength(entries_[i]);
}

ArchiveLayout::Place ArchiveLayout::Locate(std::uint64_t offset) const {
  if (offset >= end_offset_) return Place{Part::kEnd, 0, end_offset_, length_ - end_offset_};
  if (offset >= central_offset_) {
    const std::size_t i = LastAtOrBefore(central_offsets_, offset);
    return Place{Part::kCentralHeader, i, central_offsets_[i],
                 CentralHeaderLength(entries_[i], local_offsets_[i])};
  }
  const std::size_t i = LastAtOrBefore(local_offsets_, offset);
  const ArchiveEntry& entry = entries_[i];
  const std::uint64_t data = data_offset(i);
  if (offset < data)
    return Place{Part::kLocalHeader, i, local_offsets_[i], data - local_offsets_[i]};
  if (offset < data + entry.size) return Place{Part::kData, i, data, entry.size};
  return Place{Part::kDescriptor, i, data + entry.size, DataDescriptorLength(entry)};
}

std::uint64_t ArchiveLayout::Fingerprint() const {
  // FNV-1a over each entry's name, a separator, its size and its times.
  std::uint64_t hash = 0xcbf29ce484222325ull;
  const auto mix = [&hash](std::uint64_t byte) {
    hash ^= byte & 0xFF;
    hash *= 0x100000001b3ull;
  };
  for (const ArchiveEntry& entry : entries_) {
    for (char c : entry.name) mix(static_cast<unsigned char>(c));
    mix(0);
    for (int shift = 0; shift < 64; shift += 8) mix(entry.size >> shift);
    for (int shift = 0; shift < 64; shift += 8)
      mix(static_cast<std::uint64_t>(entry.unix_seconds) >> shift);
    for (const std::uint16_t half : {entry.dos.date, entry.dos.time}) {
      mix(half);
      mix(half >> 8);
    }
  }
  return hash;
}

}  // namespace orvane
