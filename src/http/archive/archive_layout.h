// Where every record of an archive lies, worked out from the entries' names,
// sizes and times alone: the exact length is known before a byte is made,
// and any offset can be found in it (a range that starts anywhere).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "http/archive/zip_records.h"

namespace orvane {

class ArchiveLayout {
 public:
  // The entries in the order they are written.
  explicit ArchiveLayout(std::vector<ArchiveEntry> entries);

  [[nodiscard]] std::uint64_t length() const { return length_; }
  [[nodiscard]] std::size_t size() const { return entries_.size(); }
  [[nodiscard]] const ArchiveEntry& entry(std::size_t i) const { return entries_[i]; }
  [[nodiscard]] std::uint64_t local_offset(std::size_t i) const { return local_offsets_[i]; }
  [[nodiscard]] std::uint64_t data_offset(std::size_t i) const;
  [[nodiscard]] std::uint64_t central_offset() const { return central_offset_; }
  [[nodiscard]] std::uint64_t central_size() const { return end_offset_ - central_offset_; }
  [[nodiscard]] std::uint64_t end_offset() const { return end_offset_; }

  // The parts an archive is made of, in order: per entry its local header,
  // its data and its data descriptor; then per entry its central header;
  // then the end records.
  enum class Part { kLocalHeader, kData, kDescriptor, kCentralHeader, kEnd };
  struct Place {
    Part part = Part::kEnd;
    std::size_t entry = 0;     // for every part but kEnd
    std::uint64_t start = 0;   // the part's offset in the archive
    std::uint64_t length = 0;  // the part's length
  };
  // The part that holds byte `offset` (below length()).
  [[nodiscard]] Place Locate(std::uint64_t offset) const;

  // A 64-bit digest of what decides the bytes (names, sizes, times): equal
  // for the same archive, different (all but surely) for another, so it can
  // serve as the validator a resumed download checks.
  [[nodiscard]] std::uint64_t Fingerprint() const;

 private:
  std::vector<ArchiveEntry> entries_;
  std::vector<std::uint64_t> local_offsets_;
  std::vector<std::uint64_t> central_offsets_;  // absolute
  std::uint64_t central_offset_ = 0;
  std::uint64_t end_offset_ = 0;
  std::uint64_t length_ = 0;
};

}  // namespace orvane
