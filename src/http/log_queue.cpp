#include "http/log_queue.h"

namespace orvane {

bool LogQueue::Push(LogBox box, std::string text) {
  platform::LockGuard guard(lock_);
  const bool was_empty = entries_.empty();
  entries_.push_back(LogEntry{box, std::move(text)});
  return was_empty;
}

std::vector<LogEntry> LogQueue::TakeAll() {
  std::vector<LogEntry> taken;
  platform::LockGuard guard(lock_);
  taken.swap(entries_);
  return taken;
}

std::size_t BytesToDropForCap(std::string_view current, std::size_t incoming, std::size_t cap) {
  if (current.size() + incoming <= cap) return 0;
  if (incoming >= cap) return current.size();
  const std::size_t must_drop = current.size() + incoming - cap;
  const std::size_t line_end = current.find('\n', must_drop - 1);
  return line_end == std::string_view::npos ? current.size() : line_end + 1;
}

}  // namespace orvane
