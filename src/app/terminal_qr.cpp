#include "app/terminal_qr.h"

#include <utility>

namespace orvane {

std::vector<std::string> TerminalQrLines(const QrModules& code) {
  const int quiet = kTerminalQrQuietZone;
  const int side = code.size + 2 * quiet;
  // A module of the code with its quiet zone; outside the square (the lower
  // half of an odd last line) is light as well.
  const auto dark = [&](int x, int y) { return code.IsDark(x - quiet, y - quiet); };
  // Indexed by 2 * upper + lower module, dark being 1.
  static const char* const kColours[] = {"\x1b[97;107m", "\x1b[97;40m", "\x1b[30;107m",
                                         "\x1b[30;40m"};
  std::vector<std::string> lines;
  for (int y = 0; y < side; y += 2) {
    std::string line;
    int colours = -1;
    for (int x = 0; x < side; ++x) {
      const int wanted = 2 * dark(x, y) + dark(x, y + 1);
      if (wanted != colours) line += kColours[wanted];
      colours = wanted;
      line += "\xE2\x96\x80";  // U+2580 upper half block
    }
    line += "\x1b[0m";
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace orvane
