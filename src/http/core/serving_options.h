// What the operator switches on beside the design.
#pragma once

namespace orvane {

// Each off by default: with both off every answer is byte for byte the
// design's. Read once per request, so a change applies from the next one.
struct ServingOptions {
  bool list_folders = false;  // a folder path answers with its index.htm or its listing page
  bool common_types = false;  // the common content types, and byte ranges for every file
};

}  // namespace orvane
