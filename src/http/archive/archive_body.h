// An archive as a reply's body: made byte by byte as it is read, entry after
// entry, from the layout and the entries' files; never held whole in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "http/archive/archive_layout.h"
#include "http/archive/crc_cache.h"
#include "http/core/body_source.h"

namespace orvane {

// Opens an entry's file: the disk, or a test's stand-in.
class EntryOpener {
 public:
  virtual ~EntryOpener() = default;
  // nullptr when the file cannot be opened.
  virtual std::unique_ptr<BodySource> Open(const ArchiveEntry& entry) = 0;
};

// Why the sending of an archive stopped short.
struct ArchiveFault {
  enum class Kind { kOpen, kChangedSize, kRead };
  Kind kind = Kind::kRead;
  std::string entry;  // the entry's name in the archive
};

// Reads give the archive's bytes from the read position. A file's CRC is
// counted while its bytes are read from its start; one the position skipped
// (a range that starts later) comes from `cache` when it knows the file, else
// from reading the skipped bytes again, only when a data descriptor or the
// central directory needs it. When a file cannot be opened or read, or its
// size is no longer the one in the layout (it grew or shrank), Read fails and
// fault() names it: the archive is never given with a wrong CRC or size.
class ArchiveBody final : public BodySource {
 public:
  // `cache` may be null; `cache_prefix` is the text it knows the folder by.
  // The layout may be shared (a range's parts, one body each).
  ArchiveBody(std::shared_ptr<const ArchiveLayout> layout, std::unique_ptr<EntryOpener> opener,
              CrcCache* cache, std::string cache_prefix);
  ~ArchiveBody() override;
  ArchiveBody(const ArchiveBody&) = delete;
  ArchiveBody& operator=(const ArchiveBody&) = delete;

  [[nodiscard]] std::optional<std::uint64_t> Length() const override { return layout_.length(); }
  bool Seek(std::uint64_t offset) override;
  std::int64_t Read(char* buffer, std::size_t size) override;
  [[nodiscard]] std::intptr_t native() const override { return -1; }

  // Spans for a send loop that hands file bytes to the system (sendfile):
  // bytes made here (the records, and files under 64 KiB), or a range of a
  // larger entry's open file whose CRC is already counted (from the page
  // cache, or known). Never nullopt.
  using Span = BodySpan;
  std::optional<BodySpan> NextSpan(std::uint64_t max) override;
  void Advance(std::uint64_t sent) override;

  // Set once a read or span failed.
  [[nodiscard]] const std::optional<ArchiveFault>& fault() const { return fault_; }
  // For a send that stopped short where the body could not see it (a
  // file range the system failed to send): sets fault() when the file being
  // sent has become shorter.
  void CheckOpenFile();

 private:
  // The entry whose file is open, and how far its CRC is counted.
  struct OpenEntry {
    OpenEntry(std::size_t entry, std::unique_ptr<BodySource> opened)
        : index(entry), file(std::move(opened)) {}
    std::size_t index = 0;
    std::unique_ptr<BodySource> file;
    std::uint64_t at = 0;       // the file's read position
    std::uint64_t counted = 0;  // the CRC covers [0, counted)
    std::uint32_t running = 0;
    bool ended = false;  // checked: nothing past the size
  };

  // The bytes of a header or end record holding `place`, made in scratch_.
  bool MakeRecord(const ArchiveLayout::Place& place);
  bool Open(std::size_t index);
  // Counts the open entry's CRC on to `upto`, reading what it has not seen.
  bool CountUpTo(std::uint64_t upto);
  // Reads up to `size` data bytes of the open entry at `within`.
  std::int64_t ReadData(std::uint64_t within, char* out, std::size_t size);
  // After the last byte: fails when the file has grown.
  bool CheckEnded();
  // The entry's CRC: known, counted, cached, or read whole now.
  std::optional<std::uint32_t> CrcOf(std::size_t index);
  // Records a CRC counted from the file's bytes, and tells the cache.
  void Learn(std::size_t index, std::uint32_t crc);
  // True when the cache knew the entry's CRC (now known here too).
  bool FromCache(std::size_t index);
  [[nodiscard]] std::string CacheKey(std::size_t index) const;
  // Records the fault (the first one stays) and closes the file; false.
  bool Fail(ArchiveFault::Kind kind, std::size_t index);

  const std::shared_ptr<const ArchiveLayout> shared_layout_;
  const ArchiveLayout& layout_;
  const std::unique_ptr<EntryOpener> opener_;
  CrcCache* const cache_;
  const std::string cache_prefix_;
  std::vector<std::uint32_t> crcs_;
  std::vector<bool> known_;
  std::uint64_t position_ = 0;
  std::optional<OpenEntry> open_;
  std::string scratch_;  // the record being read
  std::uint64_t scratch_start_ = 0;
  bool scratch_valid_ = false;
  std::vector<char> buffer_;  // bytes read only to count a CRC
  std::string span_bytes_;    // the records a span gives
  std::optional<ArchiveFault> fault_;
};

}  // namespace orvane
