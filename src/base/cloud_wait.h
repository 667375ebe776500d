// How long a read of a file kept in the cloud may wait for its provider.
// Pure.
#pragma once

#include <cstdint>

namespace orvane {

// A read of a cloud file may wait this long for its provider to deliver.
inline constexpr int kCloudReadLimitMs = 60000;

// How long the first read of a cloud file of `size` bytes may wait:
// OneDrive's usual full hydration returns that read only once the whole file
// is on this machine, however few bytes it asked for. So a minute, and a
// second more for each 2 MiB (a download of about 16 Mbit/s); at most
// INT_MAX milliseconds (about 24 days).
[[nodiscard]] int CloudFirstReadLimitMs(std::uint64_t size);

}  // namespace orvane
