// Scaling a decoded picture down to its thumbnail's size as its rows arrive,
// so that only the thumbnail and one row are ever held, whatever the size of
// the picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/pixels.h"

namespace orvane::thumbnail {

// Each output pixel is the average of the input area it covers, parts of
// pixels weighted by how much of them it covers (a box filter over areas),
// in exact integer arithmetic. The output is never larger than the input: a
// side asked larger is kept at the input's.
class Shrinker {
 public:
  Shrinker(PixelSize input, PixelSize output);

  // Takes the next input row: input.width pixels of Pixels::kChannels bytes.
  // Rows past the input's height are ignored.
  void AddRow(const std::uint8_t* row);
  [[nodiscard]] bool done() const { return rows_in_ >= in_.height; }
  [[nodiscard]] PixelSize input() const { return in_; }
  // The scaled picture, once every input row came.
  [[nodiscard]] Pixels Take();

 private:
  void EmitRow();

  PixelSize in_;
  PixelSize out_;
  int rows_in_ = 0;
  int rows_out_ = 0;
  // For each input column: the first output column it falls in, and the part
  // of it that does (out of out_.width; the rest falls in the next).
  std::vector<int> column_to_;
  std::vector<std::uint32_t> column_weight_;
  std::vector<std::uint64_t> row_sums_;  // the current input row, scaled across
  std::vector<std::uint64_t> current_;   // output row rows_out_, being summed
  std::vector<std::uint64_t> next_;      // the row after it
  Pixels output_;
};

}  // namespace orvane::thumbnail
