// The window's pure rules: typed-character filter, arrow steps, the log
// boxes' size, the tray fallback, the frame's DPI, and the options table's
// command lines. Runs natively and under Wine alike.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/rules/frame_dpi.h"
#include "ui/rules/log_cap.h"
#include "front/operator_messages.h"
#include "front/option_table.h"
#include "ui/rules/port_entry.h"
#include "ui/rules/tray_fallback.h"
#include "support/gbk_texts.h"

namespace orvane::ui {
namespace {

TEST(PortEntryTest, TypedCharacterFilterKeepsControlsDigitsAndMinus) {
  for (char32_t ch :
       {U'\b', U'\x01', U'\x03', U'\x16', U'\x18', U'\x1A', U'\x1F', U'0', U'5', U'9', U'-'}) {
    EXPECT_TRUE(IsAcceptedPortChar(ch)) << static_cast<unsigned>(ch);
  }
  for (char32_t ch : {U' ', U'+', U'.', U'a', U'Z', U'/', U':', U'\x7F',
                      U'\xFF10' /* full-width 0 */, U'\x4E00'}) {
    EXPECT_FALSE(IsAcceptedPortChar(ch)) << static_cast<unsigned>(ch);
  }
}

TEST(PortEntryTest, LeadingIntegerReadsSignAndLeadingDigits) {
  // clang-format off
  const struct {
    const char* text;
    std::int64_t expected;
  } cases[] = {
      {"", 0},         {"abc", 0},       {"-", 0},        {"+", 0},         {"80", 80},
      {"  42", 42},    {"\t\n7", 7},     {"-5", -5},      {"+12", 12},      {"12ab3", 12},
      {"8080.9", 8080}, {"--3", 0},      {"- 3", 0},      {"007", 7},       {"12 34", 12},
      {"99999999999999999999999", 999999999999999999},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.expected, LeadingInteger(c.text));
  }
}

TEST(PortEntryTest, ArrowStepsWrapOutsideTheRange) {
  // clang-format off
  const struct {
    const char* text;
    ArrowDirection direction;
    std::int64_t expected;
  } cases[] = {
      {"80", ArrowDirection::kUp, 81},          {"80", ArrowDirection::kDown, 79},
      {"10000", ArrowDirection::kUp, 0},        {"0", ArrowDirection::kDown, 10000},
      {"9999", ArrowDirection::kUp, 10000},     {"1", ArrowDirection::kDown, 0},
      {"abc", ArrowDirection::kUp, 1},          {"abc", ArrowDirection::kDown, 10000},
      {"", ArrowDirection::kUp, 1},             {"-5", ArrowDirection::kUp, 0},
      {"20000", ArrowDirection::kDown, 10000},  {"20000", ArrowDirection::kUp, 0},
      {"-1", ArrowDirection::kUp, 0},           {"10001", ArrowDirection::kDown, 10000},
      {" 42x", ArrowDirection::kUp, 43},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + (c.direction == ArrowDirection::kUp ? " up" : " down"));
    EXPECT_EQ(c.expected, ArrowStep(c.text, c.direction));
  }
}

struct DropCase {
  std::string current;
  std::size_t incoming;
  std::size_t cap;
  std::size_t expected;
};

TEST(LogCapTest, DropsWholeOldLinesToStayUnderTheCap) {
  // clang-format off
  const DropCase cases[] = {
      {"ab\ncd\n", 2, 8, 0},   // fits exactly
      {"ab\ncd\n", 0, 6, 0},
      {"ab\ncd\n", 3, 8, 3},   // one byte over: the first line goes
      {"ab\ncd\n", 5, 8, 3},
      {"ab\ncd\n", 6, 8, 6},   // both lines go
      {"ab\ncd\nef", 6, 8, 6},
      {"abc", 1, 3, 3},        // no line end: everything goes
      {"ab\ncd\n", 8, 8, 6},   // the new text alone fills the cap
      {"ab\ncd\n", 20, 8, 6},
      {"", 20, 8, 0},
      {"\n\n\n\n", 2, 4, 2},
  };
  // clang-format on
  for (const DropCase& c : cases) {
    SCOPED_TRACE(c.current + " +" + std::to_string(c.incoming) + " cap " + std::to_string(c.cap));
    EXPECT_EQ(c.expected, BytesToDropForCap(c.current, c.incoming, c.cap));
  }
}

