// The headless server's QR code as terminal text: half blocks in explicit
// colours, two module rows per line, with the quiet zone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/terminal_qr.h"

namespace orvane {
namespace {

TEST(TerminalQrTest, DrawsTwoModuleRowsPerLineInsideTheQuietZone) {
  const std::string w = "\x1b[97;107m";  // light over light
  const std::string l = "\x1b[97;40m";   // light over dark
  const std::string u = "\x1b[30;107m";  // dark over light
  const std::string d = "\x1b[30;40m";   // dark over dark
  const std::string end = "\x1b[0m";
  const auto blocks = [](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "\xE2\x96\x80";
    return s;
  };
  const struct {
    QrModules code;
    std::vector<std::string> expected;
  } cases[] = {
      // 1 module + 2 x 4 quiet: 9 rows; the odd last row pairs with light.
      {{1, {true}},
       {w + blocks(9) + end, w + blocks(9) + end,
        w + blocks(4) + u + blocks(1) + w + blocks(4) + end, w + blocks(9) + end,
        w + blocks(9) + end}},
      // 2 x 2: rows 4 and 5 share a line; colours change only where needed.
      {{2, {true, false, true, true}},
       {w + blocks(10) + end, w + blocks(10) + end,
        w + blocks(4) + d + blocks(1) + l + blocks(1) + w + blocks(4) + end, w + blocks(10) + end,
        w + blocks(10) + end}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code.size);
    EXPECT_EQ(c.expected, TerminalQrLines(c.code));
  }
}

}  // namespace
}  // namespace orvane
