// The names a received file may take when its own is taken: "photo.jpg",
// then "photo (1).jpg", "photo (2).jpg"..., and how the platform layer finds
// a free one among them without trying each in turn. Pure.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
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

// The highest candidate number the search below goes to.
inline constexpr int kMaxNameNumber = 1 << 30;

// What a look at the n-th candidate found.
enum class NameLook {
  kFree,
  kTaken,   // a file, folder or link of that name is there
  kFailed,  // the system could not tell
};

// A free candidate number above `taken` (whose candidate is known to be
// taken), for a folder where "x", "x (1)", ... "x (k)" are usually all taken:
// it looks at taken+1, taken+2, taken+4, ... until one is free, then halves
// the gap between the last taken and that free number until they are
// neighbours, and gives the free one. So k copies cost about 2 log2(k) looks,
// not k; with gaps in the numbers it may pass over a lower free one. nullopt
// when a look failed or nothing below kMaxNameNumber was free.
[[nodiscard]] std::optional<int> FreeNumberAbove(int taken,
                                                 const std::function<NameLook(int)>& look);

}  // namespace orvane
