// A QR code drawn as terminal text, two module rows per line with the
// Unicode upper half block. Pure.
#pragma once

#include <string>
#include <vector>

#include "address/qr_modules.h"

namespace orvane {

// The quiet zone around a drawn code, in modules: the least a reader needs.
inline constexpr int kTerminalQrQuietZone = 4;

// The code with its quiet zone as UTF-8 lines. Each character is one "▀"
// whose foreground is the upper module and background the lower one, in
// explicit black (SGR 30/40) and bright white (97/107), so the code reads the
// same on a dark or a light terminal; each line ends by resetting the colours.
[[nodiscard]] std::vector<std::string> TerminalQrLines(const QrModules& code);

}  // namespace orvane
