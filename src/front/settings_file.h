// The remembered settings as a file's bytes and back: the port, the site
// folder, the serving options and the upload folder, as an INI text in UTF-8
// that Notepad shows. Reading takes bytes that may be anything (damaged,
// hostile, huge) and keeps what is sound; the rest falls back to the defaults
// and is named. Pure: whether a folder exists is asked of a function passed
// in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "http/core/serving_options.h"
#include "http/core/settings.h"

namespace orvane {

struct RememberedSettings {
  std::int16_t port = kDefaultPort;
  std::string site_folder;  // UTF-8, as the folder box had it; empty: none
  // The switches of the options table's serving rows and the upload folder;
  // the access code is never kept (a start with it on makes a new one).
  ServingOptions options;
};

// No more than this much of a file is read: two folders of the longest
// length Windows allows fit in it many times over.
inline constexpr std::size_t kMostSettingsBytes = 256 * 1024;

enum class SettingsFault {
  kTooLarge,      // the file: longer than kMostSettingsBytes, the rest unread
  kNotUtf8,       // the file (UTF-16) or a folder: not UTF-8 text
  kWrongType,     // not a number, not 0 or 1, a folder with control characters
  kOutOfRange,    // a port of 0 or past 32767
  kNoSuchFolder,  // a folder that is not there (any more)
  kRepeated,      // a key given again: the first one counts
};

struct SettingsProblem {
  std::string key;  // as the file names it ("port"); empty for the whole file
  SettingsFault fault;
  friend bool operator==(const SettingsProblem& a, const SettingsProblem& b) {
    return a.key == b.key && a.fault == b.fault;
  }
};

struct SettingsReading {
  RememberedSettings settings;            // what was sound, the defaults for the rest
  std::vector<SettingsProblem> problems;  // in the file's order, one per key and fault
  std::size_t lines_not_understood = 0;   // no key of ours, no "=", another section
};

// True when the UTF-8 path names a folder that exists.
using FolderExists = bool (*)(const std::string& utf8_path);

// Reads at most kMostSettingsBytes of `bytes`: lines end in CR, LF or CRLF,
// a UTF-8 byte order mark is skipped, keys are matched in any ASCII case,
// blanks around keys and values are dropped, and lines starting with ";" or
// "#" are comments. A key missing from the file keeps its default silently.
[[nodiscard]] SettingsReading ReadSettingsFile(std::string_view bytes, FolderExists exists);

// The file's whole text: a byte order mark (so that Notepad reads it as
// UTF-8), a comment, the section and one "key=value" line per setting, with
// CRLF. An empty folder is left out, and so is one holding a line break (no
// folder has one).
[[nodiscard]] std::string SettingsFileText(const RememberedSettings& settings);

// The connection log's line (GBK, ending in CRLF) that says what of the file
// at `gbk_path` was not used; empty when everything was.
[[nodiscard]] std::string SettingsProblemsLine(const SettingsReading& reading,
                                               std::string_view gbk_path);

}  // namespace orvane
