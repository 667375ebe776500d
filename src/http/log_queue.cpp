#include "http/log_queue.h"

#include "http/core/text_rules.h"

namespace orvane {

std::string DroppedLinesNotice(std::size_t count) {
  std::string line =
      "\xC8\xD5\xD6\xBE\xB9\xFD\xB6\xE0\xA3\xAC\xB6\xAA\xC6\xFA\xC1\xCB\xD7\xEE\xD4\xE7\xB5\xC4 ";
  line.append(UnsignedDecimalText(count));
  line.append(" \xD0\xD0\r\n");
  return line;
}

std::size_t LogEntryCost(const std::string& text) {
  // A heap block carries about two words of bookkeeping and is rounded up.
  constexpr std::size_t kHeapBlockOverhead = 2 * sizeof(void*);
  static const std::size_t kInlineCapacity = std::string().capacity();
  // The queue's blocks round up and are listed in a map: about a word more.
  std::size_t cost = sizeof(LogEntry) + sizeof(void*);
  if (text.capacity() > kInlineCapacity) cost += text.capacity() + 1 + kHeapBlockOverhead;
  return cost;
}

bool LogQueue::Push(LogBox box, std::string text) {
  // A text cut down from a larger buffer would keep all of it.
  if (text.capacity() > 2 * text.size() + 32) text.shrink_to_fit();
  platform::LockGuard guard(lock_);
  const bool was_empty = entries_.empty() && dropped_ == 0;
  cost_ += LogEntryCost(text);
  entries_.push_back(LogEntry{box, std::move(text)});
  while (cost_ > ceiling_bytes_ && !entries_.empty()) {
    cost_ -= LogEntryCost(entries_.front().text);
    entries_.pop_front();
    ++dropped_;
  }
  return was_empty;
}

std::vector<LogEntry> LogQueue::TakeAll() {
  std::deque<LogEntry> taken;
  std::size_t dropped = 0;
  {
    platform::LockGuard guard(lock_);
    taken.swap(entries_);
    cost_ = 0;
    dropped = dropped_;
    dropped_ = 0;
  }
  std::vector<LogEntry> out;
  out.reserve(taken.size() + 1);
  if (dropped > 0) out.push_back(LogEntry{LogBox::kConnection, DroppedLinesNotice(dropped)});
  for (LogEntry& entry : taken) out.push_back(std::move(entry));
  return out;
}

}  // namespace orvane
