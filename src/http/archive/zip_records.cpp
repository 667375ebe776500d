#include "http/archive/zip_records.h"

#include <algorithm>
#include <limits>

#include "http/archive/crc32.h"

namespace orvane {

namespace {

constexpr std::uint16_t kUtf8Flag = 1 << 11;
constexpr std::uint16_t kDescriptorFlag = 1 << 3;
// Version 2.0 reads stored entries and folders; 4.5 is needed for ZIP64.
constexpr std::uint16_t kVersionNeeded = 20;
constexpr std::uint16_t kVersionNeededZip64 = 45;
// Made on "UNIX" (3), so the external attributes carry permission bits that
// extracting tools there apply; version 6.3 writes UTF-8 names.
constexpr std::uint16_t kVersionMadeBy = (3 << 8) | 63;
// rw-r--r-- for a file; rwxr-xr-x and MS-DOS's directory bit for a folder.
constexpr std::uint32_t kFileAttributes = 0100644u << 16;
constexpr std::uint32_t kFolderAttributes = (040755u << 16) | 0x10;

constexpr std::uint16_t kZip64Tag = 0x0001;
constexpr std::uint16_t kTimestampTag = 0x5455;
constexpr std::uint16_t kUnicodePathTag = 0x7075;
constexpr std::size_t kUnicodePathFixed = 4 + 1 + 4;  // tag, size; version, name CRC
constexpr std::size_t kTimestampLength = 4 + 1 + 4;   // tag, size; flags, mtime

void Put16(std::string& out, std::uint32_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}
void Put64(std::string& out, std::uint64_t value) {
  Put32(out, static_cast<std::uint32_t>(value));
  Put32(out, static_cast<std::uint32_t>(value >> 32));
}
// The value itself, or all ones where the ZIP64 field holds it.
std::uint32_t Classic(std::uint64_t value) {
  return value >= kZip64From ? 0xFFFFFFFF : static_cast<std::uint32_t>(value);
}

bool IsAscii(std::string_view name) {
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
bool TimeFits(std::int64_t seconds) {
  return seconds >= std::numeric_limits<std::int32_t>::min() &&
         seconds <= std::numeric_limits<std::int32_t>::max();
}
bool BigSize(const ArchiveEntry& entry) { return entry.size >= kZip64From; }

// The extra fields both headers share (the Unicode path, the time), then the
// ZIP64 field of `zip64_values` 8-byte values.
std::size_t ExtraLength(const ArchiveEntry& entry, std::size_t zip64_values) {
  std::size_t length = 0;
  if (!IsAscii(entry.name)) length += kUnicodePathFixed + entry.name.size();
  if (TimeFits(entry.unix_seconds)) length += kTimestampLength;
  if (zip64_values > 0) length += 4 + 8 * zip64_values;
  return length;
}

void AppendSharedExtra(std::string& out, const ArchiveEntry& entry) {
  if (!IsAscii(entry.name)) {
    Put16(out, kUnicodePathTag);
    Put16(out, static_cast<std::uint32_t>(5 + entry.name.size()));
    out.push_back(1);
    Put32(out, Crc32Of(entry.name));
    out += entry.name;
  }
  if (TimeFits(entry.unix_seconds)) {
    Put16(out, kTimestampTag);
    Put16(out, 5);
    out.push_back(1);  // the modification time alone
    Put32(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(entry.unix_seconds)));
  }
}

// The size, method, time and date fields both headers begin alike.
void AppendCommonFields(std::string& out, const ArchiveEntry& entry, std::uint16_t needed) {
  Put16(out, needed);
  Put16(out, kUtf8Flag | (entry.is_folder() ? 0 : kDescriptorFlag));
  Put16(out, 0);  // stored
  Put16(out, entry.dos.time);
  Put16(out, entry.dos.date);
}

// Central header ZIP64 values: both sizes of a big entry, then the offset.
std::size_t CentralZip64Values(const ArchiveEntry& entry, std::uint64_t local_offset) {
  return (BigSize(entry) ? 2 : 0) + (local_offset >= kZip64From ? 1 : 0);
}

bool NeedsZip64End(std::uint64_t entries, std::uint64_t central_offset,
                   std::uint64_t central_size) {
  return entries >= kZip64EntriesFrom || central_offset >= kZip64From || central_size >= kZip64From;
}

}  // namespace

DosDateTime DosDateTimeOf(const LocalTime& local, int second) {
  DosDateTime dos;
  if (local.year < 1980) return dos;
  if (local.year > 2107) {
    dos.date = static_cast<std::uint16_t>((127 << 9) | (12 << 5) | 31);
    dos.time = static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29);
    return dos;
  }
  dos.date =
      static_cast<std::uint16_t>(((local.year - 1980) << 9) | (local.month << 5) | local.day);
  dos.time = static_cast<std::uint16_t>((local.hour << 11) | (local.minute << 5) | (second / 2));
  return dos;
}

