#include "front/qr_modules.h"

#include <cstdint>
#include <string>

#include <qrcodegen.h>

namespace orvane {

std::optional<QrModules> EncodeQr(std::string_view text) {
  // The library works in two buffers of ours, each the size the largest
  // version needs, and says false for a text too long for any version.
  const std::string bytes(text);
  std::vector<std::uint8_t> code(qrcodegen_BUFFER_LEN_MAX);
  std::vector<std::uint8_t> scratch(qrcodegen_BUFFER_LEN_MAX);
  if (!qrcodegen_encodeText(bytes.c_str(), scratch.data(), code.data(), qrcodegen_Ecc_MEDIUM,
                            qrcodegen_VERSION_MIN, qrcodegen_VERSION_MAX, qrcodegen_Mask_AUTO,
                            true)) {
    return std::nullopt;
  }
  QrModules modules;
  modules.size = qrcodegen_getSize(code.data());
  modules.dark.reserve(static_cast<std::size_t>(modules.size) *
                       static_cast<std::size_t>(modules.size));
  for (int y = 0; y < modules.size; ++y) {
    for (int x = 0; x < modules.size; ++x) {
      modules.dark.push_back(qrcodegen_getModule(code.data(), x, y));
    }
  }
  return modules;
}

}  // namespace orvane
