// A QR code drawn as terminal text. Pure.
#pragma once

#include <string>
#include <vector>

#include "front/qr_modules.h"

namespace orvane {

// The quiet zone around a drawn code, in modules: the least a reader needs.
inline constexpr int kTerminalQrQuietZone = 4;

// How the modules are drawn. Both use explicit black (SGR 30/40) and bright
// white (97/107), so the code reads the same on a dark or a light terminal.
enum class QrGlyphs {
  // Two module rows per line: each character is one UTF-8 "▀" whose
  // foreground is the upper module and background the lower one.
  kHalfBlocks,
  // One module row per line, two spaces per module in its background colour:
  // plain ASCII, for a terminal whose character set is not UTF-8.
  kSpaces,
};

// The code with its quiet zone as lines of text; each line ends by resetting
// the colours.
[[nodiscard]] std::vector<std::string> TerminalQrLines(const QrModules& code, QrGlyphs glyphs);

}  // namespace orvane
