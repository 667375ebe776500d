#include "http/archive/zip_records.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "http/archive/crc32.h"
#include "unit/zip_reading.h"

namespace orvane {
namespace {

using testing::Le;
using testing::ExtrasOf;

constexpr std::uint64_t kGiB = 1ull << 30;
const std::string kTravelPhoto = "\xE6\x97\x85\xE8\xA1\x8C/\xE7\x85\xA7.jpg";  // 旅行/照.jpg

TEST(Crc32Test, MatchesTheKnownValuesAndTheTableMethodAtEveryLengthAndAlignment) {
  const std::pair<std::string, std::uint32_t> known[] = {
      {"", 0},
      {"a", 0xe8b7be43},
      {"123456789", 0xcbf43926},
      {"The quick brown fox jumps over the lazy dog", 0x414fa339},
      {std::string(1000, '\0'), 0x060b1780},
  };
  for (const auto& [text, crc] : known) EXPECT_EQ(crc, Crc32Of(text)) << text.size();
  std::mt19937 random(35);
  std::string bytes(3000, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  for (std::size_t length = 0; length < 700; length += 7) {
    for (std::size_t skew = 0; skew < 16; skew += 5) {
      const std::uint32_t start = random();
      ASSERT_EQ(Crc32UpdateByTables(start, bytes.data() + skew, length),
                Crc32Update(start, bytes.data() + skew, length))
          << length << " at " << skew;
    }
  }
  // In pieces as in one go.
  EXPECT_EQ(Crc32Of(bytes),
            Crc32Update(Crc32Of(bytes.substr(0, 1234)), bytes.data() + 1234, bytes.size() - 1234));
}

TEST(DosDateTimeTest, PacksLocalTimeInTwoSecondStepsAndClampsTheYears) {
  struct Case {
    LocalTime local;
    int second;
    std::uint16_t date;
    std::uint16_t time;
  };
  const Case cases[] = {
      {{2024, 5, 17, 13, 45},
       59,
       ((2024 - 1980) << 9) | (5 << 5) | 17,
       (13 << 11) | (45 << 5) | 29},
      {{1980, 1, 1, 0, 0}, 0, (1 << 5) | 1, 0},
      {{1979, 12, 31, 23, 59}, 58, (1 << 5) | 1, 0},
      {{2107, 12, 31, 23, 59}, 59, (127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29},
      {{2108, 1, 1, 0, 0}, 0, (127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.local.year);
    const DosDateTime dos = DosDateTimeOf(c.local, c.second);
    EXPECT_EQ(c.date, dos.date);
    EXPECT_EQ(c.time, dos.time);
  }
}

struct EntryCase {
  ArchiveEntry entry;
  bool zip64;    // sizes in the ZIP64 field
  bool unicode;  // the Info-ZIP Unicode path field
  bool time;     // the extended timestamp
};

const EntryCase kEntries[] = {
    {{"photo.jpg", 1234, 1700000000, {0x6d2e, 0x5771}}, false, false, true},
    {{kTravelPhoto, 0, 1700000000, {}}, false, true, true},
    {{"\xE7\x9B\xB8\xE5\x86\x8C/", 0, -86400, {}}, false, true, true},  // 相册/, before 1970
    {{"4gib-less-one.bin", 0xFFFFFFFE, 0, {}}, false, false, true},
    {{"4gib.bin", 0xFFFFFFFF, 0, {}}, true, false, true},
    {{kTravelPhoto, 5 * kGiB, 0, {}}, true, true, true},
    {{"far-future.txt", 7, 1ll << 33, {}}, false, false, false},
};

// The fields both headers share, at `at` (the local header's "version needed").
void ExpectCommonFields(const std::string& bytes, std::size_t at, const EntryCase& c,
                        bool zip64_field) {
  const ArchiveEntry& e = c.entry;
  EXPECT_EQ(zip64_field ? 45u : 20u, Le(bytes, at, 2));
  EXPECT_EQ(e.is_folder() ? 0x0800u : 0x0808u, Le(bytes, at + 2, 2));
  EXPECT_EQ(0u, Le(bytes, at + 4, 2));  // stored
  EXPECT_EQ(e.dos.time, Le(bytes, at + 6, 2));
  EXPECT_EQ(e.dos.date, Le(bytes, at + 8, 2));
  const std::uint64_t size_field = c.zip64 ? 0xFFFFFFFF : e.size;
  EXPECT_EQ(size_field, Le(bytes, at + 14, 4));
  EXPECT_EQ(size_field, Le(bytes, at + 18, 4));
}

// The extra fields: the Unicode path and the time as the case says; the
// ZIP64 field holding exactly `zip64`.
void ExpectExtras(const std::string& extra, const EntryCase& c, const std::string& zip64) {
  const std::map<std::uint16_t, std::string> fields = ExtrasOf(extra);
  ASSERT_EQ(c.unicode, fields.count(0x7075) == 1);
  if (c.unicode) {
    const std::string& field = fields.at(0x7075);
    EXPECT_EQ(1u, Le(field, 0, 1));
    EXPECT_EQ(Crc32Of(c.entry.name), Le(field, 1, 4));
    EXPECT_EQ(c.entry.name, field.substr(5));
  }
  ASSERT_EQ(c.time, fields.count(0x5455) == 1);
  if (c.time) {
    const std::string& field = fields.at(0x5455);
    EXPECT_EQ(5u, field.size());
    EXPECT_EQ(1u, Le(field, 0, 1));
    EXPECT_EQ(static_cast<std::uint32_t>(c.entry.unix_seconds), Le(field, 1, 4));
  }
  EXPECT_EQ(zip64, fields.count(1) == 1 ? fields.at(1) : "");
}

std::string Le64(std::uint64_t value) {
  std::string bytes;
  for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
  return bytes;
}

TEST(ZipRecordsTest, LocalHeaderAndDataDescriptorHoldTheFormatsFields) {
  for (const EntryCase& c : kEntries) {
    const ArchiveEntry& e = c.entry;
    SCOPED_TRACE(e.name + " " + std::to_string(e.size));
    std::string header;
    AppendLocalHeader(header, e);
    ASSERT_EQ(LocalHeaderLength(e), header.size());
    EXPECT_EQ(kLocalHeaderSignature, Le(header, 0, 4));
    ExpectCommonFields(header, 4, c, c.zip64);
    EXPECT_EQ(0u, Le(header, 14, 4));  // the CRC waits for the descriptor
    const std::size_t name_length = Le(header, 26, 2);
    EXPECT_EQ(e.name, header.substr(30, name_length));
    EXPECT_EQ(header.size(), 30 + name_length + Le(header, 28, 2));
    ExpectExtras(header.substr(30 + name_length), c, c.zip64 ? Le64(e.size) + Le64(e.size) : "");

    std::string descriptor;
    AppendDataDescriptor(descriptor, e, 0xCAFEF00D);
    ASSERT_EQ(DataDescriptorLength(e), descriptor.size());
    if (e.is_folder()) continue;
    const int width = c.zip64 ? 8 : 4;
    ASSERT_EQ(4u + 4 + 2 * width, descriptor.size());
    EXPECT_EQ(kDataDescriptorSignature, Le(descriptor, 0, 4));
    EXPECT_EQ(0xCAFEF00Du, Le(descriptor, 4, 4));
    EXPECT_EQ(e.size, Le(descriptor, 8, width));
    EXPECT_EQ(e.size, Le(descriptor, 8 + width, width));
  }
}

TEST(ZipRecordsTest, CentralHeaderPutsEachSizeAndOffsetThatPassesFourGiBInTheZip64Field) {
  const std::uint64_t offsets[] = {0, 0xFFFFFFFE, 0xFFFFFFFF, 6 * kGiB};
  for (const EntryCase& c : kEntries) {
    for (const std::uint64_t offset : offsets) {
      const ArchiveEntry& e = c.entry;
      SCOPED_TRACE(e.name + " " + std::to_string(e.size) + " at " + std::to_string(offset));
      std::string header;
      AppendCentralHeader(header, e, 0x12345678, offset);
      ASSERT_EQ(CentralHeaderLength(e, offset), header.size());
      const bool big_offset = offset >= 0xFFFFFFFF;
      EXPECT_EQ(kCentralHeaderSignature, Le(header, 0, 4));
      EXPECT_EQ(0x033Fu, Le(header, 4, 2));  // made on UNIX, version 6.3
      ExpectCommonFields(header, 6, c, c.zip64 || big_offset);
      EXPECT_EQ(0x12345678u, Le(header, 16, 4));
      const std::size_t name_length = Le(header, 28, 2);
      EXPECT_EQ(0u, Le(header, 32, 2) + Le(header, 34, 2) + Le(header, 36, 2));
      EXPECT_EQ(e.is_folder() ? 0x41ED0010u : 0x81A40000u, Le(header, 38, 4));
      EXPECT_EQ(big_offset ? 0xFFFFFFFF : offset, Le(header, 42, 4));
      EXPECT_EQ(e.name, header.substr(46, name_length));
      EXPECT_EQ(header.size(), 46 + name_length + Le(header, 30, 2));
      const std::string zip64 =
          (c.zip64 ? Le64(e.size) + Le64(e.size) : "") + (big_offset ? Le64(offset) : "");
      ExpectExtras(header.substr(46 + name_length), c, zip64);
    }
  }
}

TEST(ZipRecordsTest, EndRecordsAddZip64WhenTheCountTheSizeOrTheOffsetOverflows) {
  struct Case {
    std::uint64_t entries;
    std::uint64_t offset;
    std::uint64_t size;
    bool zip64;
  };
  const Case cases[] = {
      {0, 0, 0, false},           {65534, 0xFFFFFFFE, 0xFFFFFFFE, false},
      {65535, 100, 200, true},    {70000, 100, 200, true},
      {3, 0xFFFFFFFF, 200, true}, {3, 5 * kGiB, 200, true},
      {3, 100, 0xFFFFFFFF, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.entries) + " " + std::to_string(c.offset) + " " +
                 std::to_string(c.size));
    std::string bytes;
    AppendEndRecords(bytes, c.entries, c.offset, c.size);
    ASSERT_EQ(EndRecordsLength(c.entries, c.offset, c.size), bytes.size());
    ASSERT_EQ(c.zip64 ? 22u + 56 + 20 : 22u, bytes.size());
    const std::size_t end = bytes.size() - 22;
    EXPECT_EQ(kEndSignature, Le(bytes, end, 4));
    EXPECT_EQ(0u, Le(bytes, end + 4, 4));  // one disk
    const std::uint64_t count = c.entries >= 0xFFFF ? 0xFFFF : c.entries;
    EXPECT_EQ(count, Le(bytes, end + 8, 2));
    EXPECT_EQ(count, Le(bytes, end + 10, 2));
    EXPECT_EQ(c.size >= 0xFFFFFFFF ? 0xFFFFFFFF : c.size, Le(bytes, end + 12, 4));
    EXPECT_EQ(c.offset >= 0xFFFFFFFF ? 0xFFFFFFFF : c.offset, Le(bytes, end + 16, 4));
    EXPECT_EQ(0u, Le(bytes, end + 20, 2));
    if (!c.zip64) continue;
    EXPECT_EQ(kZip64EndSignature, Le(bytes, 0, 4));
    EXPECT_EQ(44u, Le(bytes, 4, 8));
    EXPECT_EQ(45u, Le(bytes, 14, 2));
    EXPECT_EQ(c.entries, Le(bytes, 24, 8));
    EXPECT_EQ(c.entries, Le(bytes, 32, 8));
    EXPECT_EQ(c.size, Le(bytes, 40, 8));
    EXPECT_EQ(c.offset, Le(bytes, 48, 8));
    EXPECT_EQ(kZip64LocatorSignature, Le(bytes, 56, 4));
    EXPECT_EQ(c.offset + c.size, Le(bytes, 64, 8));  // where the ZIP64 end record is
    EXPECT_EQ(1u, Le(bytes, 72, 4));
  }
}

}  // namespace
}  // namespace orvane
