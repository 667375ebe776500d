#include "http/archive/archive_body.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "http/archive/archive_gate.h"
#include "http/archive/crc32.h"
#include "platform/file_identity.h"
#include "unit/zip_reading.h"

namespace orvane {
namespace {

using testing::KeptBytes;
using testing::ReadArchive;

constexpr std::uint64_t kGiB = 1ull << 30;
constexpr std::string_view kPrefix = "C:\\site";

// A stand-in file's bytes: zeros for an entry of 1 GiB or more (so that its
// CRC can be known ahead), else a pattern that differs per entry.
char ContentAt(const ArchiveEntry& entry, std::uint64_t at) {
  if (entry.size >= kGiB) return 0;
  return static_cast<char>((at * 31 + entry.name.size()) % 251);
}

std::string ContentOf(const ArchiveEntry& entry, std::uint64_t from, std::uint64_t count) {
  std::string bytes;
  for (std::uint64_t at = from; at < from + count; ++at) bytes.push_back(ContentAt(entry, at));
  return bytes;
}

// What goes wrong with the stand-in of the entry named `name`.
struct Trouble {
  enum class Kind { kNone, kNoOpen, kOtherSize, kReadError, kShorter, kLonger };
  Kind kind = Kind::kNone;
  std::string name;
  std::uint64_t at = 0;  // kReadError, kShorter: where
};

// A file of ContentAt's bytes with the trouble it is given; with a handle
// its spans come as file ranges, which the tests then take from ContentOf.
struct StandInFile final : BodySource {
  StandInFile(ArchiveEntry e, Trouble t, std::intptr_t h)
      : entry(std::move(e)), trouble(t), handle(h) {}
  [[nodiscard]] std::optional<std::uint64_t> Length() const override {
    return entry.size + (trouble.kind == Trouble::Kind::kOtherSize ? 1 : 0);
  }
  bool Seek(std::uint64_t offset) override { return (at = offset, true); }
  std::int64_t Read(char* buffer, std::size_t size) override {
    std::uint64_t end = entry.size + (trouble.kind == Trouble::Kind::kLonger ? 10 : 0);
    if (trouble.kind == Trouble::Kind::kShorter) end = trouble.at;
    if (trouble.kind == Trouble::Kind::kReadError && at + size > trouble.at) return -1;
    const std::uint64_t n = std::min<std::uint64_t>(size, end > at ? end - at : 0);
    for (std::uint64_t i = 0; i < n; ++i) buffer[i] = ContentAt(entry, at + i);
    at += n;
    return static_cast<std::int64_t>(n);
  }
  [[nodiscard]] std::intptr_t native() const override { return handle; }
  const ArchiveEntry entry;
  const Trouble trouble;
  const std::intptr_t handle;
  std::uint64_t at = 0;
};

struct StandInOpener final : EntryOpener {
  StandInOpener(Trouble t, std::intptr_t h) : trouble(std::move(t)), handle(h) {}
  std::unique_ptr<BodySource> Open(const ArchiveEntry& entry) override {
    const bool troubled = entry.name == trouble.name;
    if (troubled && trouble.kind == Trouble::Kind::kNoOpen) return nullptr;
    return std::make_unique<StandInFile>(entry, troubled ? trouble : Trouble{}, handle);
  }
  const Trouble trouble;
  const std::intptr_t handle;
};

using Layout = std::shared_ptr<const ArchiveLayout>;

ArchiveBody BodyOf(const Layout& layout, CrcCache* cache, Trouble trouble = {},
                   std::intptr_t handle = -1) {
  return ArchiveBody(layout, std::make_unique<StandInOpener>(trouble, handle), cache,
                     std::string(kPrefix));
}

// The bytes from the body's position to the end, read in pieces of `piece`.
std::string ReadRest(ArchiveBody& body, std::size_t piece, std::uint64_t most = ~0ull) {
  std::string out;
  std::string buffer(piece, '\0');
  while (out.size() < most) {
    const std::int64_t got =
        body.Read(buffer.data(), std::min<std::uint64_t>(piece, most - out.size()));
    if (got <= 0) break;
    out.append(buffer.data(), static_cast<std::size_t>(got));
  }
  return out;
}

// Drains the body through its spans as a zero-copy send loop would: made
// bytes kept, file ranges only counted, or (`take_files`) taken from the
// stand-in's content. The total given.
std::uint64_t DrainSpans(ArchiveBody& body, const ArchiveLayout& layout, KeptBytes& kept,
                         bool take_files) {
  std::uint64_t at = 0;
  for (;;) {
    const ArchiveBody::Span span = *body.NextSpan(1u << 20);
    if (span.kind == ArchiveBody::Span::Kind::kEnd) return at;
    if (span.kind == ArchiveBody::Span::Kind::kFailed) {
      ADD_FAILURE() << "span failed at " << at;
      return at;
    }
    std::uint64_t count = span.bytes.size();
    if (span.kind == ArchiveBody::Span::Kind::kBytes) {
      kept.Keep(at, span.bytes);
    } else {
      count = span.count;
      const ArchiveLayout::Place place = layout.Locate(at);
      EXPECT_EQ(ArchiveLayout::Part::kData, place.part);
      EXPECT_EQ(at - place.start, span.offset);
      if (take_files) kept.Keep(at, ContentOf(layout.entry(place.entry), span.offset, count));
    }
    body.Advance(count);
    at += count;
  }
}

std::uint32_t ZerosCrc(std::uint64_t size) {
  const std::string zeros(1u << 20, '\0');
  std::uint32_t crc = 0;
  for (std::uint64_t left = size; left > 0; left -= std::min<std::uint64_t>(left, zeros.size()))
    crc = Crc32Update(crc, zeros.data(), std::min<std::uint64_t>(left, zeros.size()));
  return crc;
}

TEST(ArchiveLengthTest, TheComputedLengthIsWhatTheBodyGivesForEveryMixOfSmallAndLargeEntries) {
  // A folder, a small file, one just under the ZIP64 size (three of them
  // pass 4 GiB of offsets), and one at it.
  const std::uint64_t sizes[] = {0, 1000, 3 * kGiB, 0xFFFFFFFF};
  CrcCache cache;
  for (const std::uint64_t size : {sizes[2], sizes[3]}) {
    const std::uint32_t crc = ZerosCrc(size);
    for (int slot = 0; slot < 3; ++slot) {
      cache.Put(std::string(kPrefix) + "\\e" + std::to_string(slot), size, 0, crc);
    }
  }
  for (int mix = 0; mix < 4 * 4 * 4; ++mix) {
    std::vector<ArchiveEntry> entries;
    for (int slot = 0, rest = mix; slot < 3; ++slot, rest /= 4) {
      const std::uint64_t size = sizes[rest % 4];
      entries.push_back({"e" + std::to_string(slot) + (size == 0 ? "/" : ""), size, 0, {}});
    }
    SCOPED_TRACE(mix);
    const auto layout = std::make_shared<const ArchiveLayout>(entries);
    ArchiveBody body = BodyOf(layout, &cache, {}, 3);
    KeptBytes kept;
    const std::uint64_t total = DrainSpans(body, *layout, kept, false);
    ASSERT_EQ(layout->length(), total);
    const auto read = ReadArchive(kept, total);
    ASSERT_EQ(entries.size(), read.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
      EXPECT_EQ(entries[i].name + std::to_string(entries[i].size),
                read[i].name + std::to_string(read[i].size));
      EXPECT_TRUE(entries[i].size != 1000 ||
                  Crc32Of(ContentOf(entries[i], 0, 1000)) == read[i].crc);
    }
  }
}

std::vector<ArchiveEntry> SmallEntries() {
  return {
      {"a.txt", 100, 1700000000, {}},
      {"empty/", 0, 1700000000, {}},
      {"\xE6\x97\x85\xE8\xA1\x8C/\xE7\x85\xA7.jpg", 300000, 1700000001, {}},  // 旅行/照.jpg
      {"z/nothing.txt", 0, 1600000000, {}},
      {"z/big.bin", 70001, 1600000000, {}},
  };
}

TEST(ArchiveRangeTest, TenPartsFetchedOneByOneJoinToTheWholeArchive) {
  const auto layout = std::make_shared<const ArchiveLayout>(SmallEntries());
  CrcCache cache;
  ArchiveBody whole_body = BodyOf(layout, &cache);
  const std::string whole = ReadRest(whole_body, 4093);
  ASSERT_EQ(layout->length(), whole.size());
  // Cuts in a local header, in data, in a descriptor, in the central
  // directory and in the end record.
  std::vector<std::uint64_t> cuts = {0,
                                     layout->local_offset(1) + 5,
                                     layout->data_offset(0) + 50,
                                     layout->data_offset(2) + 1,
                                     layout->data_offset(2) + 150000,
                                     layout->data_offset(2) + 300000 + 7,
                                     layout->data_offset(4) + 70000,
                                     layout->central_offset() + 3,
                                     layout->central_offset() + 100,
                                     layout->end_offset() + 10,
                                     layout->length() - 1,
                                     layout->length()};
  std::sort(cuts.begin(), cuts.end());
  for (CrcCache* known : {static_cast<CrcCache*>(nullptr), &cache}) {
    SCOPED_TRACE(known == nullptr ? "skipped CRCs read again" : "skipped CRCs from the cache");
    std::string joined;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
      ArchiveBody part = BodyOf(layout, known);
      ASSERT_TRUE(part.Seek(cuts[i]));
      joined += ReadRest(part, 1000, cuts[i + 1] - cuts[i]);
      ASSERT_EQ(cuts[i + 1], joined.size()) << "part " << i;
    }
    EXPECT_TRUE(joined == whole);
  }
}

TEST(ArchiveSpanTest, SpansGiveTheSameBytesAsReadsWithOrWithoutAHandle) {
  const auto layout = std::make_shared<const ArchiveLayout>(SmallEntries());
  ArchiveBody read_body = BodyOf(layout, nullptr);
  const std::string whole = ReadRest(read_body, 8000);
  for (const std::intptr_t handle : {-1, 3}) {
    SCOPED_TRACE(handle);
    ArchiveBody body = BodyOf(layout, nullptr, {}, handle);
    KeptBytes kept;
    ASSERT_EQ(whole.size(), DrainSpans(body, *layout, kept, true));
    EXPECT_TRUE(kept.Bytes(0, whole.size()) == whole);
  }
}

TEST(ArchiveFaultTest, AFileThatFailsOrChangesSizeEndsTheReadsAndIsNamed) {
  using Kind = Trouble::Kind;
  const std::string photo = SmallEntries()[2].name;
  struct Case {
    Trouble trouble;
    ArchiveFault::Kind fault;
    std::uint64_t start;  // where the reading starts
  };
  const auto layout = std::make_shared<const ArchiveLayout>(SmallEntries());
  const Case cases[] = {
      {{Kind::kNoOpen, photo}, ArchiveFault::Kind::kOpen, 0},
      {{Kind::kOtherSize, photo}, ArchiveFault::Kind::kChangedSize, 0},
      {{Kind::kReadError, photo, 200000}, ArchiveFault::Kind::kRead, 0},
      {{Kind::kShorter, photo, 200000}, ArchiveFault::Kind::kChangedSize, 0},
      {{Kind::kLonger, photo}, ArchiveFault::Kind::kChangedSize, 0},
      // Skipped by the range, then read for the central directory's CRC.
      {{Kind::kLonger, photo}, ArchiveFault::Kind::kChangedSize, layout->data_offset(4)},
      {{Kind::kShorter, photo, 1}, ArchiveFault::Kind::kChangedSize, layout->data_offset(2) + 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.trouble.kind));
    ArchiveBody body = BodyOf(layout, nullptr, c.trouble);
    ASSERT_TRUE(body.Seek(c.start));
    const std::string got = ReadRest(body, 5000);
    EXPECT_LT(c.start + got.size(), layout->length());
    char byte = 0;
    EXPECT_EQ(-1, body.Read(&byte, 1));
    ASSERT_TRUE(body.fault().has_value());
    EXPECT_EQ(c.fault, body.fault()->kind);
    EXPECT_EQ(photo, body.fault()->entry);
  }
}

