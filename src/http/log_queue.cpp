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

}  // namespace orvane
