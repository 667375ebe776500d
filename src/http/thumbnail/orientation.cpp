#include "http/thumbnail/orientation.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace orvane::thumbnail {

namespace {

// A TIFF structure's numbers, in its own byte order.
class TiffReader {
 public:
  TiffReader(std::string_view tiff, bool big_endian) : tiff_(tiff), big_endian_(big_endian) {}

  // False when [offset, offset + bytes) is not inside the structure.
  [[nodiscard]] bool Holds(std::uint64_t offset, std::uint64_t bytes) const {
    return offset <= tiff_.size() && bytes <= tiff_.size() - offset;
  }
  [[nodiscard]] std::uint32_t Number(std::uint64_t offset, int bytes) const {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
      const auto byte =
          static_cast<std::uint8_t>(tiff_[offset + (big_endian_ ? i : bytes - 1 - i)]);
      value = (value << 8) | byte;
    }
    return value;
  }

 private:
  std::string_view tiff_;
  bool big_endian_;
};

constexpr std::uint32_t kOrientationTag = 274;
constexpr std::uint32_t kShortType = 3;
constexpr std::size_t kEntryBytes = 12;

}  // namespace

Orientation ExifOrientation(std::string_view app1) {
  constexpr std::string_view kExif("Exif\0\0", 6);
  if (app1.substr(0, kExif.size()) != kExif) return Orientation::kUpright;
  const std::string_view tiff = app1.substr(kExif.size());
  bool big_endian = false;
  if (tiff.substr(0, 4) == std::string_view("MM\0*", 4)) {
    big_endian = true;
  } else if (tiff.substr(0, 4) != std::string_view("II*\0", 4)) {
    return Orientation::kUpright;
  }
  const TiffReader reader(tiff, big_endian);
  if (!reader.Holds(4, 4)) return Orientation::kUpright;
  const std::uint64_t ifd = reader.Number(4, 4);
  if (!reader.Holds(ifd, 2)) return Orientation::kUpright;
  const std::uint32_t count = reader.Number(ifd, 2);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t entry = ifd + 2 + static_cast<std::uint64_t>(i) * kEntryBytes;
    if (!reader.Holds(entry, kEntryBytes)) break;
    if (reader.Number(entry, 2) != kOrientationTag) continue;
    if (reader.Number(entry + 2, 2) != kShortType || reader.Number(entry + 4, 4) < 1) break;
    // A single SHORT sits in the first two bytes of the value field.
    const std::uint32_t value = reader.Number(entry + 8, 2);
    if (value >= 1 && value <= 8) return static_cast<Orientation>(value);
    break;
  }
  return Orientation::kUpright;
}

namespace {

bool SwapsSides(Orientation orientation) {
  return orientation == Orientation::kTranspose || orientation == Orientation::kRotateClockwise ||
         orientation == Orientation::kTransverse || orientation == Orientation::kRotateCounter;
}

// The stored pixel shown at (x, y) of the upright picture, for a stored
// picture of w × h.
std::pair<int, int> StoredPixelFor(Orientation orientation, int x, int y, int w, int h) {
  switch (orientation) {
    case Orientation::kUpright:
      return {x, y};
    case Orientation::kMirror:
      return {w - 1 - x, y};
    case Orientation::kRotate180:
      return {w - 1 - x, h - 1 - y};
    case Orientation::kFlip:
      return {x, h - 1 - y};
    case Orientation::kTranspose:
      return {y, x};
    case Orientation::kRotateClockwise:
      return {y, h - 1 - x};
    case Orientation::kTransverse:
      return {w - 1 - y, h - 1 - x};
    case Orientation::kRotateCounter:
      return {w - 1 - y, x};
  }
  return {x, y};
}

}  // namespace

PixelSize OrientedSize(PixelSize stored, Orientation orientation) {
  if (SwapsSides(orientation)) return {stored.height, stored.width};
  return stored;
}

Pixels Orient(const Pixels& stored, Orientation orientation) {
  if (orientation == Orientation::kUpright) return stored;
  Pixels shown;
  shown.size = OrientedSize(stored.size, orientation);
  shown.bytes.resize(stored.bytes.size());
  std::uint8_t* out = shown.bytes.data();
  for (int y = 0; y < shown.size.height; ++y) {
    for (int x = 0; x < shown.size.width; ++x) {
      const auto [sx, sy] =
          StoredPixelFor(orientation, x, y, stored.size.width, stored.size.height);
      std::memcpy(out, stored.At(sx, sy), Pixels::kChannels);
      out += Pixels::kChannels;
    }
  }
  return shown;
}

}  // namespace orvane::thumbnail