TEST(CrcCacheTest, KnowsAFileByPathSizeAndTimeAndDropsTheOlderGeneration) {
  CrcCache cache(2);
  cache.Put("C:\\site\\a/b.jpg", 10, 100, 0xAAAA);
  EXPECT_EQ(0xAAAAu, cache.Find("C:\\site/a\\b.jpg", 10, 100));  // either separator
  EXPECT_EQ(std::nullopt, cache.Find("C:\\site\\a\\b.jpg", 11, 100));
  EXPECT_EQ(std::nullopt, cache.Find("C:\\site\\a\\b.jpg", 10, 101));
  EXPECT_EQ(std::nullopt, cache.Find("C:\\site\\a\\c.jpg", 10, 100));
  cache.Put("2", 1, 1, 2);
  cache.Put("3", 1, 1, 3);  // the first generation is now the older one
  EXPECT_EQ(0xAAAAu, cache.Find("C:\\site\\a\\b.jpg", 10, 100));
  cache.Put("4", 1, 1, 4);
  cache.Put("5", 1, 1, 5);  // and now gone
  EXPECT_EQ(std::nullopt, cache.Find("C:\\site\\a\\b.jpg", 10, 100));
  EXPECT_EQ(5u, cache.Find("5", 1, 1));
}

TEST(ArchiveGateTest, LetsFourInAndTurnsTheFifthAwayAtItsDeadline) {
  ArchiveGate gate;
  for (int i = 0; i < kArchivesAtOnce; ++i) ASSERT_TRUE(gate.Enter(0));
  const std::int64_t deadline = platform::MonotonicMillis() + 50;
  EXPECT_FALSE(gate.Enter(deadline));
  EXPECT_GE(platform::MonotonicMillis(), deadline);
  gate.Leave();
  const ArchiveTurn turn(gate, 0);
  EXPECT_TRUE(turn.entered());
  EXPECT_FALSE(ArchiveTurn(gate, 0).entered());
}

