// The Content-Type value chosen from a file name's extension.
#pragma once

#include <string_view>

namespace orvane {

// The value for files outside the table; it carries a second header line, so
// only such files advertise byte ranges.
inline constexpr std::string_view kOctetStreamType =
    "application/octet-stream\r\nAccept-Ranges: bytes";

// The extension (everything after the last "." of the whole path, ASCII
// letters lowered) looked up exactly in the table. No dot, or an extension
// outside the table, gives kOctetStreamType.
std::string_view ContentTypeForPath(std::string_view path);

}  // namespace orvane
