// A photo's EXIF orientation: which way up the camera stored its pixels, and
// the turn or mirror that shows it upright.
#pragma once

#include <string_view>

#include "base/pixels.h"

namespace orvane::thumbnail {

// The eight values of EXIF tag 274, each named by what shows the stored
// pixels upright.
enum class Orientation {
  kUpright = 1,
  kMirror = 2,  // mirror left to right
  kRotate180 = 3,
  kFlip = 4,             // mirror top to bottom
  kTranspose = 5,        // mirror along the top-left to bottom-right diagonal
  kRotateClockwise = 6,  // a quarter turn clockwise
  kTransverse = 7,       // mirror along the other diagonal
  kRotateCounter = 8,    // a quarter turn counter-clockwise
};

// The orientation an APP1 segment's payload (from "Exif\0\0" on) gives in
// its first IFD; kUpright when it has none, or when the block is not Exif,
// is cut short, points outside itself or gives a value outside 1-8. Reads at
// most the first IFD's entries and never past `app1`.
[[nodiscard]] Orientation ExifOrientation(std::string_view app1);

// The size of a picture of `stored` shown as `orientation` says: the sides
// swap for the four that turn a quarter or mirror along a diagonal.
[[nodiscard]] PixelSize OrientedSize(PixelSize stored, Orientation orientation);

// `stored` shown upright as `orientation` says.
[[nodiscard]] Pixels Orient(const Pixels& stored, Orientation orientation);

}  // namespace orvane::thumbnail
