// The names a received file may take when its own is taken: "photo.jpg",
// then "photo (1).jpg", "photo (2).jpg"... Pure; the platform layer tries
// them in turn when it puts a received file in place.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane {

// The longest name a received file is given, in bytes of UTF-8 (Windows
// allows 255 UTF-16 units; this leaves room for " (n)").
inline constexpr std::size_t kMaxUploadNameBytes = 200;
// An extension up to this long (its dot included) is kept whole when a name
// is shortened.
inline constexpr std::size_t kMaxKeptExtensionBytes = 16;

// Where a name's extension begins: at its last dot, unless that is the first
// byte or the extension would be longer than kMaxKeptExtensionBytes; else
// the name's size (no extension).
[[nodiscard]] std::size_t ExtensionStart(std::string_view name);

// The longest start of `text` of at most `size` bytes that does not end
// inside a UTF-8 character.
[[nodiscard]] std::string_view CutUtf8(std::string_view text, std::size_t size);

// The n-th name to try for a file called `name`: n = 0 the name itself,
// n >= 1 " (n)" put before the extension ("x.jpg" gives "x (1).jpg",
// "archive.tar.gz" gives "archive.tar (1).gz", "README" gives "README (1)"),
// the part before it shortened as needed to keep within kMaxUploadNameBytes.
[[nodiscard]] std::string FreeNameCandidate(std::string_view name, int n);

}  // namespace orvane
