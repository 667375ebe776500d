#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include "platform/random.h"

namespace orvane::platform {

std::optional<std::string> RandomBytes(std::size_t count) {
  std::string bytes(count, '\0');
  // The system's preferred generator (Windows 7 has it), no handle to keep.
  const NTSTATUS status =
      BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(bytes.data()), static_cast<ULONG>(count),
                      BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  if (status < 0) return std::nullopt;
  return bytes;
}

}  // namespace orvane::platform
