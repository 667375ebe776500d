// The serving options as one table. Each row names an option once: the
// field of ServingOptions it sets, its item in the window's options menu, its
// command-line switch and its line of the headless usage text. The options
// menu with its check marks, both command lines (one parser) and the usage
// text are drawn from it, so a new option is one row here plus its
// behaviour. Pure, so it is built and tested on every system.
#pragma once

#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/core/serving_options.h"

namespace orvane {

struct OptionRow {
  bool ServingOptions::*field;  // on or off
  std::string_view caption;     // the options menu's item, GBK, with its mnemonic
  std::string_view name;        // "/name" on the Windows command line, "--name" headless
  std::string_view usage;       // what the switch does, for the headless usage text
  // A headless switch that takes the word after it ("--upload DIR"): the
  // field it fills and the word's name in the usage text. The Windows
  // switch takes none (the window has its own way to choose).
  std::string ServingOptions::*value = nullptr;
  std::string_view value_name = {};
};

// clang-format off
inline constexpr OptionRow kOptionRows[] = {
    {&ServingOptions::list_folders,
     "\xC1\xD0\xB3\xF6\xCE\xC4\xBC\xFE\xBC\xD0\xC4\xDA\xC8\xDD(&L)",  // 列出文件夹内容(&L)
     "list", "a folder without index.htm shows its files"},
    {&ServingOptions::common_types,
     "\xB3\xA3\xBC\xFB\xCE\xC4\xBC\xFE\xC0\xE0\xD0\xCD(&T)",          // 常见文件类型(&T)
     "types", "the content types phones and browsers open in place"},
    {&ServingOptions::access_code,
     "\xD0\xE8\xD2\xAA\xB7\xC3\xCE\xCA\xC2\xEB(&A)",                      // 需要访问码(&A)
     "code", "only visitors with the access code (in the printed address) get in"},
    {&ServingOptions::uploads,
     "\xD4\xCA\xD0\xED\xC9\xCF\xB4\xAB(&U)",                                  // 允许上传(&U)
     "upload", "visitors with the code may send files to DIR (--code comes with it)",
     &ServingOptions::upload_folder, "DIR"},
};
// clang-format on
inline constexpr std::size_t kOptionCount = std::size(kOptionRows);

// The row whose switch is `name` ("list"); kOptionCount when none is.
constexpr std::size_t OptionRowNamed(std::string_view name) {
  for (std::size_t row = 0; row < kOptionCount; ++row) {
    if (kOptionRows[row].name == name) return row;
  }
  return kOptionCount;
}

// `options` with the option of `row` switched on or off, as the rule between
// options (WithOptionRules) lets them stand: the code cannot be switched off
// while uploads are on. Every switch of the menu and the command lines goes
// through here.
[[nodiscard]] ServingOptions WithOption(ServingOptions options, std::size_t row, bool on);

enum class SwitchStyle {
  // The Windows program: "/name" in any case of the ASCII letters; every
  // other word is ignored, so a shortcut's other words do no harm.
  kWindows,
  // The headless server: "--name" as the table writes it; any other word
  // starting with "--", and "-h", make the line wrong; other words are
  // positional (FOLDER PORT), at most two.
  kHeadless,
};

struct CommandLine {
  ServingOptions options;               // off unless a switch turned it on
  std::vector<std::string> positional;  // headless only: the other words, in order
};

// The command line's words, without the program's own name (UTF-8 on
// Windows too: only ASCII letters are compared). None when the line is
// wrong, which only a headless line can be.
[[nodiscard]] std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& words,
                                                          SwitchStyle style);

// The headless usage text: "usage: PROGRAM [--list] [--types] [FOLDER]
// [PORT]", then one line per switch, the texts in one column.
[[nodiscard]] std::string HeadlessUsage(std::string_view program);

}  // namespace orvane
