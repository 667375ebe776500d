// What the operator switches on beside the design, and the one rule between
// the options.
#pragma once

#include <string>

namespace orvane {

// Each off by default: with all off every answer is byte for byte the
// design's. Read once per request, so a change applies from the next one.
struct ServingOptions {
  bool list_folders = false;  // a folder path answers with its index.htm or its listing page
  bool common_types = false;  // the common content types, and byte ranges for every file
  bool access_code = false;   // only a visitor with the access code (or its cookie) is served
  // The access code while it is required (the server makes it).
  std::string code;
  // Files sent from a browser's form are stored in `upload_folder` (UTF-8);
  // uploads need the access code, so they keep it on.
  bool uploads = false;
  std::string upload_folder;
};

// `options` as they may stand: uploads need the access code, so with uploads
// on the code is on too (switching it off then changes nothing). Every
// change of the options passes through here: the options menu, both command
// lines and the server itself.
[[nodiscard]] inline ServingOptions WithOptionRules(ServingOptions options) {
  if (options.uploads) options.access_code = true;
  return options;
}

}  // namespace orvane
