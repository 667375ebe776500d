#include "app/terminal_qr.h"

#include <utility>

namespace orvane {

std::vector<std::string> TerminalQrLines(const QrModules& code, QrGlyphs glyphs) {
  const int quiet = kTerminalQrQuietZone;
  const int side = code.size + 2 * quiet;
  // A module of the code with its quiet zone; outside the square (the lower
  // half of an odd last line) is light as well.
  const auto dark = [&](int x, int y) { return code.IsDark(x - quiet, y - quiet); };
  // Half blocks: indexed by 2 * upper + lower module, dark being 1. Spaces:
  // indexed by the module alone.
  static const char* const kHalfBlockColours[] = {"\x1b[97;107m", "\x1b[97;40m", "\x1b[30;107m",
                                                  "\x1b[30;40m"};
  static const char* const kSpaceColours[] = {"\x1b[107m", "\x1b[40m"};
  const bool halves = glyphs == QrGlyphs::kHalfBlocks;
  std::vector<std::string> lines;
  for (int y = 0; y < side; y += halves ? 2 : 1) {
    std::string line;
    int colours = -1;
    for (int x = 0; x < side; ++x) {
      const int wanted = halves ? 2 * dark(x, y) + dark(x, y + 1) : int{dark(x, y)};
      if (wanted != colours) line += halves ? kHalfBlockColours[wanted] : kSpaceColours[wanted];
      colours = wanted;
      line += halves ? "\xE2\x96\x80" : "  ";  // U+2580 upper half block, or one module
    }
    line += "\x1b[0m";
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace orvane
