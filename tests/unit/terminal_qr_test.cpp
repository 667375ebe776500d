// The headless server's console text: the QR code as terminal text (half
// blocks or spaces in explicit colours, with the quiet zone) and the report
// it prints once it serves.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/address_report.h"
#include "app/terminal_qr.h"

namespace orvane {
namespace {

std::string Repeat(const std::string& unit, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += unit;
  return s;
}

TEST(TerminalQrTest, DrawsTheModulesInsideTheQuietZone) {
  const std::string w = "\x1b[97;107m";  // light over light
  const std::string l = "\x1b[97;40m";   // light over dark
  const std::string u = "\x1b[30;107m";  // dark over light
  const std::string d = "\x1b[30;40m";   // dark over dark
  const std::string white = "\x1b[107m";
  const std::string black = "\x1b[40m";
  const std::string end = "\x1b[0m";
  const auto blocks = [](int n) { return Repeat("\xE2\x96\x80", n); };
  const auto spaces = [](int n) { return Repeat("  ", n); };
  const struct {
    QrModules code;
    QrGlyphs glyphs;
    std::vector<std::string> expected;
  } cases[] = {
      // 1 module + 2 x 4 quiet: 9 rows; the odd last row pairs with light.
      {{1, {true}},
       QrGlyphs::kHalfBlocks,
       {w + blocks(9) + end, w + blocks(9) + end,
        w + blocks(4) + u + blocks(1) + w + blocks(4) + end, w + blocks(9) + end,
        w + blocks(9) + end}},
      // 2 x 2: rows 4 and 5 share a line; colours change only where needed.
      {{2, {true, false, true, true}},
       QrGlyphs::kHalfBlocks,
       {w + blocks(10) + end, w + blocks(10) + end,
        w + blocks(4) + d + blocks(1) + l + blocks(1) + w + blocks(4) + end, w + blocks(10) + end,
        w + blocks(10) + end}},
      // Spaces: one module row per line, two spaces per module, ASCII only.
      {{2, {true, false, false, true}},
       QrGlyphs::kSpaces,
       {white + spaces(10) + end, white + spaces(10) + end, white + spaces(10) + end,
        white + spaces(10) + end, white + spaces(4) + black + spaces(1) + white + spaces(5) + end,
        white + spaces(5) + black + spaces(1) + white + spaces(4) + end, white + spaces(10) + end,
        white + spaces(10) + end, white + spaces(10) + end, white + spaces(10) + end}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code.size);
    EXPECT_EQ(c.expected, TerminalQrLines(c.code, c.glyphs));
  }
}

TEST(StartReportTest, NamesTheAddressesAndDrawsTheCodeOnlyForATerminal) {
  const AdapterAddresses none;
  const AdapterAddresses three = {
      {{"192.168.1.5", "Wi-Fi"}, {"10.0.0.7", "eth0"}, {"172.20.0.1", "vEthernet"}}, "10.0.0.7"};
  const std::string here = "OrvaneServer serving /srv/site";
  const std::string open = "Open http://127.0.0.1:8080/ here, or http://10.0.0.7:8080/ ";
  const std::string also1 = "Also http://192.168.1.5:8080/ (Wi-Fi)";
  const std::string also2 = "Also http://172.20.0.1:8080/ (vEthernet)";
  enum Code { kNoCode, kHalfBlockCode, kAsciiCode };
  const struct {
    const AdapterAddresses& lan;
    OutputKind output;
    std::vector<std::string> text;  // the lines that are not the code
    Code code;
    std::string access_code = "";
  } cases[] = {
      {three,
       OutputKind::kNotATerminal,
       {here, open + "from other machines. Ctrl-C stops."},
       kNoCode},
      // The other addresses follow the code, without the chosen one.
      {three,
       OutputKind::kUtf8Terminal,
       {here, open + "from other machines. Ctrl-C stops.", also1, also2},
       kHalfBlockCode},
      {three,
       OutputKind::kOtherTerminal,
       {here, open + "from other machines. Ctrl-C stops.", also1, also2},
       kAsciiCode},
      // No usable address: other machines are told nothing they cannot use.
      {none,
       OutputKind::kUtf8Terminal,
       {here,
        "Open http://127.0.0.1:8080/ here; other machines cannot reach it (no address of this "
        "machine is usable by them). Ctrl-C stops."},
       kNoCode},
      // Every address carries the access code, this machine's too.
      {three,
       OutputKind::kNotATerminal,
       {here,
        "Open http://127.0.0.1:8080/?code=K7K7 here, or http://10.0.0.7:8080/?code=K7K7 from other "
        "machines. Ctrl-C stops.",
        "Access code K7K7: only visitors who bring it (it is in these addresses) get in."},
       kNoCode,
       "K7K7"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.output));
    ServingOptions options;
    options.code = c.access_code;
    const std::string report = StartReport("/srv/site", c.lan, 8080, c.output, options);
    ASSERT_FALSE(report.empty());
    EXPECT_EQ('\n', report.back());
    std::vector<std::string> text;
    int code_lines = 0;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("\x1b[", 0) == 0) {
        ++code_lines;
      } else {
        text.push_back(line);
      }
    }
    EXPECT_EQ(c.text, text);
    EXPECT_EQ(c.code != kNoCode, code_lines > 0);
    EXPECT_EQ(c.code == kHalfBlockCode, report.find("\xE2\x96\x80") != std::string::npos);
    const bool ascii = std::all_of(report.begin(), report.end(),
                                   [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
    EXPECT_EQ(c.code != kHalfBlockCode, ascii);
  }
}

}  // namespace
}  // namespace orvane
