// The Content-Type value chosen from a file name's extension.
#pragma once

#include <string_view>

namespace orvane {

// The value for files outside the table.
inline constexpr std::string_view kOctetStreamType = "application/octet-stream";

// The extension (everything after the last "." of the whole path, ASCII
// letters lowered) looked up exactly in the table. No dot, or an extension
// outside the table, gives kOctetStreamType.
std::string_view ContentTypeForPath(std::string_view path);

// Whether a head for a file of this type says "Accept-Ranges: bytes": only
// files outside the table advertise byte ranges (all of them are served).
bool AdvertisesByteRanges(std::string_view content_type);

}  // namespace orvane
