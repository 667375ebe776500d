// Reading a ZIP archive's records back, for the archive tests: little-endian
// fields, extra fields, and the whole structure from the end records in.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::testing {

inline std::uint64_t Le(std::string_view bytes, std::size_t at, int width) {
  std::uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
  return value;
}

// Tag -> data of each extra field.
inline std::map<std::uint16_t, std::string> ExtrasOf(std::string_view extra) {
  std::map<std::uint16_t, std::string> fields;
  for (std::size_t at = 0; at + 4 <= extra.size();) {
    const std::size_t size = Le(extra, at + 2, 2);
    fields[static_cast<std::uint16_t>(Le(extra, at, 2))] = std::string(extra.substr(at + 4, size));
    at += 4 + size;
  }
  return fields;
}

struct ReadEntry {
  std::string name;
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
};

// An archive's bytes by their offsets, where a file's data may be left out:
// Bytes(at, n) fails the test unless those bytes were kept.
class KeptBytes {
 public:
  // Bytes that continue the last piece kept join it.
  void Keep(std::uint64_t at, std::string_view bytes) {
    const bool joins =
        !pieces_.empty() && pieces_.rbegin()->first + pieces_.rbegin()->second.size() == at;
    (joins ? pieces_.rbegin()->second : pieces_[at]).append(bytes);
  }
  std::string Bytes(std::uint64_t at, std::size_t n) const {
    auto piece = pieces_.upper_bound(at);
    if (piece == pieces_.begin()) return {};
    --piece;
    const std::uint64_t within = at - piece->first;
    if (within + n > piece->second.size()) return {};
    return piece->second.substr(static_cast<std::size_t>(within), n);
  }

 private:
  std::map<std::uint64_t, std::string> pieces_;
};

// Reads an archive of `length` bytes as a reader does: the end records, the
// central directory, each entry's local header and data descriptor, every
// offset taken from the records themselves. Adds a failure for each record
// that is not where and what the others say.
inline std::vector<ReadEntry> ReadArchive(const KeptBytes& kept, std::uint64_t length) {
  std::vector<ReadEntry> entries;
  const std::string end = kept.Bytes(length - 22, 22);
  if (end.size() != 22 || Le(end, 0, 4) != 0x06054b50) {
    ADD_FAILURE() << "no end record";
    return entries;
  }
  std::uint64_t count = Le(end, 10, 2);
  std::uint64_t central_size = Le(end, 12, 4);
  std::uint64_t central_offset = Le(end, 16, 4);
  if (count == 0xFFFF || central_size == 0xFFFFFFFF || central_offset == 0xFFFFFFFF) {
    const std::string locator = kept.Bytes(length - 42, 20);
    const std::string zip64 = kept.Bytes(Le(locator, 8, 8), 56);
    EXPECT_EQ(0x07064b50u, Le(locator, 0, 4));
    EXPECT_EQ(0x06064b50u, Le(zip64, 0, 4));
    EXPECT_EQ(length - 22 - 20 - 56, Le(locator, 8, 8));
    count = Le(zip64, 32, 8);
    central_size = Le(zip64, 40, 8);
    central_offset = Le(zip64, 48, 8);
  }
  std::uint64_t at = central_offset;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::string fixed = kept.Bytes(at, 46);
    if (fixed.size() != 46 || Le(fixed, 0, 4) != 0x02014b50) {
      ADD_FAILURE() << "no central header " << i << " at " << at;
      return entries;
    }
    const std::size_t name_length = Le(fixed, 28, 2);
    const std::size_t extra_length = Le(fixed, 30, 2);
    const std::string variable = kept.Bytes(at + 46, name_length + extra_length);
    ReadEntry entry{variable.substr(0, name_length), Le(fixed, 24, 4),
                    static_cast<std::uint32_t>(Le(fixed, 16, 4))};
    std::uint64_t local = Le(fixed, 42, 4);
    const std::string zip64 = ExtrasOf(variable.substr(name_length))[1];
    std::size_t next = 0;
    if (entry.size == 0xFFFFFFFF) {
      entry.size = Le(zip64, 0, 8);
      next = 16;
    }
    if (local == 0xFFFFFFFF) local = Le(zip64, next, 8);
    at += 46 + name_length + extra_length;
    // The local header it points to, and the descriptor after the data.
    const std::string header = kept.Bytes(local, 30);
    EXPECT_EQ(0x04034b50u, Le(header, 0, 4)) << entry.name;
    const std::size_t local_extra = Le(header, 28, 2);
    EXPECT_EQ(entry.name, kept.Bytes(local + 30, name_length)) << entry.name;
    const bool wide = ExtrasOf(kept.Bytes(local + 30 + name_length, local_extra)).count(1) == 1;
    if (entry.name.back() != '/') {
      const std::uint64_t data = local + 30 + name_length + local_extra;
      const std::string descriptor = kept.Bytes(data + entry.size, wide ? 24 : 16);
      EXPECT_EQ(0x08074b50u, Le(descriptor, 0, 4)) << entry.name;
      EXPECT_EQ(entry.crc, Le(descriptor, 4, 4)) << entry.name;
      EXPECT_EQ(entry.size, Le(descriptor, 8, wide ? 8 : 4)) << entry.name;
    }
    entries.push_back(std::move(entry));
  }
  EXPECT_EQ(central_offset + central_size, at);
  return entries;
}

}  // namespace orvane::testing
