#include "front/settings_file.h"

#include <algorithm>
#include <optional>

#include "front/option_table.h"
#include "http/core/text_rules.h"
#include "http/core/url_decode.h"

namespace orvane {
namespace {

constexpr std::string_view kSection = "OrvaneServer";
constexpr std::string_view kPortKey = "port";
constexpr std::string_view kFolderKey = "folder";
constexpr std::string_view kUploadFolderKey = "upload_folder";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::int16_t kHighestPort = 32767;  // the server reads ports as 16 signed bits

// clang-format off
constexpr std::string_view kProblemsHead = "\xBC\xC7\xD7\xA1\xB5\xC4\xC9\xE8\xD6\xC3\xA3\xA8";  // 记住的设置（
// ）中有些内容无法使用，已改用默认值：
constexpr std::string_view kProblemsMiddle =
    "\xA3\xA9\xD6\xD0\xD3\xD0\xD0\xA9\xC4\xDA\xC8\xDD\xCE\xDE\xB7\xA8\xCA\xB9\xD3\xC3"
    "\xA3\xAC\xD2\xD1\xB8\xC4\xD3\xC3\xC4\xAC\xC8\xCF\xD6\xB5\xA3\xBA";
constexpr std::string_view kLinesNotUnderstood = " \xD0\xD0\xCE\xDE\xB7\xA8\xCA\xB6\xB1\xF0";  // 行无法识别
constexpr std::string_view kSeparator = "\xA3\xBB";  // ；
constexpr std::string_view kFullStop = "\xA1\xA3";   // 。
// clang-format on

std::string_view FaultWords(SettingsFault fault) {
  switch (fault) {
    case SettingsFault::kTooLarge:  // 文件太大，只读了开头 256 KB
      return "\xCE\xC4\xBC\xFE\xCC\xAB\xB4\xF3\xA3\xAC\xD6\xBB\xB6\xC1\xC1\xCB\xBF\xAA\xCD\xB7"
             " 256 KB";
    case SettingsFault::kNotUtf8:  // 不是 UTF-8 文本
      return "\xB2\xBB\xCA\xC7 UTF-8 \xCE\xC4\xB1\xBE";
    case SettingsFault::kWrongType:  // 值的类型不对
      return "\xD6\xB5\xB5\xC4\xC0\xE0\xD0\xCD\xB2\xBB\xB6\xD4";
    case SettingsFault::kOutOfRange:  // 端口不在 1 到 32767 之间
      return "\xB6\xCB\xBF\xDA\xB2\xBB\xD4\xDA 1 \xB5\xBD 32767 \xD6\xAE\xBC\xE4";
    case SettingsFault::kNoSuchFolder:  // 文件夹不存在
      return "\xCE\xC4\xBC\xFE\xBC\xD0\xB2\xBB\xB4\xE6\xD4\xDA";
    case SettingsFault::kRepeated:  // 重复，只用了第一个
      return "\xD6\xD8\xB8\xB4\xA3\xAC\xD6\xBB\xD3\xC3\xC1\xCB\xB5\xDA\xD2\xBB\xB8\xF6";
  }
  return {};
}

// Spaces and tabs at both ends.
std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsUtf8(std::string_view text) {
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
  return ascii || IsNonAsciiUtf8(text);
}

bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char ch) { return static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F; });
}

// Fills `reading` one line at a time; a value that is not sound is named
// and leaves its setting as it was.
class Reader {
 public:
  Reader(SettingsReading& reading, FolderExists exists) : reading_(reading), exists_(exists) {}

  void Line(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() == ';' || line.front() == '#') return;
    if (line.front() == '[') {
      in_section_ = line.back() == ']' &&
                    EqualsIgnoreAsciiCase(Trim(line.substr(1, line.size() - 2)), kSection);
      return;
    }
    const std::size_t equals = line.find('=');
    if (!in_section_ || equals == std::string_view::npos || !Known(Trim(line.substr(0, equals)))) {
      ++reading_.lines_not_understood;
      return;
    }
    Value(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
  }

  // The serving switches, through the table's one rule between options.
  void Finish() {
    ServingOptions& options = reading_.settings.options;
    for (std::size_t row = 0; row < kOptionCount; ++row) {
      if (kOptionRows[row].field != nullptr) options = WithOption(options, row, switches_[row]);
    }
  }

 private:
  static bool Known(std::string_view key) {
    return EqualsIgnoreAsciiCase(key, kPortKey) || EqualsIgnoreAsciiCase(key, kFolderKey) ||
           EqualsIgnoreAsciiCase(key, kUploadFolderKey) || SwitchRow(key) < kOptionCount;
  }

  static std::size_t SwitchRow(std::string_view key) {
    for (std::size_t row = 0; row < kOptionCount; ++row) {
      if (kOptionRows[row].field != nullptr && EqualsIgnoreAsciiCase(key, kOptionRows[row].name)) {
        return row;
      }
    }
    return kOptionCount;
  }

