#include "ui/rules/log_cap.h"

namespace orvane::ui {

std::size_t BytesToDropForCap(std::string_view current, std::size_t incoming, std::size_t cap) {
  if (current.size() + incoming <= cap) return 0;
  if (incoming >= cap) return current.size();
  const std::size_t must_drop = current.size() + incoming - cap;
  const std::size_t line_end = current.find('\n', must_drop - 1);
  return line_end == std::string_view::npos ? current.size() : line_end + 1;
}

}  // namespace orvane::ui
