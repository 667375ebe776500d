#include <errno.h>
#include <sys/random.h>

#include "platform/random.h"

namespace orvane::platform {

std::optional<std::string> RandomBytes(std::size_t count) {
  std::string bytes(count, '\0');
  std::size_t filled = 0;
  while (filled < count) {
    const ssize_t got = getrandom(bytes.data() + filled, count - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    filled += static_cast<std::size_t>(got);
  }
  return bytes;
}

}  // namespace orvane::platform
