// How many archives are sent at the same time. Each holds a worker, its
// files and its disk's attention for as long as its download lasts, so a few
// at once are let through; the others wait their turn up to a deadline, and
// then get a page that asks them to come back.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/clock.h"

namespace orvane {

inline constexpr int kArchivesAtOnce = 4;

class ArchiveGate {
 public:
  explicit ArchiveGate(int at_once = kArchivesAtOnce) : at_once_(at_once) {}
  ArchiveGate(const ArchiveGate&) = delete;
  ArchiveGate& operator=(const ArchiveGate&) = delete;

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

// A place in the gate for one archive's sending, given back when the scope
// ends.
class ArchiveTurn {
 public:
  ArchiveTurn(ArchiveGate& gate, std::int64_t deadline_ms)
      : gate_(gate), entered_(gate.Enter(deadline_ms)) {}
  ~ArchiveTurn() {
    if (entered_) gate_.Leave();
  }
  ArchiveTurn(const ArchiveTurn&) = delete;
  ArchiveTurn& operator=(const ArchiveTurn&) = delete;
  [[nodiscard]] bool entered() const { return entered_; }

 private:
  ArchiveGate& gate_;
  const bool entered_;
};

}  // namespace orvane
