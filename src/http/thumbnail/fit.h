// How big a thumbnail is and how big its picture is decoded to make it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/pixels.h"

namespace orvane::thumbnail {

// The longest side of a thumbnail, in pixels.
inline constexpr int kLongestSide = 360;

// The most memory a decode may hold as pixels, counted at four bytes a pixel
// (the 32-bit formats decoders hold a picture in).
inline constexpr std::uint64_t kDecodeCeilingBytes = 256ULL * 1024 * 1024;

// The thumbnail's size for a picture of `picture` (as it is shown, already
// turned upright): the longest side at most kLongestSide, the proportions
// kept (rounded to the nearest pixel, at least 1), never enlarged. {0, 0} for
// a size with a side of 0 or less.
[[nodiscard]] PixelSize FitWithin(PixelSize picture, int longest_side = kLongestSide);

// The smallest of the sizes a decoder can produce natively (`native`, in any
// order; the full size among them) that is at least `target` on both sides,
// so nothing is enlarged afterwards; the largest one when none is. nullopt
// when that size would hold more than kDecodeCeilingBytes, or when `native`
// is empty.
[[nodiscard]] std::optional<PixelSize> DecodeSizeFor(const std::vector<PixelSize>& native,
                                                     PixelSize target);

}  // namespace orvane::thumbnail
