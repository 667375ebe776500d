#include "front/qr_modules.h"

#include <stdexcept>
#include <string>

#include <qrcodegen.hpp>

namespace orvane {

std::optional<QrModules> EncodeQr(std::string_view text) {
  // The library reports a text too long for any version by throwing; the
  // exception ends here.
  try {
    const std::string bytes(text);
    const qrcodegen::QrCode code =
        qrcodegen::QrCode::encodeText(bytes.c_str(), qrcodegen::QrCode::Ecc::MEDIUM);
    QrModules modules;
    modules.size = code.getSize();
    modules.dark.reserve(static_cast<std::size_t>(modules.size) *
                         static_cast<std::size_t>(modules.size));
    for (int y = 0; y < modules.size; ++y) {
      for (int x = 0; x < modules.size; ++x) modules.dark.push_back(code.getModule(x, y));
    }
    return modules;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

}  // namespace orvane