TEST(TrayFallbackTest, ShowsTheHiddenWindowAfterThreeRefusalsInARow) {
  // Each event: 'h' a refusal while hidden, 'v' a refusal while visible,
  // 'a' the icon taken. The expected text marks the refusals that show.
  // clang-format off
  const struct {
    const char* events;
    const char* shows;
  } cases[] = {
      {"hh", "--"},           {"hhh", "--s"},        {"hhhhhh", "--s--s"},
      {"hhahh", "-- --"},     {"hhvhh", "-----"},    {"hhvhhh", "-----s"},
      {"vvvv", "----"},       {"ahhh", " --s"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.events);
    TrayFallback fallback;
    std::string shows;
    for (const char* e = c.events; *e != '\0'; ++e) {
      if (*e == 'a') {
        fallback.Accepted();
        shows += ' ';
      } else {
        shows += fallback.Refused(*e == 'h') ? 's' : '-';
      }
    }
    EXPECT_EQ(c.shows, shows);
  }
}

TEST(FrameDpiTest, OnlyPerMonitorV2DrawsTheFrameAtTheWindowsDpi) {
  // clang-format off
  const struct {
    DpiAwareness awareness;
    int window_dpi;
    int system_dpi;
    int expected;
  } cases[] = {
      {DpiAwareness::kPerMonitorV2, 144, 96, 144}, {DpiAwareness::kPerMonitorV2, 96, 144, 96},
      {DpiAwareness::kPerMonitorV1, 144, 96, 96},  {DpiAwareness::kPerMonitorV1, 96, 144, 144},
      {DpiAwareness::kSystem, 120, 120, 120},      {DpiAwareness::kUnaware, 96, 96, 96},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.awareness)) + " window " +
                 std::to_string(c.window_dpi) + " system " + std::to_string(c.system_dpi));
    EXPECT_EQ(c.expected, FrameDpiFor(c.awareness, c.window_dpi, c.system_dpi));
  }
}

// Each case: the words, and what they give as "L" (list_folders), "T"
// (common_types), "C" (access_code), "U=" and its folder (uploads) and the
// positional words after "|", or "wrong".
TEST(OptionTableTest, OneParserReadsTheWindowsAndTheHeadlessCommandLines) {
  constexpr SwitchStyle kWin = SwitchStyle::kWindows;
  constexpr SwitchStyle kCli = SwitchStyle::kHeadless;
  const struct {
    SwitchStyle style;
    std::vector<std::string> words;
    const char* expected;
  } cases[] = {
      {kWin, {}, "|"},
      {kWin, {"/list"}, "L|"},
      {kWin, {"/LIST"}, "L|"},
      {kWin, {"/Types", "/lIsT"}, "LT|"},
      {kWin, {"/CODE", "/list"}, "LC|"},
      // Uploads bring the code; the window chooses their folder itself.
      {kWin, {"/upload", "C:\\in"}, "CU=|"},
      {kWin, {"C:\\site", "/types", "8080", "a", "b"}, "T|"},
      // Near misses are other words, ignored like any other.
      {kWin, {"list", "-list", "--list", "/lists", "/list:1", "/ list", "//list", "/typ"}, "|"},
      {kWin, {"/list types", "-h", "--help"}, "|"},
      // The window's own row (记住这些设置) has no switch, not even an empty one.
      {kWin, {"/", "//", "/remember"}, "|"},
      // Only ASCII letters fold: neither the dotless nor the dotted Turkish I is an i.
      {kWin, {"/l\xC4\xB1st", "/L\xC4\xB0ST"}, "|"},
      {kCli, {}, "|"},
      {kCli, {"--list"}, "L|"},
      {kCli, {"site", "--types", "9000", "--list"}, "LT|site 9000"},
      {kCli, {"--list", "--list", "-x"}, "L|-x"},
      {kCli, {"--code", "site"}, "C|site"},
      {kCli, {"--upload", "in", "site", "80"}, "CU=in|site 80"},
      {kCli, {"site", "--upload", "--list"}, "CU=--list|site"},
      {kCli, {"site", "--upload"}, "wrong"},
      // A Windows switch is a folder's path here.
      {kCli, {"/list"}, "|/list"},
      {kCli, {"--LIST"}, "wrong"},
      {kCli, {"--help"}, "wrong"},
      {kCli, {"-h"}, "wrong"},
      {kCli, {"--list=1"}, "wrong"},
      {kCli, {"--"}, "wrong"},
      {kCli, {"site", "8080", "extra"}, "wrong"},
  };
  for (const auto& c : cases) {
    std::string words;
    for (const std::string& word : c.words) words += word + " ";
    SCOPED_TRACE((c.style == kWin ? "windows: " : "headless: ") + words);
    const std::optional<CommandLine> line = ParseCommandLine(c.words, c.style);
    std::string got = "wrong";
    if (line) {
      got = std::string(line->options.list_folders ? "L" : "") +
            (line->options.common_types ? "T" : "") + (line->options.access_code ? "C" : "") +
            (line->options.uploads ? "U=" + line->options.upload_folder : "") + "|";
      for (const std::string& word : line->positional) {
        got += (got.back() == '|' ? "" : " ") + word;
      }
    }
    EXPECT_EQ(c.expected, got);
  }
}

