// The Content-Type value chosen from a file name's extension.
#pragma once

#include <string_view>
#include <vector>

namespace orvane {

// The value for files outside the table; it carries a second header line, so
// only such files advertise byte ranges.
inline constexpr std::string_view kOctetStreamType =
    "application/octet-stream\r\nAccept-Ranges: bytes";

// Which table names the types: the one this server has always sent, or the
// common one that lets phones and browsers open pictures, video, sound and
// documents in place.
enum class ContentTypes { kOriginal, kCommon };

// The common table's value for files outside it. It is the bare type: with
// the common table every file advertises byte ranges, so that header line is
// the reply's to add, not the type's.
inline constexpr std::string_view kCommonOctetStreamType = "application/octet-stream";

// The extension (everything after the last "." of the whole path, ASCII
// letters lowered) looked up exactly in the table. No dot, or an extension
// outside the table, gives kOctetStreamType.
std::string_view ContentTypeForPath(std::string_view path);

// The same lookup in the chosen table; kCommon gives kCommonOctetStreamType
// for an extension outside it.
std::string_view ContentTypeForPath(std::string_view path, ContentTypes types);

// The extensions of the common table, lower case.
std::vector<std::string_view> CommonTypeExtensions();

}  // namespace orvane
