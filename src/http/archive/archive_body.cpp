#include "http/archive/archive_body.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "http/archive/crc32.h"

namespace orvane {

namespace {

// Bytes read only to count a CRC go through a buffer of this size, and a
// span of made bytes is at most as long.
constexpr std::size_t kCountBufferSize = 256 * 1024;
// A file this large goes out as a file range in a span; a smaller one is
// read into the span with the records around it.
constexpr std::uint64_t kFileSpanFrom = 64 * 1024;
// A file range whose CRC is still to be counted goes out in spans of at
// most this size.
constexpr std::uint64_t kCountedSpan = 4 * 1024 * 1024;

std::size_t Smaller(std::uint64_t a, std::size_t b) {
  return a < b ? static_cast<std::size_t>(a) : b;
}

}  // namespace

ArchiveBody::ArchiveBody(std::shared_ptr<const ArchiveLayout> layout,
                         std::unique_ptr<EntryOpener> opener, CrcCache* cache,
                         std::string cache_prefix)
    : shared_layout_(std::move(layout)),
      layout_(*shared_layout_),
      opener_(std::move(opener)),
      cache_(cache),
      cache_prefix_(std::move(cache_prefix)),
      crcs_(layout_.size(), 0),
      known_(layout_.size(), false) {
  // Nothing to count in a folder or an empty file.
  for (std::size_t i = 0; i < layout_.size(); ++i) known_[i] = layout_.entry(i).size == 0;
}

ArchiveBody::~ArchiveBody() = default;

bool ArchiveBody::Seek(std::uint64_t offset) {
  if (offset > layout_.length()) return false;
  position_ = offset;
  return true;
}

std::int64_t ArchiveBody::Read(char* buffer, std::size_t size) {
  if (fault_) return -1;
  std::size_t produced = 0;
  while (produced < size && position_ < layout_.length()) {
    const ArchiveLayout::Place place = layout_.Locate(position_);
    std::size_t got = 0;
    if (place.part == ArchiveLayout::Part::kData) {
      if ((!open_ || open_->index != place.entry) && !Open(place.entry)) return -1;
      const std::int64_t read =
          ReadData(position_ - place.start, buffer + produced, size - produced);
      if (read < 0) return -1;
      got = static_cast<std::size_t>(read);
    } else {
      if (!MakeRecord(place)) return -1;
      const std::size_t within = static_cast<std::size_t>(position_ - scratch_start_);
      got = std::min(scratch_.size() - within, size - produced);
      std::memcpy(buffer + produced, scratch_.data() + within, got);
    }
    produced += got;
    position_ += got;
  }
  return static_cast<std::int64_t>(produced);
}

std::optional<BodySpan> ArchiveBody::NextSpan(std::uint64_t max) {
  Span span;
  if (fault_) {
    span.kind = Span::Kind::kFailed;
    return span;
  }
  if (position_ >= layout_.length() || max == 0) return span;
  const ArchiveLayout::Place place = layout_.Locate(position_);
  const std::uint64_t within = position_ - place.start;
  span.kind = Span::Kind::kFailed;
  if (place.part != ArchiveLayout::Part::kData || place.length < kFileSpanFrom) {
    // Records and small files' bytes together, up to the next large file:
    // the headers and small files of a folder of photos go out in sends of
    // up to 256 KiB, not in a call or two per file.
    span_bytes_.clear();
    const std::uint64_t most = std::min<std::uint64_t>(max, kCountBufferSize);
    for (std::uint64_t at = position_; at < layout_.length() && span_bytes_.size() < most;) {
      const ArchiveLayout::Place next = layout_.Locate(at);
      const std::size_t had = span_bytes_.size();
      if (next.part == ArchiveLayout::Part::kData) {
        if (next.length >= kFileSpanFrom) break;
        if ((!open_ || open_->index != next.entry) && !Open(next.entry)) return span;
        span_bytes_.resize(had + Smaller(next.start + next.length - at, most - had));
        const std::int64_t got =
            ReadData(at - next.start, span_bytes_.data() + had, span_bytes_.size() - had);
        if (got < 0) return span;
        span_bytes_.resize(had + static_cast<std::size_t>(got));
        at += static_cast<std::uint64_t>(got);
        continue;
      }
      if (!MakeRecord(next)) return span;
      const auto from = static_cast<std::size_t>(at - scratch_start_);
      span_bytes_.append(scratch_, from, Smaller(most - had, scratch_.size() - from));
      at += span_bytes_.size() - had;
    }
    span.kind = Span::Kind::kBytes;
    span.bytes = span_bytes_;
    return span;
  }
  if ((!open_ || open_->index != place.entry) && !Open(place.entry)) return span;
  std::uint64_t count = std::min(max, place.length - within);
  if (!known_[place.entry] && !FromCache(place.entry)) {
    // Counted a piece at a time, so the client reads what was sent while
    // the next piece is counted.
    count = std::min(count, kCountedSpan);
    if (open_->counted < within + count && !CountUpTo(within + count)) {
      return span;
    }
  }
  if (open_->file->native() == -1) {
    // No handle the system could send from: the bytes themselves.
    const std::int64_t read = ReadData(within, nullptr, Smaller(count, kCountBufferSize));
    if (read < 0) return span;
    span.kind = Span::Kind::kBytes;
    span.bytes = std::string_view(buffer_.data(), static_cast<std::size_t>(read));
    return span;
  }
  span.kind = Span::Kind::kFile;
  span.file = open_->file->native();
  span.offset = within;
  span.count = count;
  return span;
}

void ArchiveBody::Advance(std::uint64_t sent) { position_ += sent; }

void ArchiveBody::CheckOpenFile() {
  if (fault_ || !open_ || layout_.entry(open_->index).size == 0) return;
  // Its last byte must still be there (its length was read when it opened).
  const std::uint64_t size = layout_.entry(open_->index).size;
  char last = 0;
  const std::int64_t got = open_->file->Seek(size - 1) ? open_->file->Read(&last, 1) : -1;
  if (got <= 0) {
    Fail(got < 0 ? ArchiveFault::Kind::kRead : ArchiveFault::Kind::kChangedSize, open_->index);
    return;
  }
  open_->at = size;
}

bool ArchiveBody::MakeRecord(const ArchiveLayout::Place& place) {
  if (scratch_valid_ && scratch_start_ == place.start) return true;
  scratch_valid_ = false;
  scratch_.clear();
  const std::size_t i = place.entry;
  switch (place.part) {
    case ArchiveLayout::Part::kLocalHeader:
      AppendLocalHeader(scratch_, layout_.entry(i));
      break;
    case ArchiveLayout::Part::kDescriptor: {
      // The file's bytes are behind: it must not have grown meanwhile.
      if (open_ && open_->index == i) {
        if (!CheckEnded()) return false;
        open_.reset();
      }
      const std::optional<std::uint32_t> crc = CrcOf(i);
      if (!crc) return false;
      AppendDataDescriptor(scratch_, layout_.entry(i), *crc);
      break;
    }
    case ArchiveLayout::Part::kCentralHeader: {
      const std::optional<std::uint32_t> crc = CrcOf(i);
      if (!crc) return false;
      AppendCentralHeader(scratch_, layout_.entry(i), *crc, layout_.local_offset(i));
      break;
    }
    case ArchiveLayout::Part::kEnd:
      AppendEndRecords(scratch_, layout_.size(), layout_.central_offset(), layout_.central_size());
      break;
    case ArchiveLayout::Part::kData:
      return false;
  }
  scratch_start_ = place.start;
  scratch_valid_ = true;
  return true;
}

bool ArchiveBody::Open(std::size_t index) {
  open_.reset();
  const ArchiveEntry& entry = layout_.entry(index);
  std::unique_ptr<BodySource> file = opener_->Open(entry);
  if (!file) return Fail(ArchiveFault::Kind::kOpen, index);
  if (file->Length() != entry.size) return Fail(ArchiveFault::Kind::kChangedSize, index);
  open_.emplace(index, std::move(file));
  return true;
}

bool ArchiveBody::CountUpTo(std::uint64_t upto) {
  OpenEntry& open = *open_;
  if (buffer_.empty()) buffer_.resize(kCountBufferSize);
  if (open.at != open.counted) {
    if (!open.file->Seek(open.counted)) return Fail(ArchiveFault::Kind::kRead, open.index);
    open.at = open.counted;
  }
  while (open.counted < upto) {
    const std::int64_t got =
        open.file->Read(buffer_.data(), Smaller(upto - open.counted, buffer_.size()));
    if (got <= 0) {
      return Fail(got < 0 ? ArchiveFault::Kind::kRead : ArchiveFault::Kind::kChangedSize,
                  open.index);
    }
    open.running = Crc32Update(open.running, buffer_.data(), static_cast<std::size_t>(got));
    open.counted += static_cast<std::uint64_t>(got);
    open.at = open.counted;
  }
  if (open.counted == layout_.entry(open.index).size) Learn(open.index, open.running);
  return true;
}

std::int64_t ArchiveBody::ReadData(std::uint64_t within, char* out, std::size_t size) {
  OpenEntry& open = *open_;
  const ArchiveEntry& entry = layout_.entry(open.index);
  if (open.at != within) {
    // A jump (the start of a range): the CRC of the bytes skipped is needed
    // unless it is known already.
    if (!known_[open.index] && open.counted < within && !FromCache(open.index) &&
        !CountUpTo(within)) {
      return -1;
    }
    if (open.at != within) {
      if (!open.file->Seek(within)) {
        Fail(ArchiveFault::Kind::kRead, open.index);
        return -1;
      }
      open.at = within;
    }
  }
  if (out == nullptr) {
    if (buffer_.empty()) buffer_.resize(kCountBufferSize);
    out = buffer_.data();
    size = std::min(size, buffer_.size());
  }
  const std::int64_t got = open.file->Read(out, Smaller(entry.size - within, size));
  if (got <= 0) {
    // Nothing where bytes should be: the file became shorter.
    Fail(got < 0 ? ArchiveFault::Kind::kRead : ArchiveFault::Kind::kChangedSize, open.index);
    return -1;
  }
  const auto piece = static_cast<std::size_t>(got);
  if (open.counted == open.at) {
    open.running = Crc32Update(open.running, out, piece);
    open.counted += piece;
    // Counted from the first byte to the last: this is the CRC of what was
    // sent, even if the cache knew another one.
    if (open.counted == entry.size) Learn(open.index, open.running);
  }
  open.at += piece;
  if (open.at == entry.size) {
    if (!CheckEnded()) return -1;
    open_.reset();
  }
  return got;
}

bool ArchiveBody::CheckEnded() {
  OpenEntry& open = *open_;
  if (open.ended) return true;
  const std::uint64_t size = layout_.entry(open.index).size;
  if (open.at != size && !open.file->Seek(size)) return Fail(ArchiveFault::Kind::kRead, open.index);
  open.at = size;
  char extra = 0;
  const std::int64_t got = open.file->Read(&extra, 1);
  if (got != 0) {
    return Fail(got > 0 ? ArchiveFault::Kind::kChangedSize : ArchiveFault::Kind::kRead, open.index);
  }
  open.ended = true;
  return true;
}

std::optional<std::uint32_t> ArchiveBody::CrcOf(std::size_t index) {
  if (known_[index]) return crcs_[index];
  if (FromCache(index)) return crcs_[index];
  const ArchiveEntry& entry = layout_.entry(index);
  // Skipped by the range and unknown: read the whole file now.
  if (!Open(index)) return std::nullopt;
  if (!CountUpTo(entry.size) || !CheckEnded()) return std::nullopt;
  open_.reset();
  return crcs_[index];
}

std::string ArchiveBody::CacheKey(std::size_t index) const {
  return cache_prefix_ + "\\" + layout_.entry(index).name;
}

bool ArchiveBody::FromCache(std::size_t index) {
  if (cache_ == nullptr) return false;
  const ArchiveEntry& entry = layout_.entry(index);
  const std::optional<std::uint32_t> cached =
      cache_->Find(CacheKey(index), entry.size, entry.unix_seconds);
  if (!cached) return false;
  crcs_[index] = *cached;
  known_[index] = true;
  return true;
}

void ArchiveBody::Learn(std::size_t index, std::uint32_t crc) {
  crcs_[index] = crc;
  known_[index] = true;
  const ArchiveEntry& entry = layout_.entry(index);
  if (cache_ != nullptr) cache_->Put(CacheKey(index), entry.size, entry.unix_seconds, crc);
}

bool ArchiveBody::Fail(ArchiveFault::Kind kind, std::size_t index) {
  if (!fault_) fault_ = ArchiveFault{kind, layout_.entry(index).name};
  open_.reset();
  return false;
}

}  // namespace orvane
