// 选项→记住这些设置: the remembered settings' file, OrvaneServer.ini beside
// the program, or in %APPDATA%\OrvaneServer when the program's folder cannot
// be written. Read at the start when it is there (which is what turns
// remembering on), written whole or not at all (a temporary file in the same
// folder, then MoveFileExW over the old one) while remembering is on, and
// deleted when it is switched off. With remembering off nothing is written
// anywhere. Window thread only.
#pragma once

#include <optional>
#include <string>

#include "front/settings_file.h"

namespace orvane::ui {

class SettingsKeeper {
 public:
  // `program_folder` without a trailing backslash.
  explicit SettingsKeeper(std::wstring program_folder);

  struct Loaded {
    RememberedSettings settings;
    std::string log_line;  // GBK: what fell back to the defaults; empty when nothing did
  };
  // At the start: the settings of the file (the newer one, should both
  // places hold one), read no further than kMostSettingsBytes; none when
  // there is no file. Remembering is on from here when there is one.
  [[nodiscard]] std::optional<Loaded> Load();

  // After the operator changed something (or remembering): with `remember`
  // on, `now` is written unless the file holds it already; off, the file is
  // deleted if remembering was on. The connection log's line for it (where
  // the file is, that it is gone, that it could not be written), or empty.
  [[nodiscard]] std::string Follow(bool remember, const RememberedSettings& now);

 private:
  // Writes `text` beside the program, else in the roaming folder; the path
  // written, or empty with the error of the last try in `error`.
  std::wstring WriteSomewhere(const std::string& text, unsigned long& error);
  void DeleteFiles();

  const std::wstring beside_;          // <program folder>\OrvaneServer.ini
  const std::wstring roaming_folder_;  // %APPDATA%\OrvaneServer; empty when there is none
  bool remembering_ = false;
  std::string held_;     // what the file holds: the text written or read last
  bool failed_ = false;  // the last write failed (said once, not at every change)
};

}  // namespace orvane::ui
