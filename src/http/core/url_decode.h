// Percent and plus decoding of the path of a request line, and the
// percent-encoding of the paths the server writes.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// "+" becomes a space and "%XY" with two hexadecimal digits becomes that
// byte; a "%" not followed by two letters or digits is written as it stands,
// together with the bytes it was followed by, and those bytes are not
// examined again. A letter-or-digit pair that is not hexadecimal ("%4G") is
// kept literally.
// The result ends at the first NUL byte, so "%00" cuts the path there;
// `had_nul`, when given, says whether it did, and `escaped_slash` whether a
// "/" of the result came from "%2F" rather than from a "/" as sent.
std::string DecodeUrlPath(std::string_view raw_path, bool* had_nul = nullptr,
                          bool* escaped_slash = nullptr);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or
// code points past U+10FFFF) and at least one of them is not ASCII.
bool IsNonAsciiUtf8(std::string_view bytes);

// Every byte but the unreserved ones (letters, digits, "-", ".", "_", "~")
// as "%XY", so that the URL decoding of a request gives back `name`.
std::string PercentEncode(std::string_view name);

// Only the bytes a header line or a URL cannot hold as they are as "%XY":
// controls, space, non-ASCII, and " # < > \ ^ ` { | }. A path sent back as
// the client wrote it keeps its own escapes.
std::string PercentEncodeUnsafe(std::string_view text);

}  // namespace orvane
