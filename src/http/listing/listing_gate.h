// How many folder listings are built at the same time. A listing of a large
// folder holds every entry in memory while it is read and sorted, so many
// clients asking at once are let in a few at a time; the others wait their
// turn, up to a deadline.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/clock.h"

namespace orvane {

class ListingGate {
 public:
  explicit ListingGate(int at_once) : at_once_(at_once) {}
  ListingGate(const ListingGate&) = delete;
  ListingGate& operator=(const ListingGate&) = delete;

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
class ListingTurn {
 public:
  ListingTurn(ListingGate& gate, std::int64_t deadline_ms)
      : gate_(gate), entered_(gate.Enter(deadline_ms)) {}
  ~ListingTurn() {
    if (entered_) gate_.Leave();
  }
  ListingTurn(const ListingTurn&) = delete;
  ListingTurn& operator=(const ListingTurn&) = delete;
  [[nodiscard]] bool entered() const { return entered_; }

 private:
  ListingGate& gate_;
  const bool entered_;
};

}  // namespace orvane
