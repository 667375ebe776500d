#include "base/cloud_wait.h"

#include <limits>

namespace orvane {

int CloudFirstReadLimitMs(std::uint64_t size) {
  constexpr std::uint64_t kBytesPerSecond = 2 * 1024 * 1024;
  constexpr std::uint64_t kMost = std::numeric_limits<int>::max();
  // Whole seconds and the rest apart, so no product can overflow.
  const std::uint64_t extra =
      size / kBytesPerSecond * 1000 + size % kBytesPerSecond * 1000 / kBytesPerSecond;
  return extra >= kMost - kCloudReadLimitMs ? static_cast<int>(kMost)
                                            : kCloudReadLimitMs + static_cast<int>(extra);
}

}  // namespace orvane
