// How many of one costly kind of answer are made at the same time: folder
// listings (a large folder's every entry is held while it is read and
// sorted), thumbnails (a picture decoded), archives (a folder read through).
// Many clients asking at once are let in a few at a time; the others wait
// their turn, up to a deadline.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/clock.h"

namespace orvane {

class Gate {
 public:
  explicit Gate(int at_once) : at_once_(at_once) {}
  Gate(const Gate&) = delete;
  Gate& operator=(const Gate&) = delete;

  // Takes a place, waiting while every place is taken; false when the
  // monotonic clock reached `deadline_ms` first.
  [[nodiscard]] bool Enter(std::int64_t deadline_ms) {
    for (;;) {
      int taken = taken_.load();
      while (taken < at_once_) {
        if (taken_.compare_exchange_weak(taken, taken + 1)) return true;
      }
      if (platform::MonotonicMillis() >= deadline_ms) return false;
      platform::SleepMillis(10);
    }
  }
  void Leave() { taken_.fetch_sub(1); }

 private:
  const int at_once_;
  std::atomic<int> taken_{0};
};

// A place in the gate, given back when the scope ends (also by an exception).
class GateTurn {
 public:
  GateTurn(Gate& gate, std::int64_t deadline_ms) : gate_(gate), entered_(gate.Enter(deadline_ms)) {}
  ~GateTurn() {
    if (entered_) gate_.Leave();
  }
  GateTurn(const GateTurn&) = delete;
  GateTurn& operator=(const GateTurn&) = delete;
  [[nodiscard]] bool entered() const { return entered_; }

 private:
  Gate& gate_;
  const bool entered_;
};

}  // namespace orvane
