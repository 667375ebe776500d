// A text as a QR code's grid of modules, for the screen or a terminal to
// draw. Pure; the encoding (segments, error correction, masking) is the QR
// Code generator library's.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace orvane {

// A square of size x size modules, row by row; true is dark. No quiet zone:
// whoever draws it adds one (at least 4 modules wide).
struct QrModules {
  int size = 0;
  std::vector<bool> dark;

  [[nodiscard]] bool IsDark(int x, int y) const {
    return x >= 0 && y >= 0 && x < size && y < size &&
           dark[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) +
                static_cast<std::size_t>(x)];
  }
};

// The text's bytes as the smallest QR code with at least medium error
// correction (about 15 % of it may be lost); empty when the text does not
// fit in any QR code.
[[nodiscard]] std::optional<QrModules> EncodeQr(std::string_view text);

}  // namespace orvane
