// The Content-Type value chosen from a file name's extension.
#pragma once

#include <string_view>
#include <vector>

namespace orvane {

// The value for files outside the table.
inline constexpr std::string_view kOctetStreamType = "application/octet-stream";

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

// Whether a head for a file of this type says "Accept-Ranges: bytes": only
// files outside the table advertise byte ranges (all of them are served).
bool AdvertisesByteRanges(std::string_view content_type);

// The same lookup in the chosen table; kCommon gives kCommonOctetStreamType
// for an extension outside it.
std::string_view ContentTypeForPath(std::string_view path, ContentTypes types);

// The extensions of the common table, lower case.
std::vector<std::string_view> CommonTypeExtensions();

}  // namespace orvane
