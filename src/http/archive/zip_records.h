// The records of a ZIP archive whose entries are stored as they are, each
// file's CRC-32 in a data descriptor after its bytes (so the archive can be
// sent before the CRCs are known), with ZIP64 records where a size, an
// offset or the count of entries passes what the classic fields hold.
// Pure: values in, bytes out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/local_time.h"

namespace orvane {

// An MS-DOS date and time: local time, two-second steps, 1980 to 2107.
struct DosDateTime {
  std::uint16_t time = 0;
  std::uint16_t date = (1 << 5) | 1;  // 1980-01-01
};

// `local` (to the minute) with `second` (0-59); a moment before 1980 becomes
// 1980-01-01 00:00:00, one after 2107 the last moment the fields hold.
[[nodiscard]] DosDateTime DosDateTimeOf(const LocalTime& local, int second);

// One entry of an archive.
struct ArchiveEntry {
  // UTF-8, "/" between folders; a folder's own entry ends in "/".
  std::string name;
  std::uint64_t size = 0;         // 0 for a folder
  std::int64_t unix_seconds = 0;  // last change, for the extended timestamp
  DosDateTime dos;                // the same moment in local time
  [[nodiscard]] bool is_folder() const { return !name.empty() && name.back() == '/'; }
};

// A name longer than this leaves no room for the extra fields in a header.
inline constexpr std::size_t kMaxEntryNameBytes = 65000;

// A size or offset from this value on needs the ZIP64 field (the classic
// field's all-ones value itself means "see ZIP64").
inline constexpr std::uint64_t kZip64From = 0xFFFFFFFF;
// A count of entries from this value on needs the ZIP64 end records.
inline constexpr std::uint64_t kZip64EntriesFrom = 0xFFFF;

// The local header: the name, the sizes (known ahead; a CRC of 0, with the
// real one in the data descriptor for a file), the UTF-8 flag, the Info-ZIP
// Unicode path field for a name that is not ASCII, the extended timestamp
// when the time fits its 32 bits, and the ZIP64 sizes for an entry of 4 GiB
// or more.
void AppendLocalHeader(std::string& out, const ArchiveEntry& entry);
[[nodiscard]] std::size_t LocalHeaderLength(const ArchiveEntry& entry);

// After a file's bytes: its CRC and sizes, 8-byte sizes exactly when its
// local header holds the ZIP64 field. A folder has none (length 0).
void AppendDataDescriptor(std::string& out, const ArchiveEntry& entry, std::uint32_t crc);
[[nodiscard]] std::size_t DataDescriptorLength(const ArchiveEntry& entry);

// The entry's central directory header, its local header at `local_offset`.
void AppendCentralHeader(std::string& out, const ArchiveEntry& entry, std::uint32_t crc,
                         std::uint64_t local_offset);
[[nodiscard]] std::size_t CentralHeaderLength(const ArchiveEntry& entry,
                                              std::uint64_t local_offset);

// What follows the central directory: the ZIP64 end record and its locator
// when the count, the directory's size or its offset needs them, then the
// end of central directory record.
void AppendEndRecords(std::string& out, std::uint64_t entries, std::uint64_t central_offset,
                      std::uint64_t central_size);
[[nodiscard]] std::size_t EndRecordsLength(std::uint64_t entries, std::uint64_t central_offset,
                                           std::uint64_t central_size);

// The record signatures, for readers of the bytes.
inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
inline constexpr std::uint32_t kDataDescriptorSignature = 0x08074b50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
inline constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
inline constexpr std::uint32_t kEndSignature = 0x06054b50;

}  // namespace orvane
