// The slowest a request body may arrive. A client that sends one byte every
// 45 seconds never trips a wait for silence, yet would hold a worker for
// ever; so every window of time must bring some minimum of bytes. Pure: the
// caller tells the time.
#pragma once

#include <cstdint>

namespace orvane {

class RateFloor {
 public:
  // Windows of `window_ms` from `start_ms`, each to bring at least `min_bytes`.
  RateFloor(std::int64_t start_ms, std::int64_t window_ms, std::uint64_t min_bytes)
      : window_ms_(window_ms), min_bytes_(min_bytes), window_end_ms_(start_ms + window_ms) {}

  // `bytes` more arrived at `now_ms` (0 to ask about the time alone); false
  // once a window ended with fewer than `min_bytes` in it.
  [[nodiscard]] bool Arrived(std::uint64_t bytes, std::int64_t now_ms) {
    while (now_ms >= window_end_ms_) {
      if (in_window_ < min_bytes_) return false;
      window_end_ms_ += window_ms_;
      in_window_ = 0;
    }
    in_window_ += bytes;
    return true;
  }
  // How long a read begun at `now_ms` may wait before the window ends.
  [[nodiscard]] std::int64_t WaitLeft(std::int64_t now_ms) const {
    return window_end_ms_ > now_ms ? window_end_ms_ - now_ms : 0;
  }

 private:
  std::int64_t window_ms_;
  std::uint64_t min_bytes_;
  std::int64_t window_end_ms_;
  std::uint64_t in_window_ = 0;
};

}  // namespace orvane
