#include "http/thumbnail/shrink.h"

#include <algorithm>
#include <utility>

namespace orvane::thumbnail {

namespace {

constexpr int kChannels = Pixels::kChannels;

// Where input pixel `index` of `in` falls among `out` (out <= in): input
// pixel j spans [j * out, (j + 1) * out) and output pixel i spans
// [i * in, (i + 1) * in), in units of 1/(in * out) of the side. Gives the
// first output pixel it overlaps and how much of it overlaps that one.
std::pair<int, std::uint32_t> Overlap(std::int64_t index, std::int64_t in, std::int64_t out) {
  const std::int64_t start = index * out;
  const std::int64_t first = start / in;
  const std::int64_t first_end = (first + 1) * in;
  const std::int64_t weight = std::min(start + out, first_end) - start;
  return {static_cast<int>(first), static_cast<std::uint32_t>(weight)};
}

}  // namespace

Shrinker::Shrinker(PixelSize input, PixelSize output)
    : in_(input),
      out_{std::clamp(output.width, 1, std::max(input.width, 1)),
           std::clamp(output.height, 1, std::max(input.height, 1))} {
  column_to_.resize(static_cast<std::size_t>(std::max(in_.width, 0)));
  column_weight_.resize(column_to_.size());
  for (int x = 0; x < in_.width; ++x) {
    const auto [to, weight] = Overlap(x, in_.width, out_.width);
    column_to_[static_cast<std::size_t>(x)] = to;
    column_weight_[static_cast<std::size_t>(x)] = weight;
  }
  const std::size_t out_row = static_cast<std::size_t>(out_.width) * kChannels;
  // One spare pixel at the end takes the (zero) rest of the last column.
  row_sums_.resize(out_row + kChannels);
  current_.resize(out_row);
  next_.resize(out_row);
  output_.size = out_;
  output_.bytes.reserve(out_row * static_cast<std::size_t>(out_.height));
}

void Shrinker::AddRow(const std::uint8_t* row) {
  if (done()) return;
  std::fill(row_sums_.begin(), row_sums_.end(), 0);
  const std::uint32_t whole = static_cast<std::uint32_t>(out_.width);
  for (int x = 0; x < in_.width; ++x) {
    const std::size_t at =
        static_cast<std::size_t>(column_to_[static_cast<std::size_t>(x)]) * kChannels;
    const std::uint32_t weight = column_weight_[static_cast<std::size_t>(x)];
    const std::uint8_t* pixel = row + static_cast<std::size_t>(x) * kChannels;
    for (int c = 0; c < kChannels; ++c) {
      row_sums_[at + c] += static_cast<std::uint64_t>(weight) * pixel[c];
      row_sums_[at + kChannels + c] += static_cast<std::uint64_t>(whole - weight) * pixel[c];
    }
  }
  const auto [to, weight] = Overlap(rows_in_, in_.height, out_.height);
  while (rows_out_ < to) EmitRow();
  const std::uint64_t rest = static_cast<std::uint64_t>(out_.height) - weight;
  for (std::size_t i = 0; i < current_.size(); ++i) {
    current_[i] += weight * row_sums_[i];
    next_[i] += rest * row_sums_[i];
  }
  ++rows_in_;
  if (done()) {
    while (rows_out_ < out_.height) EmitRow();
  }
}

void Shrinker::EmitRow() {
  const std::uint64_t area =
      static_cast<std::uint64_t>(in_.width) * static_cast<std::uint64_t>(in_.height);
  for (const std::uint64_t sum : current_) {
    output_.bytes.push_back(static_cast<std::uint8_t>((sum + area / 2) / area));
  }
  std::swap(current_, next_);
  std::fill(next_.begin(), next_.end(), 0);
  ++rows_out_;
}

Pixels Shrinker::Take() { return std::move(output_); }

}  // namespace orvane::thumbnail