TEST(FileIdentityTest, TwoNamesOfOneFolderAreOneAndOtherFoldersAreNot) {
  namespace fs = std::filesystem;
  const fs::path root =
      fs::temp_directory_path() / ("orvane-identity-" + std::to_string(std::random_device()()));
  fs::create_directories(root / "a" / "b");
  std::ofstream(root / "a" / "f.txt") << "x";
  const std::string text = root.u8string();
  const auto identity = [&text](const std::string& relative) {
    return platform::IdentityOf(platform::FileName{text, relative, true});
  };
  ASSERT_TRUE(identity("\\a").has_value());
  EXPECT_EQ(identity("\\a"), identity("\\a"));
  // A second name through a link, where the system lets the test make one.
  std::error_code refused;
  fs::create_directory_symlink(root / "a", root / "link", refused);
  if (!refused) {
    EXPECT_EQ(identity("\\a"), identity("\\link"));
  }
  EXPECT_NE(identity("\\a"), identity("\\a\\b"));
  EXPECT_NE(identity("\\a"), identity("\\a\\f.txt"));
  EXPECT_NE(identity("\\a"), identity(""));
  EXPECT_EQ(std::nullopt, identity("\\missing"));
  fs::remove_all(root);
}

}  // namespace
}  // namespace orvane
