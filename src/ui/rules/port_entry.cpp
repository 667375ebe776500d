#include "ui/rules/port_entry.h"

#include <limits>

namespace orvane::ui {

bool IsAcceptedPortChar(char32_t ch) { return ch < 32 || (ch >= U'0' && ch <= U'9') || ch == U'-'; }

std::int64_t LeadingInteger(std::string_view text) {
  std::size_t pos = 0;
  // The C locale's white space, as strtol skips it.
  while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) {
    ++pos;
  }
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 10 - 1;
  std::int64_t value = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    if (value < kLimit) value = value * 10 + (text[pos] - '0');
  }
  return negative ? -value : value;
}

std::int64_t ArrowStep(std::string_view text, ArrowDirection direction) {
  const std::int64_t start = LeadingInteger(text);
  const std::int64_t next = direction == ArrowDirection::kUp ? start + 1 : start - 1;
  if (next < kArrowMin || next > kArrowMax) {
    return direction == ArrowDirection::kUp ? kArrowMin : kArrowMax;
  }
  return next;
}

}  // namespace orvane::ui
