// The body of the form that asks for some entries of a folder as one
// archive: application/x-www-form-urlencoded, one "n=NAME" per ticked entry.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// A longer body is refused before it is read: the listing shows at most
// 10,000 entries, and their names fit in this many bytes many times over.
inline constexpr std::size_t kMaxTickedFormBytes = 2 * 1024 * 1024;
inline constexpr std::size_t kMaxTickedNames = 10000;
// The longest name of a folder's entry on any system: 255 UTF-16 units,
// three bytes each in UTF-8.
inline constexpr std::size_t kMaxTickedNameBytes = 765;

enum class TickedRefusal {
  kNone,
  kMalformed,  // a "%" without two hexadecimal digits after it
  kNotAName,   // a name no entry can have: not UTF-8, a separator, "..", a control byte, too long
  kDuplicate,  // the same name twice
  kTooMany,    // more names, or more bytes, than a page of the listing can send
  kNothing,    // no name at all
};

struct TickedNames {
  TickedRefusal refusal = TickedRefusal::kNone;
  std::vector<std::string> names;  // UTF-8, in the order sent; empty when refused
};

// The names of the "n" fields ("+" is a space, "%XY" a byte); other fields
// are ignored. Any name that could not be an entry of a folder refuses the
// whole body; whether each is one is the walk's question.
[[nodiscard]] TickedNames DecodeTickedNames(std::string_view body);

}  // namespace orvane
