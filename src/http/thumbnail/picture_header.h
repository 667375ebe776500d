// A picture's size and orientation from its first bytes alone, so a folder's
// page can give each thumbnail's size without decoding its photo.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "base/pixels.h"
#include "http/thumbnail/orientation.h"

namespace orvane::thumbnail {

// How many of a file's first bytes the header is looked for in: a JPEG's
// frame header comes after its Exif block, which is at most 64 KiB.
inline constexpr std::size_t kHeaderPrefixBytes = 64 * 1024 + 4096;

enum class PictureFormat { kJpeg, kPng };

struct PictureHeader {
  PictureFormat format = PictureFormat::kJpeg;
  // The stored pixels' size; nullopt when the frame header lies past the
  // prefix (or a JPEG has none before its scan).
  std::optional<PixelSize> stored;
  // From a JPEG's Exif block (one seen before the frame header); PNG: upright.
  Orientation orientation = Orientation::kUpright;
};

// The header of a JPEG (SOI, its segments up to the first frame header) or
// a PNG (signature and IHDR) at the start of `prefix`; nullopt for anything
// else. Reads only inside `prefix`, a few bytes for each segment it skips.
[[nodiscard]] std::optional<PictureHeader> ReadPictureHeader(std::string_view prefix);

}  // namespace orvane::thumbnail
