// Log lines on their way from the workers to whoever shows them. Workers
// never wait for the window thread: they push here, and the showing thread
// takes everything at once. Lines leave in the order they came, so one
// worker's lines stay in order.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "platform/lock.h"

namespace orvane {

enum class LogBox { kConnection, kRequest };

struct LogEntry {
  LogBox box;
  std::string text;
};

// What the queue may hold while nobody takes from it (the window thread in a
// modal box, a slow console): request texts of up to 8 KiB each would
// otherwise pile up without limit. Counted as memory, not as text.
inline constexpr std::size_t kLogQueueCeilingBytes = 4 * 1024 * 1024;

// The memory one queued line holds: its entry in the queue and the text's own
// heap block (none for a short text kept inside the string), with the
// allocator's bookkeeping. Short lines cost more than twice their text.
std::size_t LogEntryCost(const std::string& text);

// The connection-log line that stands for the lines dropped at the ceiling:
// "日志过多，丢弃了最早的 N 行" in GBK, CR LF.
std::string DroppedLinesNotice(std::size_t count);

class LogQueue {
 public:
  explicit LogQueue(std::size_t ceiling_bytes = kLogQueueCeilingBytes)
      : ceiling_bytes_(ceiling_bytes) {}

  // Adds a line; past the ceiling the oldest lines go. True when the queue
  // was empty before: the caller then wakes the drainer (one wake-up per
  // batch rather than one per line).
  bool Push(LogBox box, std::string text);
  // Everything queued, oldest first; when lines were dropped, a notice of how
  // many comes first, where they were.
  std::vector<LogEntry> TakeAll();

 private:
  const std::size_t ceiling_bytes_;
  platform::Lock lock_;
  std::deque<LogEntry> entries_ GUARDED_BY(lock_);
  std::size_t cost_ GUARDED_BY(lock_) = 0;     // the entries' LogEntryCost, summed
  std::size_t dropped_ GUARDED_BY(lock_) = 0;  // lines dropped since the last take
};

}  // namespace orvane