std::size_t LocalHeaderLength(const ArchiveEntry& entry) {
  return 30 + entry.name.size() + ExtraLength(entry, BigSize(entry) ? 2 : 0);
}

void AppendLocalHeader(std::string& out, const ArchiveEntry& entry) {
  const bool big = BigSize(entry);
  Put32(out, kLocalHeaderSignature);
  AppendCommonFields(out, entry, big ? kVersionNeededZip64 : kVersionNeeded);
  Put32(out, 0);  // the CRC: in the data descriptor
  Put32(out, Classic(entry.size));
  Put32(out, Classic(entry.size));
  Put16(out, static_cast<std::uint32_t>(entry.name.size()));
  Put16(out, static_cast<std::uint32_t>(ExtraLength(entry, big ? 2 : 0)));
  out += entry.name;
  AppendSharedExtra(out, entry);
  if (big) {
    Put16(out, kZip64Tag);
    Put16(out, 16);
    Put64(out, entry.size);
    Put64(out, entry.size);
  }
}

std::size_t DataDescriptorLength(const ArchiveEntry& entry) {
  if (entry.is_folder()) return 0;
  return BigSize(entry) ? 24 : 16;
}

void AppendDataDescriptor(std::string& out, const ArchiveEntry& entry, std::uint32_t crc) {
  if (entry.is_folder()) return;
  Put32(out, kDataDescriptorSignature);
  Put32(out, crc);
  if (BigSize(entry)) {
    Put64(out, entry.size);
    Put64(out, entry.size);
  } else {
    Put32(out, static_cast<std::uint32_t>(entry.size));
    Put32(out, static_cast<std::uint32_t>(entry.size));
  }
}

std::size_t CentralHeaderLength(const ArchiveEntry& entry, std::uint64_t local_offset) {
  return 46 + entry.name.size() + ExtraLength(entry, CentralZip64Values(entry, local_offset));
}

void AppendCentralHeader(std::string& out, const ArchiveEntry& entry, std::uint32_t crc,
                         std::uint64_t local_offset) {
  const std::size_t zip64_values = CentralZip64Values(entry, local_offset);
  Put32(out, kCentralHeaderSignature);
  Put16(out, kVersionMadeBy);
  AppendCommonFields(out, entry, zip64_values > 0 ? kVersionNeededZip64 : kVersionNeeded);
  Put32(out, crc);
  Put32(out, Classic(entry.size));
  Put32(out, Classic(entry.size));
  Put16(out, static_cast<std::uint32_t>(entry.name.size()));
  Put16(out, static_cast<std::uint32_t>(ExtraLength(entry, zip64_values)));
  Put16(out, 0);  // no comment
  Put16(out, 0);  // the first disk
  Put16(out, 0);  // internal attributes
  Put32(out, entry.is_folder() ? kFolderAttributes : kFileAttributes);
  Put32(out, Classic(local_offset));
  out += entry.name;
  AppendSharedExtra(out, entry);
  if (zip64_values > 0) {
    Put16(out, kZip64Tag);
    Put16(out, static_cast<std::uint32_t>(8 * zip64_values));
    if (BigSize(entry)) {
      Put64(out, entry.size);
      Put64(out, entry.size);
    }
    if (local_offset >= kZip64From) Put64(out, local_offset);
  }
}

std::size_t EndRecordsLength(std::uint64_t entries, std::uint64_t central_offset,
                             std::uint64_t central_size) {
  return (NeedsZip64End(entries, central_offset, central_size) ? 56 + 20 : 0) + 22;
}

void AppendEndRecords(std::string& out, std::uint64_t entries, std::uint64_t central_offset,
                      std::uint64_t central_size) {
  if (NeedsZip64End(entries, central_offset, central_size)) {
    const std::uint64_t zip64_end_offset = central_offset + central_size;
    Put32(out, kZip64EndSignature);
    Put64(out, 44);  // the size of the rest of this record
    Put16(out, kVersionMadeBy);
    Put16(out, kVersionNeededZip64);
    Put32(out, 0);  // this disk
    Put32(out, 0);  // the disk where the central directory starts
    Put64(out, entries);
    Put64(out, entries);
    Put64(out, central_size);
    Put64(out, central_offset);
    Put32(out, kZip64LocatorSignature);
    Put32(out, 0);  // the disk of the ZIP64 end record
    Put64(out, zip64_end_offset);
    Put32(out, 1);  // disks in all
  }
  const std::uint32_t count =
      entries >= kZip64EntriesFrom ? 0xFFFF : static_cast<std::uint32_t>(entries);
  Put32(out, kEndSignature);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, count);
  Put16(out, count);
  Put32(out, Classic(central_size));
  Put32(out, Classic(central_offset));
  Put16(out, 0);  // no comment
}

}  // namespace orvane
