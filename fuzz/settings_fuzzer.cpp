// libFuzzer target: any bytes as the remembered settings' file. Whatever it
// holds, the settings read are sound (a port the server takes, folders of
// UTF-8 without controls, the uploads keeping the code on), and writing
// them and reading that back gives the same file: nothing sound is lost or
// changed on the way.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "front/settings_file.h"

namespace orvane {
namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

// Folders whose name has an even length are there.
bool EvenExists(const std::string& path) { return path.size() % 2 == 0; }
bool AllExist(const std::string&) { return true; }

bool NoControls(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

}  // namespace
}  // namespace orvane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvane;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const SettingsReading reading = ReadSettingsFile(bytes, EvenExists);
  const RememberedSettings& settings = reading.settings;
  Check(settings.port >= 1, "a port below 1");
  Check(!settings.options.uploads || settings.options.access_code, "uploads without the code");
  Check(settings.options.code.empty(), "an access code read");
  Check(NoControls(settings.site_folder) && NoControls(settings.options.upload_folder),
        "a folder with a control character");
  Check(settings.site_folder.empty() || EvenExists(settings.site_folder), "a folder not there");
  (void)SettingsProblemsLine(reading, "C:\\OrvaneServer.ini");

  const std::string text = SettingsFileText(settings);
  const SettingsReading again = ReadSettingsFile(text, AllExist);
  Check(again.problems.empty() && again.lines_not_understood == 0, "the written file has faults");
  Check(SettingsFileText(again.settings) == text, "a value changed on its way back");
  return 0;
}
