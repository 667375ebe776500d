// Log lines on their way from the workers to whoever shows them. Workers
// never wait for the window thread: they push here, and the showing thread
// takes everything at once. Lines leave in the order they came, so one
// worker's lines stay in order.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/lock.h"

namespace orvane {

enum class LogBox { kConnection, kRequest };

struct LogEntry {
  LogBox box;
  std::string text;
};

class LogQueue {
 public:
  // True when the queue was empty before: the caller then wakes the drainer
  // (one wake-up per batch rather than one per line).
  bool Push(LogBox box, std::string text);
  std::vector<LogEntry> TakeAll();

 private:
  platform::Lock lock_;
  std::vector<LogEntry> entries_;  // guarded by lock_
};

}  // namespace orvane