TEST(OptionTableTest, UploadsKeepTheAccessCodeOn) {
  const std::size_t code = OptionRowNamed("code");
  const std::size_t upload = OptionRowNamed("upload");
  // The window's own choice is no serving option: switching it changes none.
  const std::size_t remember = OptionRowOf(&WindowChoices::remember);
  ServingOptions options;
  // Each step switches one row; then the code and uploads as they stand.
  const struct {
    std::size_t row;
    bool on;
    bool code_on, uploads_on;
  } steps[] = {{upload, true, true, true},   {code, false, true, true},
               {upload, false, true, false}, {code, false, false, false},
               {code, true, true, false},    {remember, false, true, false}};
  for (const auto& step : steps) {
    options = WithOption(options, step.row, step.on);
    EXPECT_EQ(step.code_on, options.access_code);
    EXPECT_EQ(step.uploads_on, options.uploads);
  }
}

TEST(OptionTableTest, TheHeadlessUsageListsEverySwitchInOneColumn) {
  EXPECT_EQ(
      "usage: orvane-headless [--list] [--types] [--code] [--upload DIR] [FOLDER] [PORT]\n"
      "  --list        a folder without index.htm shows its files\n"
      "  --types       the content types phones and browsers open in place\n"
      "  --code        only visitors with the access code (in the printed address) get in\n"
      "  --upload DIR  visitors with the code may send files to DIR (--code comes with it)\n",
      HeadlessUsage("orvane-headless"));
}

TEST(OperatorMessagesTest, WordsEachFailedStartInItsBox) {
  const struct {
    StartResult result;
    std::string text;
    InfoBoxKind kind;
  } cases[] = {
      // 系统出问题,不能创建网络套接字!
      {{StartOutcome::kSocketFailed, 80},
       "\xCF\xB5\xCD\xB3\xB3\xF6\xCE\xCA\xCC\xE2,\xB2\xBB\xC4\xDC\xB4\xB4\xBD\xA8\xCD\xF8"
       "\xC2\xE7\xCC\xD7\xBD\xD3\xD7\xD6!",
       InfoBoxKind::kError},
      {{StartOutcome::kBindFailed, 8080}, testing::CannotBindText(8080), InfoBoxKind::kWarning},
      {{StartOutcome::kBindFailed, 1}, testing::CannotBindText(1), InfoBoxKind::kWarning},
      // 服务器不能启动!
      {{StartOutcome::kNoFirstWorker, 80},
       "\xB7\xFE\xCE\xF1\xC6\xF7\xB2\xBB\xC4\xDC\xC6\xF4\xB6\xAF!",
       InfoBoxKind::kError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.result.outcome));
    const std::optional<InfoBoxText> box = StartFailureBox(c.result);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(c.text, box->text);
    EXPECT_EQ(c.kind, box->kind);
  }
  EXPECT_FALSE(StartFailureBox({StartOutcome::kStarted, 80}).has_value());
}

}  // namespace
}  // namespace orvane::ui
