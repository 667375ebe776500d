#include "http/thumbnail/thumbnail_maker.h"

#include <algorithm>
#include <utility>

#include "http/thumbnail/fit.h"
#include "http/thumbnail/orientation.h"
#include "http/thumbnail/picture_header.h"
#include "http/thumbnail/shrink.h"
#include "http/thumbnail/thumbnail_names.h"
#include "platform/image_codec.h"
#include "platform/thread.h"

namespace orvane::thumbnail {

namespace {

// The file's first bytes, where its header is; nullopt when it cannot be read.
std::optional<std::string> ReadPrefix(const platform::FileName& name) {
  std::optional<platform::ReadOnlyFile> file = platform::ReadOnlyFile::OpenRegular(name);
  if (!file) return std::nullopt;
  std::string prefix(kHeaderPrefixBytes, '\0');
  std::size_t filled = 0;
  while (filled < prefix.size()) {
    const std::int64_t got = file->Read(prefix.data() + filled, prefix.size() - filled);
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  prefix.resize(filled);
  return prefix;
}

// The orientation to show a picture with: a JPEG's from its own Exif block,
// else what the codec found.
Orientation OrientationOf(const std::optional<PictureHeader>& header, int codec_orientation) {
  if (header && header->format == PictureFormat::kJpeg) return header->orientation;
  if (codec_orientation >= 1 && codec_orientation <= 8) {
    return static_cast<Orientation>(codec_orientation);
  }
  return Orientation::kUpright;
}

class ShrinkingSink final : public platform::PixelRowSink {
 public:
  explicit ShrinkingSink(Shrinker& shrinker) : shrinker_(shrinker) {}
  void TakeRow(const std::uint8_t* row) override { shrinker_.AddRow(row); }

 private:
  Shrinker& shrinker_;
};

std::shared_ptr<const Thumbnail> Encoded(const Pixels& pixels) {
  std::optional<std::string> jpeg = platform::EncodeJpeg(pixels, kJpegQuality);
  if (!jpeg) return nullptr;
  return std::make_shared<const Thumbnail>(Thumbnail{std::move(*jpeg), pixels.size});
}

std::shared_ptr<const Thumbnail> FromVideo(const platform::FileName& name) {
  std::optional<Pixels> frame = platform::VideoFrame(name, kLongestSide);
  if (!frame) return nullptr;
  const PixelSize target = FitWithin(frame->size);
  if (target == frame->size) return Encoded(*frame);
  Shrinker shrinker(frame->size, target);
  for (int y = 0; y < frame->size.height; ++y) shrinker.AddRow(frame->At(0, y));
  return Encoded(shrinker.Take());
}

std::shared_ptr<const Thumbnail> FromPicture(const platform::FileName& name,
                                             const std::optional<PictureHeader>& header) {
  std::optional<platform::PictureDecoder> decoder = platform::PictureDecoder::Open(name);
  if (!decoder) return nullptr;
  const Orientation orientation = OrientationOf(header, decoder->orientation());
  // The thumbnail's size as shown, then as stored, which is what is decoded.
  const PixelSize target =
      OrientedSize(FitWithin(OrientedSize(decoder->full_size(), orientation)), orientation);
  const std::optional<PixelSize> decode = DecodeSizeFor(decoder->native_sizes(), target);
  if (!decode) return nullptr;
  Shrinker shrinker(*decode, target);
  ShrinkingSink sink(shrinker);
  if (!decoder->Decode(*decode, sink) || !shrinker.done()) return nullptr;
  return Encoded(Orient(shrinker.Take(), orientation));
}

// A name's key: ASCII is the same name in either encoding, so a listing
// (which names files in UTF-8) and a request (which maps ASCII as ANSI) find
// one entry.
std::string KeyOf(const platform::FileName& name) {
  const bool ascii = std::all_of(name.relative.begin(), name.relative.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  std::string key;
  key.reserve(name.root.size() + name.relative.size() + 2);
  key.append(name.root).push_back('\0');
  key.append(name.relative).push_back(name.relative_is_utf8 && !ascii ? 'u' : 'a');
  return key;
}

}  // namespace

std::optional<std::shared_ptr<const Thumbnail>> MakeThumbnail(const platform::FileName& name) {
  const ThumbnailSource source = ThumbnailSourceFor(name.relative, platform::SystemImageDecoders());
  if (source == ThumbnailSource::kNone) return std::shared_ptr<const Thumbnail>();
  if (source == ThumbnailSource::kVideo) return FromVideo(name);
  const std::optional<std::string> prefix = ReadPrefix(name);
  if (!prefix) return std::nullopt;
  return FromPicture(name, ReadPictureHeader(*prefix));
}

ThumbnailMaker::ThumbnailMaker(int at_once)
    : gate_(at_once > 0 ? at_once : platform::ProcessorCount()) {}

ThumbnailResult ThumbnailMaker::ThumbnailOf(const platform::FileName& name, FileStamp stamp,
                                            std::int64_t deadline_ms) {
  const std::string key = KeyOf(name);
  const auto kept = [&]() -> std::optional<ThumbnailResult> {
    platform::LockGuard guard(lock_);
    std::optional<std::shared_ptr<const Thumbnail>> found = store_.Find(key, stamp);
    if (!found || (*found && (*found)->jpeg.empty())) return std::nullopt;  // not made yet
    if (!*found) return ThumbnailResult{};
    return ThumbnailResult{Outcome::kMade, std::move(*found)};
  };
  if (std::optional<ThumbnailResult> result = kept()) return std::move(*result);
  if (ThumbnailSourceFor(name.relative, platform::SystemImageDecoders()) ==
      ThumbnailSource::kNone) {
    return ThumbnailResult{};
  }
  GateTurn turn(gate_, deadline_ms);
  if (!turn.entered()) return ThumbnailResult{Outcome::kBusy, nullptr};
  // Made by another request while this one waited for its turn?
  if (std::optional<ThumbnailResult> result = kept()) return std::move(*result);
  std::optional<std::shared_ptr<const Thumbnail>> made = MakeThumbnail(name);
  if (!made) return ThumbnailResult{};
  {
    platform::LockGuard guard(lock_);
    store_.Put(key, stamp, *made);
  }
  if (!*made) return ThumbnailResult{};
  return ThumbnailResult{Outcome::kMade, std::move(*made)};
}

std::optional<PixelSize> ThumbnailMaker::SizeOf(const platform::FileName& name, FileStamp stamp) {
  {
    platform::LockGuard guard(lock_);
    if (std::optional<std::shared_ptr<const Thumbnail>> found = store_.Find(KeyOf(name), stamp)) {
      if (!*found) return std::nullopt;
      return (*found)->size;
    }
  }
  if (ThumbnailSourceFor(name.relative, platform::SystemImageDecoders()) !=
      ThumbnailSource::kPicture) {
    return std::nullopt;
  }
  const std::optional<std::string> prefix = ReadPrefix(name);
  if (!prefix) return std::nullopt;
  std::optional<PixelSize> size;
  const std::optional<PictureHeader> header = ReadPictureHeader(*prefix);
  if (header && header->stored) {
    size = FitWithin(OrientedSize(*header->stored, header->orientation));
  } else if (std::optional<platform::PictureDecoder> decoder =
                 platform::PictureDecoder::Open(name)) {
    // A header past the first bytes, or a format only the codec reads.
    size = FitWithin(
        OrientedSize(decoder->full_size(), OrientationOf(header, decoder->orientation())));
  }
  // Kept, so the next page reads no header: the size alone until the
  // thumbnail is made; a file that opened but that no codec reads gives none.
  std::shared_ptr<const Thumbnail> kept;
  if (size) kept = std::make_shared<const Thumbnail>(Thumbnail{std::string(), *size});
  const std::string key = KeyOf(name);
  platform::LockGuard guard(lock_);
  // A thumbnail made meanwhile stays.
  if (!store_.Find(key, stamp)) store_.Put(key, stamp, std::move(kept));
  return size;
}

std::size_t ThumbnailMaker::kept_count() {
  platform::LockGuard guard(lock_);
  return store_.count();
}

}  // namespace orvane::thumbnail
