#include "http/thumbnail/fit.h"

#include <algorithm>

namespace orvane::thumbnail {

namespace {

std::uint64_t PixelCount(PixelSize size) {
  return static_cast<std::uint64_t>(size.width) * static_cast<std::uint64_t>(size.height);
}

// `side` * `numerator` / `denominator`, rounded to the nearest, at least 1.
int Scaled(int side, int numerator, int denominator) {
  const std::int64_t scaled =
      (static_cast<std::int64_t>(side) * numerator * 2 + denominator) / (2 * denominator);
  return static_cast<int>(std::max<std::int64_t>(scaled, 1));
}

}  // namespace

PixelSize FitWithin(PixelSize picture, int longest_side) {
  if (picture.width <= 0 || picture.height <= 0) return {};
  const int longest = std::max(picture.width, picture.height);
  if (longest <= longest_side) return picture;
  return {Scaled(picture.width, longest_side, longest),
          Scaled(picture.height, longest_side, longest)};
}

std::optional<PixelSize> DecodeSizeFor(const std::vector<PixelSize>& native, PixelSize target) {
  std::optional<PixelSize> best;
  std::optional<PixelSize> largest;
  for (const PixelSize size : native) {
    if (!largest || PixelCount(size) > PixelCount(*largest)) largest = size;
    if (size.width < target.width || size.height < target.height) continue;
    if (!best || PixelCount(size) < PixelCount(*best)) best = size;
  }
  if (!best) best = largest;
  if (!best || PixelCount(*best) * 4 > kDecodeCeilingBytes) return std::nullopt;
  return best;
}

}  // namespace orvane::thumbnail
