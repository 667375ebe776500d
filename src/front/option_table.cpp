#include "front/option_table.h"

#include <algorithm>
#include <utility>

namespace orvane {
namespace {

// Only the ASCII letters fold: a switch is plain ASCII, and folding other
// letters would depend on the locale.
char FoldAscii(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }

bool SameLetters(std::string_view word, std::string_view name) {
  return word.size() == name.size() &&
         std::equal(word.begin(), word.end(), name.begin(),
                    [](char a, char b) { return FoldAscii(a) == FoldAscii(b); });
}

// The row whose switch `word` is in `style`; kOptionCount when it is none.
std::size_t SwitchRow(std::string_view word, SwitchStyle style) {
  const std::string_view prefix = style == SwitchStyle::kWindows ? "/" : "--";
  if (word.substr(0, prefix.size()) != prefix) return kOptionCount;
  word.remove_prefix(prefix.size());
  for (std::size_t row = 0; row < kOptionCount; ++row) {
    if (kOptionRows[row].field == nullptr) continue;  // the window's own: no switch
    const std::string_view name = kOptionRows[row].name;
    if (style == SwitchStyle::kWindows ? SameLetters(word, name) : word == name) return row;
  }
  return kOptionCount;
}

}  // namespace

ServingOptions WithOption(ServingOptions options, std::size_t row, bool on) {
  // A row of the window's own choices sets no serving option.
  if (row >= kOptionCount || kOptionRows[row].field == nullptr) return options;
  options.*(kOptionRows[row].field) = on;
  return WithOptionRules(std::move(options));
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& words,
                                            SwitchStyle style) {
  CommandLine line;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    const std::size_t row = SwitchRow(word, style);
    if (row < kOptionCount) {
      line.options = WithOption(line.options, row, true);
      const OptionRow& option = kOptionRows[row];
      if (style == SwitchStyle::kHeadless && option.value != nullptr) {
        if (i + 1 == words.size()) return std::nullopt;  // its word is missing
        line.options.*(option.value) = words[++i];
      }
    } else if (style == SwitchStyle::kHeadless) {
      // -h, --help and any switch of no row.
      if (word == "-h" || word.rfind("--", 0) == 0) return std::nullopt;
      line.positional.push_back(word);
    }
  }
  if (line.positional.size() > 2) return std::nullopt;
  return line;
}

std::string HeadlessUsage(std::string_view program) {
  std::string text = "usage: " + std::string(program);
  std::size_t width = 0;
  const auto written = [](const OptionRow& row) {
    return std::string(row.name) + (row.value ? " " + std::string(row.value_name) : "");
  };
  for (const OptionRow& row : kOptionRows) {
    if (row.field == nullptr) continue;
    text.append(" [--").append(written(row)).append("]");
    width = std::max(width, written(row).size());
  }
  text += " [FOLDER] [PORT]\n";
  for (const OptionRow& row : kOptionRows) {
    if (row.field == nullptr) continue;
    text.append("  --").append(written(row)).append(width - written(row).size() + 2, ' ');
    text.append(row.usage).append("\n");
  }
  return text;
}

}  // namespace orvane
