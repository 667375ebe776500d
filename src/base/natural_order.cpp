#include "base/natural_order.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace orvane {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Windows' own order of the ASCII characters that are neither letters nor
// digits: apostrophe and hyphen first, "+<=>" last, all before the letters.
constexpr std::string_view kPunctuationOrder = "'- !\"#$%&()*,./:;?@[\\]^_`{|}~+<=>";

// A byte's place in the order: control bytes, punctuation, letters without
// case, then the bytes of other characters by value (code point order, as
// UTF-8 keeps it).
const std::array<std::uint16_t, 256> kRanks = [] {
  std::array<std::uint16_t, 256> ranks{};
  for (int b = 0; b < 256; ++b) ranks[b] = static_cast<std::uint16_t>(0x200 + b);
  for (int b = 0; b < 0x20; ++b) ranks[b] = static_cast<std::uint16_t>(b);
  for (std::size_t i = 0; i < kPunctuationOrder.size(); ++i) {
    ranks[static_cast<unsigned char>(kPunctuationOrder[i])] = static_cast<std::uint16_t>(0x40 + i);
  }
  for (int b = 'a'; b <= 'z'; ++b) {
    ranks[b] = static_cast<std::uint16_t>(0x100 + b);
    ranks[b - 'a' + 'A'] = static_cast<std::uint16_t>(0x100 + b);
  }
  return ranks;
}();

// The run of digits that starts at `pos`, without its leading zeros; `pos`
// moves past the run.
std::string_view DigitRun(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && text[pos] == '0') ++pos;
  const std::size_t start = pos;
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  return text.substr(start, pos - start);
}

}  // namespace

int NaturalCompare(std::string_view a, std::string_view b) {
  // Bytes the two names share from the start compare level one by one, so
  // they are passed over at once (names in one folder often share a long
  // start: "IMG_0"), back to the start of a run of digits the shared part
  // ends in, since a run is compared whole.
  std::size_t same = 0;
  const std::size_t shorter = a.size() < b.size() ? a.size() : b.size();
  while (same < shorter && a[same] == b[same]) ++same;
  while (same > 0 && IsDigit(a[same - 1])) --same;
  std::size_t i = same;
  std::size_t j = same;
  while (i < a.size() && j < b.size()) {
    const bool a_digit = IsDigit(a[i]);
    const bool b_digit = IsDigit(b[j]);
    if (a_digit && b_digit) {
      // Without leading zeros, the longer run is the larger number, and runs
      // of one length compare digit by digit: no number is ever parsed, so a
      // run of any length works.
      const std::string_view x = DigitRun(a, i);
      const std::string_view y = DigitRun(b, j);
      if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
      const int digits = x.compare(y);
      if (digits != 0) return digits < 0 ? -1 : 1;
      continue;
    }
    if (a_digit != b_digit) return a_digit ? -1 : 1;
    const std::uint16_t x = kRanks[static_cast<unsigned char>(a[i])];
    const std::uint16_t y = kRanks[static_cast<unsigned char>(b[j])];
    if (x != y) return x < y ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool NaturalLess(std::string_view a, std::string_view b) {
  const int order = NaturalCompare(a, b);
  return order != 0 ? order < 0 : a < b;
}

}  // namespace orvane
