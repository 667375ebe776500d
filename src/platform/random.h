// The system's random source, for secrets such as the access code.
#pragma once

#include <optional>
#include <string>

namespace orvane::platform {

// `count` bytes from the system's cryptographic random source
// (BCryptGenRandom on Windows, getrandom on Linux); nullopt when it fails.
[[nodiscard]] std::optional<std::string> RandomBytes(std::size_t count);

}  // namespace orvane::platform