  void Value(std::string_view key, std::string_view value) {
    std::string name(key);
    std::transform(name.begin(), name.end(), name.begin(), AsciiLower);
    if (std::find(seen_.begin(), seen_.end(), name) != seen_.end()) {
      Problem(name, SettingsFault::kRepeated);
      return;
    }
    seen_.push_back(name);
    RememberedSettings& settings = reading_.settings;
    if (name == kPortKey) {
      if (const std::optional<std::int16_t> port = Port(name, value)) settings.port = *port;
    } else if (name == kFolderKey) {
      if (Folder(name, value)) settings.site_folder = value;
    } else if (name == kUploadFolderKey) {
      if (Folder(name, value)) settings.options.upload_folder = value;
    } else if (value == "0" || value == "1") {
      switches_[SwitchRow(name)] = value == "1";
    } else {
      Problem(name, SettingsFault::kWrongType);
    }
  }

  std::optional<std::int16_t> Port(const std::string& key, std::string_view value) {
    if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos) {
      Problem(key, SettingsFault::kWrongType);
      return std::nullopt;
    }
    value = value.substr(std::min(value.find_first_not_of('0'), value.size()));
    int port = 0;
    for (const char digit : value.substr(0, 6)) port = port * 10 + (digit - '0');
    if (port < 1 || port > kHighestPort || value.size() > 5) {
      Problem(key, SettingsFault::kOutOfRange);
      return std::nullopt;
    }
    return static_cast<std::int16_t>(port);
  }

  bool Folder(const std::string& key, std::string_view value) {
    if (!IsUtf8(value)) {
      Problem(key, SettingsFault::kNotUtf8);
    } else if (HasControl(value)) {
      Problem(key, SettingsFault::kWrongType);
    } else if (value.empty() || !exists_(std::string(value))) {
      Problem(key, SettingsFault::kNoSuchFolder);
    } else {
      return true;
    }
    return false;
  }

  // One problem of each kind per key, however often the file repeats it.
  void Problem(const std::string& key, SettingsFault fault) {
    const SettingsProblem problem{key, fault};
    std::vector<SettingsProblem>& problems = reading_.problems;
    if (std::find(problems.begin(), problems.end(), problem) == problems.end()) {
      problems.push_back(problem);
    }
  }

  SettingsReading& reading_;
  const FolderExists exists_;
  bool in_section_ = true;  // keys before any section are ours too
  std::vector<std::string> seen_;
  bool switches_[kOptionCount] = {};
};

}  // namespace

SettingsReading ReadSettingsFile(std::string_view bytes, FolderExists exists) {
  SettingsReading reading;
  if (bytes.size() > kMostSettingsBytes) {
    reading.problems.push_back({"", SettingsFault::kTooLarge});
    // The last line was cut short: only whole lines are read.
    bytes = bytes.substr(0, kMostSettingsBytes);
    bytes = bytes.substr(0, bytes.find_last_of("\r\n") + 1);
  }
  if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) bytes.remove_prefix(kUtf8Mark.size());
  // Notepad's "Unicode": every other byte is zero, no line would be read.
  if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
    reading.problems.push_back({"", SettingsFault::kNotUtf8});
    return reading;
  }
  Reader reader(reading, exists);
  while (!bytes.empty()) {
    const std::size_t end = std::min(bytes.find_first_of("\r\n"), bytes.size());
    reader.Line(bytes.substr(0, end));
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
  }
  reader.Finish();
  return reading;
}

std::string SettingsFileText(const RememberedSettings& settings) {
  std::string text(kUtf8Mark);
  text +=
      "; OrvaneServer: the settings its Options menu remembers. Deleting this file forgets "
      "them.\r\n";
  text.append("[").append(kSection).append("]\r\n");
  text.append(kPortKey).append("=").append(DecimalText(settings.port)).append("\r\n");
  const auto folder = [&text](std::string_view key, const std::string& path) {
    if (path.empty() || path.find_first_of("\r\n") != std::string::npos) return;
    text.append(key).append("=").append(path).append("\r\n");
  };
  folder(kFolderKey, settings.site_folder);
  for (const OptionRow& row : kOptionRows) {
    if (row.field == nullptr) continue;
    text.append(row.name).append(settings.options.*(row.field) ? "=1\r\n" : "=0\r\n");
  }
  folder(kUploadFolderKey, settings.options.upload_folder);
  return text;
}

std::string SettingsProblemsLine(const SettingsReading& reading, std::string_view gbk_path) {
  if (reading.problems.empty() && reading.lines_not_understood == 0) return {};
  std::string line(kProblemsHead);
  line.append(gbk_path).append(kProblemsMiddle);
  bool first = true;
  for (const SettingsProblem& problem : reading.problems) {
    if (!first) line.append(kSeparator);
    first = false;
    if (!problem.key.empty()) line.append(problem.key).append(" ");
    line.append(FaultWords(problem.fault));
  }
  if (reading.lines_not_understood > 0) {
    if (!first) line.append(kSeparator);
    line.append(UnsignedDecimalText(reading.lines_not_understood)).append(kLinesNotUnderstood);
  }
  line.append(kFullStop).append("\r\n");
  return line;
}

}  // namespace orvane
