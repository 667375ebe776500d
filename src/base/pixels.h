// A small picture in memory: the thumbnail's pixels between the decoder, the
// pure rules that scale and turn it, and the encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane {

// A width and a height in pixels.
struct PixelSize {
  int width = 0;
  int height = 0;
  friend bool operator==(PixelSize a, PixelSize b) {
    return a.width == b.width && a.height == b.height;
  }
  friend bool operator!=(PixelSize a, PixelSize b) { return !(a == b); }
};

// Three bytes a pixel, rows top to bottom with no padding. The order of the
// three is the codec's own (RGB for libjpeg, BGR for WIC): nothing between
// decoding and encoding looks at which channel is which.
struct Pixels {
  static constexpr int kChannels = 3;
  PixelSize size;
  std::vector<std::uint8_t> bytes;

  [[nodiscard]] std::size_t stride() const {
    return static_cast<std::size_t>(size.width) * kChannels;
  }
  [[nodiscard]] const std::uint8_t* At(int x, int y) const {
    return bytes.data() + static_cast<std::size_t>(y) * stride() +
           static_cast<std::size_t>(x) * kChannels;
  }
};

}  // namespace orvane
